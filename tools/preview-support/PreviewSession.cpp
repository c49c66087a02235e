#include "PreviewSession.h"

#include <QApplication>
#include <QLocale>
#include <QStyleFactory>

#include <cstdio>
#include <utility>

void PreviewSession::preferOffscreen()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

PreviewSession::PreviewSession(QString tool, QStringList arguments, QString extraUsage)
    : m_tool(std::move(tool))
    , m_arguments(std::move(arguments))
    , m_extraUsage(std::move(extraUsage))
{ }

int PreviewSession::start()
{
    if (m_arguments.size() < 2) {
        const QString extra = m_extraUsage.isEmpty() ? QString() : QLatin1Char(' ') + m_extraUsage;
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER [dark]%s\n", qPrintable(m_tool), qPrintable(extra));
        return 2;
    }
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // The program's users read Russian; dates are worded as they would see them.
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    m_dark = m_arguments.size() > 2 && m_arguments[2] == u"dark";
    QApplication::setPalette(m_dark ? darkPalette() : lightPalette(QApplication::palette()));
    m_folder = QDir(m_arguments[1]);
    if (!m_folder.exists() && !QDir().mkpath(m_folder.path())) {
        std::fprintf(stderr, "%s: cannot create %s\n", qPrintable(m_tool), qPrintable(m_arguments[1]));
        return 1;
    }
    return 0;
}

QString PreviewSession::picturePath(const QString& name) const
{
    return m_folder.filePath(name + (m_dark ? QStringLiteral("-dark.png") : QStringLiteral(".png")));
}

QPalette PreviewSession::darkPalette()
{
    // Fusion draws bevels, frames and scroll bars from Light, Midlight, Mid, Dark and Shadow; left at
    // their light defaults they glow on the dark window, as do placeholders and alternate rows.
    QPalette dark;
    const QColor text(236, 236, 240);
    const QColor dimmed(120, 120, 126);
    dark.setColor(QPalette::Window, QColor(40, 40, 44));
    dark.setColor(QPalette::WindowText, text);
    dark.setColor(QPalette::Base, QColor(30, 30, 33));
    dark.setColor(QPalette::AlternateBase, QColor(46, 46, 50));
    dark.setColor(QPalette::Text, text);
    dark.setColor(QPalette::Button, QColor(62, 62, 67));
    dark.setColor(QPalette::ButtonText, text);
    dark.setColor(QPalette::Highlight, QColor(10, 132, 255));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::PlaceholderText, QColor(152, 152, 158));
    dark.setColor(QPalette::Light, QColor(72, 72, 78));
    dark.setColor(QPalette::Midlight, QColor(60, 60, 66));
    dark.setColor(QPalette::Mid, QColor(48, 48, 52));
    dark.setColor(QPalette::Dark, QColor(24, 24, 26));
    dark.setColor(QPalette::Shadow, Qt::black);
    for (const auto role : { QPalette::WindowText, QPalette::Text, QPalette::ButtonText })
        dark.setColor(QPalette::Disabled, role, dimmed);
    return dark;
}

QPalette PreviewSession::lightPalette(QPalette base)
{
    base.setColor(QPalette::Highlight, QColor(0, 122, 255));
    return base;
}
