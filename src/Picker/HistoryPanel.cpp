#include "Picker/HistoryPanel.h"

#include <QEvent>

#include "Picker/HistoryPickerView.h"
#include "Picker/HistoryRow.h"
#include "Picker/KeyablePanel.h"
#include "Platform/Screens.h"
#include "Screenshots/PanelShadow.h"

#include <QBoxLayout>
#include <QKeyEvent>
#include <QListView>
#include <QRegularExpression>
#include <QTextBoundaryFinder>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

const double caretGap = 6;
const double screenMargin = 8;

QString withoutLastCharacter(const QString& text)
{
    // One user-perceived character, so an emoji or an accented letter goes as a whole.
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    finder.toEnd();
    const auto previous = finder.toPreviousBoundary();
    return text.left(std::max<qsizetype>(previous, 0));
}

std::optional<int> digitChoice(const QString& characters)
{
    static const QRegularExpression integer(QStringLiteral("^[+-]?[0-9]+$"));
    if (!integer.match(characters).hasMatch())
        return std::nullopt;
    bool ok = false;
    const auto value = characters.toInt(&ok);
    if (!ok || value < 1 || value > 9)
        return std::nullopt;
    return value;
}

} // namespace

HistoryPanel::HistoryPanel(const Screens& screens, CaretLocation caretRect, std::function<double()> now,
    SystemFamily family, QObject* parent)
    : QObject(parent)
    , m_screens(screens)
    , m_caretRect(std::move(caretRect))
    , m_now(std::move(now))
    , m_family(family)
{
    // Fires each time the window system's events are all handled: a key always comes before the next slice.
    m_preparation.setInterval(0);
    connect(&m_preparation, &QTimer::timeout, this, &HistoryPanel::prepareSearch);
    // A new query or list leaves the rest of its search to the slices.
    const auto resume = [this] {
        if (isOpen() && m_model.searchPending())
            m_preparation.start();
    };
    connect(&m_model, &HistoryPickerModel::queryChanged, this, resume);
    connect(&m_model, &HistoryPickerModel::itemsChanged, this, resume);
}

HistoryPanel::~HistoryPanel()
{
    // The window hides as it is destroyed; nobody may hear of that from a panel that is going away.
    if (m_panel) {
        m_panel->removeEventFilter(this);
        delete m_panel.data();
    }
}

void HistoryPanel::show(QList<ClipboardItem> items, HistoryPickerModel::ThumbnailLoader thumbnail,
    ItemCallback onChoose, ItemCallback onDelete)
{
    this->onChoose = onChoose ? std::move(onChoose) : [](const ClipboardItem&) {};
    this->onDelete = onDelete ? std::move(onDelete) : [](const ClipboardItem&) {};
    const auto count = items.size();
    m_model.reset(std::move(items), std::move(thumbnail));
    if (!m_panel)
        makePanel();
    // The list may have been scrolled by hand last time; every opening starts at the top.
    m_view->list()->scrollToTop();
    m_view->setNotice(m_notice);

    const auto panelSize = size(count);
    const QRectF frame(origin(panelSize), panelSize);
    m_frame = frame;
    const QSize shadow(m_shadowOffset.x(), m_shadowOffset.y());
    // Of fixed size: a Wayland compositor, which places the window itself, then keeps it floating.
    m_panel->setFixedSize(panelSize.toSize() + 2 * shadow);
    m_panel->move(m_screens.windowPosition(frame) - m_shadowOffset);
    m_panel->show();
    m_panel->raise();
    m_panel->activateWindow();
    m_panel->setFocus(Qt::PopupFocusReason);
    // Readying the search after the first paint keeps it off the opening; readied in slices, it never holds
    // up a keystroke either.
    m_model.prepareSearchInSteps();
    m_preparation.start();
}

void HistoryPanel::prepareSearch()
{
    // Slices of a few milliseconds: a key pressed meanwhile waits for one at most.
    constexpr double sliceMs = 4;
    if (!isOpen() || !m_model.prepareSearchStep(sliceMs))
        m_preparation.stop();
}

void HistoryPanel::close()
{
    orderOut();
}

bool HistoryPanel::isOpen() const
{
    return m_panel && m_panel->isVisible();
}

void HistoryPanel::chooseSelected()
{
    if (const auto entry = m_model.selectedItem())
        choose(*entry);
}

bool HistoryPanel::handle(const PickerKey& key)
{
    if (key.command) {
        if (key.keyCode != KeyCodes::deleteKey)
            return false;
        const auto entry = m_model.selectedItem();
        if (!entry)
            return false;
        onDelete(*entry);
        m_model.remove(*entry);
        return true;
    }

    switch (key.keyCode) {
    case KeyCodes::returnKey:
    case KeyCodes::keypadEnter:
        chooseSelected();
        return true;
    case KeyCodes::tab:
        m_model.move(key.shift ? -1 : 1);
        return true;
    case KeyCodes::deleteKey:
        if (!m_model.query().isEmpty())
            m_model.setQuery(withoutLastCharacter(m_model.query()));
        return true;
    case KeyCodes::escape:
        if (m_model.query().isEmpty())
            orderOut();
        else
            m_model.setQuery(QString());
        return true;
    case KeyCodes::downArrow:
        m_model.move(1);
        return true;
    case KeyCodes::upArrow:
        m_model.move(-1);
        return true;
    default:
        break;
    }

    // Digits choose only until something has been typed; after that they are search text.
    if (m_model.query().isEmpty()) {
        if (const auto number = digitChoice(key.characters)) {
            if (*number <= m_model.visibleCount())
                choose(m_model.visibleItem(*number - 1));
            return true;
        }
    }
    if (key.control || key.characters.isEmpty() || !key.isPrintable())
        return true;
    m_model.setQuery(m_model.query() + key.characters);
    return true;
}

QSizeF HistoryPanel::size(std::size_t entries)
{
    const auto rows = std::clamp<std::size_t>(entries, 1, 8);
    return QSizeF(width, chromeHeight + HistoryRow::height * static_cast<double>(rows));
}

QPointF HistoryPanel::origin(QSizeF size) const
{
    QRectF anchor;
    if (const auto caret = m_caretRect ? m_caretRect() : std::nullopt)
        anchor = *caret;
    else
        anchor = QRectF(m_screens.mouseLocation(), QSizeF(0, 0));

    const QRectF area = m_screens.visibleAreaAt(anchor.center());

    const auto areaTop = area.y() + area.height();
    const auto areaRight = area.x() + area.width();
    auto x = anchor.x();
    auto y = anchor.y() - caretGap - size.height();
    if (y < area.y())
        y = anchor.y() + anchor.height() + caretGap;

    // The upper bounds go last: a panel larger than the area keeps its top and right margins.
    x = std::max(x, area.x() + screenMargin);
    x = std::min(x, areaRight - size.width() - screenMargin);
    y = std::max(y, area.y() + screenMargin);
    y = std::min(y, areaTop - size.height() - screenMargin);
    return QPointF(std::round(x), std::round(y));
}

bool HistoryPanel::eventFilter(QObject* watched, QEvent* event)
{
    // Installed on the window alone, so `watched` is always the window.
    if (event->type() == QEvent::Show || event->type() == QEvent::Hide)
        Q_EMIT openChanged();
    return QObject::eventFilter(watched, event);
}

void HistoryPanel::makePanel()
{
    m_panel = new KeyablePanel();
    m_panel->installEventFilter(this);
    m_panel->resize(static_cast<int>(width), 300);
    QPointer<HistoryPanel> self(this);
    m_panel->onKeyDown = [self](const QKeyEvent& event) {
        return self ? self->handle(PickerKey::fromQKeyEvent(event)) : false;
    };
    m_panel->onResignKey = [self] {
        if (self)
            self->orderOut();
    };
    m_view = new HistoryPickerView(m_model, m_now, m_family, m_panel);
    m_view->onChoose = [self](const ClipboardItem& item) {
        if (self)
            self->choose(item);
    };
    auto* layout = new QVBoxLayout(m_panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    if (m_screens.panelsNeedOwnShadow())
        m_shadowOffset = PanelShadow::apply(*m_panel, HistoryPickerView::cornerRadius);
}

void HistoryPanel::orderOut()
{
    if (m_panel && m_panel->isVisible())
        m_panel->hide();
}

void HistoryPanel::choose(const ClipboardItem& item)
{
    // The window goes first so that the paste lands in the application underneath.
    orderOut();
    onChoose(item);
}
