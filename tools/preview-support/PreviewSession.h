#pragma once

#include <QDir>
#include <QPalette>
#include <QString>
#include <QStringList>

// The start every preview tool shares: read `OUTPUT_FOLDER [dark]`, dress the application as the
// program's users see it (Fusion, Russian dates, the light or the dark palette) and make the folder the
// pictures go to, so previews from different tools look alike and can be laid side by side.
class PreviewSession {
public:
    // Before the QApplication is made: previews need no display, yet an explicit QT_QPA_PLATFORM still
    // wins, so a window can be watched on screen while a tool is being changed.
    static void preferOffscreen();

    // `tool` names the program in messages; `extraUsage` lists its own arguments after `[dark]`.
    // `arguments` are the application's, the program's path first.
    PreviewSession(QString tool, QStringList arguments, QString extraUsage = {});

    // Zero when rendering can go ahead, otherwise the code to leave with (the reason is on stderr).
    int start();

    bool dark() const { return m_dark; }
    const QDir& folder() const { return m_folder; }
    // `name` in the output folder with "-dark" added for a dark run, so both runs can share a folder.
    QString picturePath(const QString& name) const;

    static QPalette darkPalette();
    // The style's own palette with the accent the program uses on a light desktop.
    static QPalette lightPalette(QPalette base);

private:
    QString m_tool;
    QStringList m_arguments;
    QString m_extraUsage;
    bool m_dark = false;
    QDir m_folder;
};
