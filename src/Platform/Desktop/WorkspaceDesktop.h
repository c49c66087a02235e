#pragma once

#include "Platform/Workspace.h"

typedef struct _XDisplay Display;

// The X11 desktop session. The application in front is the owner of the window the window manager names
// active (_NET_ACTIVE_WINDOW): its WM_CLASS class name stands for the bundle identifier, _NET_WM_PID for
// the process. Without an X display or a window manager that publishes the active window, nothing is in
// front.
class WorkspaceDesktop final : public Workspace {
public:
    WorkspaceDesktop();
    ~WorkspaceDesktop() override;
    WorkspaceDesktop(const WorkspaceDesktop&) = delete;
    WorkspaceDesktop& operator=(const WorkspaceDesktop&) = delete;

    std::optional<Application> frontmostApplication() const override;
    bool openUrl(const QUrl& url) override;
    void activateSelf() override;
    // Without a window manager nobody gives the focus back when our picker (which takes it to get the
    // keys) closes; the window it came from gets it back from us.
    unsigned long long keyboardFocus() const override;
    void restoreKeyboardFocus(unsigned long long token) override;
    // A window manager does not activate windows it does not manage, and refuses a request for them: the
    // focus is set directly, on the connection that mapped the window.
    void lendKeyboard(QWindow* window) override;

private:
    Display* m_display = nullptr;
};
