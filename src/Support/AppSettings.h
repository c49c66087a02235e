#pragma once

#include "Clipboard/HistoryLimit.h"
#include "Foundation/Localization.h"

#include <QLocale>
#include <QObject>
#include <QString>

class StandardPaths;
class UserDefaultsStore;

// The user's preferences. Each field is loaded from the user-defaults store once, written back on every
// assignment, and announced by its own signal only when its value actually changes.
class AppSettings final : public QObject {
    Q_OBJECT
public:
    explicit AppSettings(UserDefaultsStore& store, QObject* parent = nullptr);

    HistoryLimit historyLimit() const { return m_historyLimit; }
    bool holdToPaste() const { return m_holdToPaste; }
    bool holdToScreenshot() const { return m_holdToScreenshot; }
    double holdDelay() const { return m_holdDelay; }
    bool paused() const { return m_paused; }
    bool screenshotSave() const { return m_screenshotSave; }
    QString screenshotFolder() const { return m_screenshotFolder; }
    bool screenshotCopy() const { return m_screenshotCopy; }
    bool screenshotThumbnail() const { return m_screenshotThumbnail; }
    bool screenshotSound() const { return m_screenshotSound; }
    bool autoCheckUpdates() const { return m_autoCheckUpdates; }

    void setHistoryLimit(HistoryLimit value);
    void setHoldToPaste(bool value);
    void setHoldToScreenshot(bool value);
    void setHoldDelay(double value);
    void setPaused(bool value);
    void setScreenshotSave(bool value);
    void setScreenshotFolder(const QString& value);
    void setScreenshotCopy(bool value);
    void setScreenshotThumbnail(bool value);
    void setScreenshotSound(bool value);
    void setAutoCheckUpdates(bool value);

    // Where screenshots go: exactly the chosen folder (no tilde expansion, no existence check), or, when
    // none is chosen, the system screenshot tool's folder, else the Desktop.
    QString screenshotFolderPath(const StandardPaths& paths) const;

    // The label of a hold delay: the seconds with at most one decimal in the interface's style, then " с".
    // Whether the background update checks run, as `store` says: only a stored boolean false stops them, so
    // a value of another kind never leaves the user without updates. Read afresh by the checks' loop.
    static bool autoCheckUpdatesIn(const UserDefaultsStore& store);
    static inline const QString autoCheckUpdatesKey = QStringLiteral("updates.autoCheck");

    static QString titleForDelay(double seconds, const QLocale& locale = Localization::locale());

Q_SIGNALS:
    void historyLimitChanged();
    void holdToPasteChanged();
    void holdToScreenshotChanged();
    void holdDelayChanged();
    void pausedChanged();
    void screenshotSaveChanged();
    void screenshotFolderChanged();
    void screenshotCopyChanged();
    void screenshotThumbnailChanged();
    void screenshotSoundChanged();
    void autoCheckUpdatesChanged();

private:
    bool objectBool(const QString& key, bool fallback) const;

    UserDefaultsStore& m_store;
    HistoryLimit m_historyLimit = HistoryLimit::Fifteen;
    bool m_holdToPaste = true;
    bool m_holdToScreenshot = true;
    double m_holdDelay = 0.6;
    bool m_paused = false;
    bool m_screenshotSave = true;
    QString m_screenshotFolder;
    bool m_screenshotCopy = true;
    bool m_screenshotThumbnail = true;
    bool m_screenshotSound = false;
    bool m_autoCheckUpdates = true;
};
