#include "App/MenuBarItem.h"

#include "App/MenuContent.h"
#include "Foundation/Localization.h"

#include <QApplication>
#include <QCursor>
#include <QIcon>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>

// Resources of a static library are registered by hand; the macro must stay outside any namespace.
static bool registerAppResources()
{
    Q_INIT_RESOURCE(AppResources);
    return true;
}

namespace {

// Rendered by hand rather than through an icon engine plugin, so the icon shows wherever Qt SVG is linked.
// Trays do not tell the colour of their panel: the glyph takes the text colour of the desktop's palette,
// and a soft halo in the opposite colour keeps it legible on a panel that does not follow that palette.
QIcon menuBarIcon(const QColor& ink)
{
    static const bool registered = registerAppResources();
    Q_UNUSED(registered);
    QSvgRenderer renderer(QStringLiteral(":/App/MenuBarIcon.svg"));
    const QColor halo = ink.lightness() > 128 ? QColor(0, 0, 0, 110) : QColor(255, 255, 255, 110);
    QIcon icon;
    for (const int side : { 16, 22, 32, 44, 64 }) {
        QImage glyph(side, side, QImage::Format_ARGB32_Premultiplied);
        glyph.fill(Qt::transparent);
        QPainter glyphPainter(&glyph);
        renderer.render(&glyphPainter);
        glyphPainter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        glyphPainter.fillRect(glyph.rect(), ink);
        glyphPainter.end();

        QImage shadow = glyph;
        QPainter shadowPainter(&shadow);
        shadowPainter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        shadowPainter.fillRect(shadow.rect(), halo);
        shadowPainter.end();

        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        const int reach = std::max(1, side / 22);
        for (const QPoint offset :
            { QPoint(-reach, 0), QPoint(reach, 0), QPoint(0, -reach), QPoint(0, reach) })
            painter.drawImage(offset, shadow);
        painter.drawImage(0, 0, glyph);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

MenuBarItem::MenuBarItem(MenuContent& content, QObject* parent)
    : QObject(parent)
    , m_content(content)
    , m_menu(new QMenu)
    , m_tray(new QSystemTrayIcon(this))
{
    updateIcon();
    m_tray->setToolTip(Localization::text("Drimo Copy"));
    m_tray->setContextMenu(m_menu);
    connect(m_tray, &QSystemTrayIcon::activated, this, &MenuBarItem::activated);
    connect(&m_content, &MenuContent::changed, this, &MenuBarItem::rebuild);
    // A switch between light and dark desktop themes changes the palette: the icon follows it.
    qApp->installEventFilter(this);
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

void MenuBarItem::activated(QSystemTrayIcon::ActivationReason reason)
{
    // Trays that open the context menu themselves report the right click as Context; a left click comes
    // as Trigger, and there the menu is ours to open.
    if (reason != QSystemTrayIcon::Trigger || m_menu->isVisible())
        return;
    m_menu->popup(QCursor::pos());
}

bool MenuBarItem::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange)
        updateIcon();
    return QObject::eventFilter(watched, event);
}

void MenuBarItem::updateIcon()
{
    m_tray->setIcon(menuBarIcon(QGuiApplication::palette().color(QPalette::WindowText)));
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
