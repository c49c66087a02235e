#pragma once

#include <QString>
#include <QUrl>

#include <optional>

class QWindow;

// The desktop's notion of running applications and of opening things.
class Workspace {
public:
    struct Application {
        std::optional<QString> bundleIdentifier; // absent when the application has none
        long long processIdentifier = 0;
    };

    virtual ~Workspace() = default;

    // The application in front, or nothing when no application is in front.
    virtual std::optional<Application> frontmostApplication() const = 0;
    // Asks the desktop to open `url`. False when it could not be handed over.
    virtual bool openUrl(const QUrl& url) = 0;
    // Brings this application to the front, even when another one is active. Best effort; never fails.
    virtual void activateSelf() = 0;

    // Where typed keys go now, as an opaque token for `restoreKeyboardFocus`; 0 when there is nothing to
    // give back. Where a panel of ours never takes the keyboard focus from other applications, always 0.
    virtual unsigned long long keyboardFocus() const { return 0; }
    // Gives the keyboard focus back to what `keyboardFocus` returned, after one of our panels borrowed it.
    // Best effort: 0, or a window that has gone, does nothing.
    virtual void restoreKeyboardFocus(unsigned long long token) { (void)token; }
    // Gives `window`, a panel of ours that the window manager does not manage, the keyboard at once,
    // whatever the window manager's focus rules: typed keys go to it until it hides. Where panels take the
    // keyboard by themselves, nothing to do.
    virtual void lendKeyboard(QWindow* window) { (void)window; }
};
