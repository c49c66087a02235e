#include "GlobalShortcuts/RecorderControl.h"

#include "GlobalShortcuts/HotKeyCenter.h"
#include "GlobalShortcuts/Key.h"
#include "GlobalShortcuts/MenuItem.h"
#include "GlobalShortcuts/Modifiers.h"
#include "GlobalShortcuts/Notifications.h"
#include "GlobalShortcuts/Services.h"
#include "GlobalShortcuts/ShortcutRegistry.h"
#include "GlobalShortcuts/ShortcutStorage.h"
#include "GlobalShortcuts/ShortcutTexts.h"
#include "Platform/Alerts.h"
#include "Platform/HotKeyService.h"
#include "Platform/KeyEvent.h"

#include <QAction>
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionFrame>
#include <QToolButton>

namespace GlobalShortcuts {
namespace {

// Event flags beyond the keyboard's lock keys: the device-independent modifiers (Shift and up, Help and
// Function among them), without Caps Lock and the numeric-pad marker.
constexpr std::uint64_t deviceIndependentMask = 0xFFFF0000;

// The function flag the system puts on arrows, Forward Delete and the like is not the user's: without
// this, a plain Forward Delete would count as a combination and beep instead of clearing.
std::uint64_t modifiersOf(const KeyEvent& event)
{
    auto modifiers = event.flags & deviceIndependentMask & ~(EventFlags::capsLock | EventFlags::numericPad);
    if (Key::keysWithSynthesizedFunctionModifier().contains(event.keyCode))
        modifiers &= ~EventFlags::function;
    return modifiers;
}

// F1 to F35: by key code for the twenty keys that have one, by the private-use character the system
// gives function keys for the rest.
bool isFunctionKey(const KeyEvent& event)
{
    if (Key::functionKeys().contains(event.keyCode))
        return true;
    return event.characters.size() == 1 && event.characters.at(0).unicode() >= 0xF704
        && event.characters.at(0).unicode() <= 0xF726;
}

const Name unnamed(QString {});

// The field never takes typed text, so it never shows an insertion point. (A read-only field would hide
// it too, but also switches off the clear button.)
class NoCursorStyle final : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        return metric == PM_TextCursorWidth ? 0 : QProxyStyle::pixelMetric(metric, option, widget);
    }
};

void beep()
{
    if (auto* service = services().hotKeys)
        service->beep();
}

} // namespace

RecorderControl::RecorderControl(const Name& name, ChangeHandler change, QWidget* parent)
    : QLineEdit(parent)
    , onChange(std::move(change))
    , m_storageMode(StorageMode::Name)
    , m_name(name)
{
    setUp();
}

RecorderControl::RecorderControl(
    const std::optional<Shortcut>& binding, ChangeHandler change, QWidget* parent)
    : QLineEdit(parent)
    , onChange(std::move(change))
    , m_storageMode(StorageMode::Binding)
    , m_name(unnamed)
    , m_bindingShortcut(binding)
{
    setUp();
}

RecorderControl::~RecorderControl()
{
    if (s_active == this)
        finishRecording();
}

void RecorderControl::setUp()
{
    setObjectName(QStringLiteral("shortcutRecorder"));
    setPlaceholderText(ShortcutTexts::text("record_shortcut"));
    setAlignment(Qt::AlignCenter);
    setFocusPolicy(Qt::StrongFocus);
    setContextMenuPolicy(Qt::NoContextMenu);
    setMinimumWidth(minimumControlWidth);
    resize(minimumControlWidth, initialHeight);
    setClearButtonEnabled(true);
    auto* style = new NoCursorStyle;
    style->setParent(this);
    setStyle(style);
    m_clearAction = findChild<QAction*>(QStringLiteral("_q_qlineeditclearaction"));
    // Only the clear button empties the field: typing never reaches it.
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (text.isEmpty())
            clearShortcut();
    });
    if (m_storageMode == StorageMode::Name)
        m_nameObserver = connect(&Notifications::shared(), &Notifications::shortcutByNameDidChange, this,
            [this](const Name& changed) {
                if (changed == m_name)
                    refresh();
            });
    refresh();
}

std::optional<Shortcut> RecorderControl::shortcut() const
{
    return m_storageMode == StorageMode::Name ? getShortcut(m_name) : m_bindingShortcut;
}

void RecorderControl::setShortcut(const std::optional<Shortcut>& shortcut)
{
    store(shortcut);
    refresh();
}

void RecorderControl::store(const std::optional<Shortcut>& shortcut)
{
    if (m_storageMode == StorageMode::Binding)
        m_bindingShortcut = shortcut;
    else
        GlobalShortcuts::setShortcut(shortcut, m_name);
}

void RecorderControl::refresh()
{
    const auto current = shortcut();
    setText(current ? current->presentableDescription() : QString());
    showClearButton(current.has_value());
}

void RecorderControl::showClearButton(bool shown)
{
    if (m_clearAction)
        m_clearAction->setVisible(shown);
}

RecorderControl* RecorderControl::active()
{
    return s_active.data();
}

void RecorderControl::endActiveRecording()
{
    if (auto* recorder = s_active.data())
        recorder->endRecording();
}

void RecorderControl::startRecording()
{
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    if (!m_recording)
        beginRecording();
}

void RecorderControl::endRecording()
{
    if (hasFocus())
        clearFocus();
    finishRecording();
}

void RecorderControl::mousePressEvent(QMouseEvent* event)
{
    QLineEdit::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        startRecording();
}

void RecorderControl::keyPressEvent(QKeyEvent* event)
{
    // Only while idle: recording takes every key in event(). Focus alone records nothing, so that Tab can
    // pass through the field; Space or Return starts, as they press any other control.
    const auto modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool press
        = event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (press && modifiers == Qt::NoModifier) {
        startRecording();
        return;
    }
    // Nothing typed reaches the field; the key goes on to the window (Escape closes it, for one).
    event->ignore();
}

void RecorderControl::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    finishRecording();
}

void RecorderControl::beginRecording()
{
    if (m_recording)
        return;
    if (s_active && s_active != this)
        s_active->endRecording();
    m_recording = true;
    setPlaceholderText(ShortcutTexts::text("press_shortcut"));
    showClearButton(shortcut().has_value());
    s_active = this;
    setPaused(true);
    qApp->installEventFilter(this);
    Q_EMIT Notifications::shared().recorderActiveStatusDidChange(true);
}

void RecorderControl::finishRecording()
{
    if (!m_recording)
        return;
    m_recording = false;
    setPlaceholderText(ShortcutTexts::text("record_shortcut"));
    showClearButton(shortcut().has_value());
    qApp->removeEventFilter(this);
    if (s_active == this) {
        s_active = nullptr;
        setPaused(false);
        Q_EMIT Notifications::shared().recorderActiveStatusDidChange(false);
    }
}

bool RecorderControl::event(QEvent* event)
{
    if (m_recording && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        // While recording every key is ours first: the application's own shortcuts must not fire.
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept();
            return true;
        }
        // Pressing a modifier on its own is part of typing a combination, not one.
        switch (keyEvent->key()) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Meta:
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R:
        case Qt::Key_Hyper_L:
        case Qt::Key_Hyper_R:
        case Qt::Key_CapsLock:
        case Qt::Key_NumLock:
            return true;
        default:
            break;
        }
        auto* service = services().hotKeys;
        const auto translated = service ? service->keyEventFrom(*keyEvent) : std::nullopt;
        if (!translated) {
            beep();
            return true;
        }
        if (handleKeyDown(*translated))
            return true;
        // Passed on: Tab moves the focus on.
        if (translated->keyCode == Key::tab.rawValue) {
            focusNextPrevChild(!(keyEvent->modifiers() & Qt::ShiftModifier));
            return true;
        }
    }
    return QLineEdit::event(event);
}

bool RecorderControl::eventFilter(QObject* watched, QEvent* event)
{
    if (m_recording && event->type() == QEvent::MouseButtonRelease && watched->isWindowType()) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton || mouse->button() == Qt::RightButton)
            handleMouseUp(mouse->globalPosition().toPoint());
    }
    return QLineEdit::eventFilter(watched, event);
}

void RecorderControl::handleMouseUp(const QPoint& globalPosition)
{
    const auto bounds = rect().adjusted(-clickSlop, -clickSlop, clickSlop, clickSlop);
    if (!bounds.contains(mapFromGlobal(globalPosition)))
        endRecording();
}

bool RecorderControl::handleKeyDown(const KeyEvent& event)
{
    if (!m_recording)
        return false;
    const auto modifiers = modifiersOf(event);
    // The field keeps the focus when recording ends by key, so that the keyboard carries on from here.
    if (modifiers == 0) {
        if (event.keyCode == Key::tab.rawValue) {
            finishRecording();
            return false;
        }
        if (event.keyCode == Key::deleteKey.rawValue || event.keyCode == Key::deleteForward.rawValue) {
            if (auto* button = findChild<QToolButton*>();
                button && m_clearAction && m_clearAction->isVisible())
                button->click();
            return true;
        }
        if (event.keyCode == Key::escape.rawValue) {
            finishRecording();
            return true;
        }
        if (!isFunctionKey(event)) {
            beep();
            return true;
        }
    } else if ((modifiers & ~(EventFlags::shift | EventFlags::function)) == 0 && !isFunctionKey(event)) {
        beep();
        return true;
    }
    const auto candidate = Shortcut::from(event);
    if (!check(candidate))
        return true;
    setText(candidate.presentableDescription());
    showClearButton(true);
    store(candidate);
    if (onChange)
        onChange(candidate);
    finishRecording();
    return true;
}

bool RecorderControl::check(const Shortcut& candidate)
{
    if (candidate != shortcut()) {
        if (const auto item = MenuItem::withMatchingShortcut(services().applicationMenu(), candidate)) {
            QString title = item->title;
            title.remove(QLatin1Char('&'));
            if (!applyBehavior(conflictPolicy.menuItem,
                    ShortcutTexts::format("keyboard_shortcut_used_by_menu_item", title), QString()))
                return false;
        }
    }
    const auto modifiers = candidate.modifiers();
    const bool optionOnly = (modifiers & Modifiers::Flags::option)
        && (modifiers & ~(Modifiers::Flags::option | Modifiers::Flags::shift)) == 0;
    if (optionOnly && services().optionShortcutsDisallowed()
        && conflictPolicy.disallowed != ConflictBehavior::Allow) {
        showAlert(ShortcutTexts::text("keyboard_shortcut_disallowed"), QString(), {}, std::nullopt);
        return false;
    }
    const bool plainF12 = candidate == Shortcut::from(Key::f12, 0);
    if (!plainF12 && HotKeyCenter::shared().isSystemShortcut(candidate)
        && !applyBehavior(conflictPolicy.systemShortcut,
            ShortcutTexts::text("keyboard_shortcut_used_by_system"),
            ShortcutTexts::text("keyboard_shortcuts_can_be_changed")))
        return false;
    if (validateShortcut) {
        const auto verdict = validateShortcut(candidate);
        if (!verdict.allowed) {
            showAlert(verdict.reason, QString(), {}, std::nullopt);
            return false;
        }
    }
    return true;
}

bool RecorderControl::applyBehavior(ConflictBehavior behavior, const QString& title, const QString& message)
{
    switch (behavior) {
    case ConflictBehavior::Allow:
        return true;
    case ConflictBehavior::Block:
        showAlert(title, message, {}, std::nullopt);
        return false;
    case ConflictBehavior::Warn: {
        const auto force = ShortcutTexts::text("force_use_shortcut");
        // Dismissing the warning must not count as choosing to use the shortcut anyway.
        return showAlert(title, message, { ShortcutTexts::text("ok"), force }, 0) == force;
    }
    }
    return false;
}

QString RecorderControl::showAlert(const QString& title, const QString& message, const QStringList& buttons,
    std::optional<int> dismissButton)
{
    endRecording();
    QString answer;
    if (auto* alerts = services().alerts) {
        Alerts::Alert alert;
        alert.style = Alerts::Style::Warning;
        alert.message = title;
        alert.informativeText = message;
        alert.buttons = buttons.isEmpty() ? QStringList { ShortcutTexts::text("ok") } : buttons;
        answer = alerts->runSheet(alert, window(), dismissButton.value_or(-1));
    }
    startRecording();
    return answer;
}

void RecorderControl::clearShortcut()
{
    store(std::nullopt);
    if (onChange)
        onChange(std::nullopt);
    showClearButton(false);
    startRecording();
}

QSize RecorderControl::sizeHint() const
{
    // Room for the longer placeholder with the clear button's space on both sides, as the text is centred.
    const auto metrics = fontMetrics();
    const int text = std::max(metrics.horizontalAdvance(ShortcutTexts::text("record_shortcut")),
        metrics.horizontalAdvance(ShortcutTexts::text("press_shortcut")));
    const int button = metrics.height() + 6;
    const auto hint = QLineEdit::sizeHint();
    return { std::max({ hint.width(), minimumControlWidth, text + 2 * button + 12 }),
        std::max(hint.height(), initialHeight) };
}

QSize RecorderControl::minimumSizeHint() const
{
    return { std::max(QLineEdit::minimumSizeHint().width(), minimumControlWidth),
        QLineEdit::minimumSizeHint().height() };
}

void RecorderControl::paintEvent(QPaintEvent* event)
{
    QLineEdit::paintEvent(event);
    // A centred field hides its placeholder while it has focus, which is exactly when recording needs it.
    if (!m_recording || !text().isEmpty() || !hasFocus())
        return;
    QPainter painter(this);
    QStyleOptionFrame option;
    initStyleOption(&option);
    const auto area = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(
        area, Qt::AlignCenter, fontMetrics().elidedText(placeholderText(), Qt::ElideRight, area.width()));
}

} // namespace GlobalShortcuts
