#pragma once

#include <QObject>
#include <QSystemTrayIcon>

class MenuContent;
class QIcon;
class QMenu;

// The menu-bar item: a monochrome icon in the system tray whose menu shows the menu content, rebuilt
// whenever the content changes. A click opens the menu on every tray, also those that report a left
// click as activation instead of opening the context menu themselves.
class MenuBarItem final : public QObject {
    Q_OBJECT
public:
    explicit MenuBarItem(MenuContent& content, QObject* parent = nullptr);
    ~MenuBarItem() override;

    void show();
    QMenu* menu() const { return m_menu; }
    QIcon icon() const;
    // What the tray reports of a click on the icon.
    void activated(QSystemTrayIcon::ActivationReason reason);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuild();
    void updateIcon();

    MenuContent& m_content;
    QMenu* m_menu = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
};
