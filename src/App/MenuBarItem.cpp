#include "App/MenuBarItem.h"

#include "App/MenuContent.h"
#include "Foundation/Localization.h"

#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QSvgRenderer>
#include <QSystemTrayIcon>

// Resources of a static library are registered by hand; the macro must stay outside any namespace.
static bool registerAppResources()
{
    Q_INIT_RESOURCE(AppResources);
    return true;
}

namespace {

// Rendered by hand rather than through an icon engine plugin, so the icon shows wherever Qt SVG is linked.
QIcon menuBarIcon()
{
    static const bool registered = registerAppResources();
    Q_UNUSED(registered);
    QSvgRenderer renderer(QStringLiteral(":/App/MenuBarIcon.svg"));
    QIcon icon;
    for (const int side : { 16, 22, 32, 44, 64 }) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    icon.setIsMask(true);
    return icon;
}

} // namespace

MenuBarItem::MenuBarItem(MenuContent& content, QObject* parent)
    : QObject(parent)
    , m_content(content)
    , m_menu(new QMenu)
    , m_tray(new QSystemTrayIcon(this))
{
    m_tray->setIcon(menuBarIcon());
    m_tray->setToolTip(Localization::text("Drimo Copy"));
    m_tray->setContextMenu(m_menu);
    connect(&m_content, &MenuContent::changed, this, &MenuBarItem::rebuild);
    rebuild();
}

MenuBarItem::~MenuBarItem()
{
    delete m_menu;
}

QIcon MenuBarItem::icon() const
{
    return m_tray->icon();
}

void MenuBarItem::show()
{
    m_tray->show();
}

void MenuBarItem::rebuild()
{
    m_menu->clear();
    for (const auto& row : m_content.rows()) {
        if (row.kind == MenuContent::Row::Kind::Separator) {
            m_menu->addSeparator();
            continue;
        }
        auto* action = m_menu->addAction(row.text);
        action->setShortcut(row.shortcut);
        action->setEnabled(row.isClickable());
        if (row.kind == MenuContent::Row::Kind::Check) {
            action->setCheckable(true);
            action->setChecked(row.checked);
        }
        if (row.action)
            connect(action, &QAction::triggered, this, [run = row.action] { run(); });
    }
}
