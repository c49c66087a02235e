#pragma once

#include "Platform/Workspace.h"

#include <QList>

// The running applications as a script sets them, and a record of what the app asked the desktop to do.
class WorkspaceSimulated final : public Workspace {
public:
    static inline const QString selfBundleIdentifier = QStringLiteral("com.drimo.copy");

    std::optional<Application> frontmostApplication() const override { return m_frontmost; }
    bool openUrl(const QUrl& url) override;
    void activateSelf() override;

    // Puts an application in front; each bundle identifier keeps one stable process identifier.
    void setFrontmost(const std::optional<QString>& bundleIdentifier);
    void setNoFrontmost() { m_frontmost.reset(); }
    bool selfIsFrontmost() const;

    // Stands for a desktop whose panels borrow the keyboard focus: what `keyboardFocus` reports, and
    // every token given back.
    unsigned long long keyboardFocus() const override { return m_keyboardFocus; }
    void restoreKeyboardFocus(unsigned long long token) override { m_restoredFocus.append(token); }
    void setKeyboardFocus(unsigned long long token) { m_keyboardFocus = token; }
    const QList<unsigned long long>& restoredFocus() const { return m_restoredFocus; }

    const QList<QUrl>& openedUrls() const { return m_openedUrls; }
    int activationCount() const { return m_activations; }

private:
    long long processIdentifier(const QString& bundleIdentifier);

    std::optional<Application> m_frontmost;
    QList<QString> m_knownBundles;
    QList<QUrl> m_openedUrls;
    int m_activations = 0;
    unsigned long long m_keyboardFocus = 0;
    QList<unsigned long long> m_restoredFocus;
};
