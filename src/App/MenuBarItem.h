#pragma once

#include <QObject>

class MenuContent;
class QIcon;
class QMenu;
class QSystemTrayIcon;

// The menu-bar item: a monochrome icon in the system tray whose menu shows the menu content, rebuilt
// whenever the content changes.
class MenuBarItem final : public QObject {
    Q_OBJECT
public:
    explicit MenuBarItem(MenuContent& content, QObject* parent = nullptr);
    ~MenuBarItem() override;

    void show();
    QMenu* menu() const { return m_menu; }
    QIcon icon() const;

private:
    void rebuild();

    MenuContent& m_content;
    QMenu* m_menu = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
};
