#include "GlobalShortcuts/RecorderControl.h"

#include "GlobalShortcuts/HotKeyCenter.h"
#include "GlobalShortcuts/Key.h"
#include "GlobalShortcuts/Module.h"
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

namespace GlobalShortcuts {
namespace {

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

} // namespace

RecorderControl::RecorderControl(Module& shortcuts, const Name& name, ChangeHandler change, QWidget* parent)
    : RecorderControl(shortcuts, StorageMode::Name, name, std::nullopt, std::move(change), parent)
{ }

RecorderControl::RecorderControl(
    Module& shortcuts, const std::optional<Shortcut>& binding, ChangeHandler change, QWidget* parent)
    : RecorderControl(shortcuts, StorageMode::Binding, unnamed, binding, std::move(change), parent)
{ }

RecorderControl::RecorderControl(Module& shortcuts, StorageMode mode, const Name& name,
    const std::optional<Shortcut>& binding, ChangeHandler change, QWidget* parent)
    : QLineEdit(parent)
    , onChange(std::move(change))
    , m_shortcuts(shortcuts)
    , m_storageMode(mode)
    , m_name(name)
    , m_bindingShortcut(binding)
{
    setObjectName(QStringLiteral("shortcutRecorder"));
    setPlaceholderText(ShortcutTexts::text("record_shortcut"));
    setAlignment(Qt::AlignCenter);
    setFocusPolicy(Qt::StrongFocus);
    setContextMenuPolicy(Qt::NoContextMenu);
    setMinimumWidth(minimumControlWidth);
    resize(minimumControlWidth, initialHeight);
    auto* style = new NoCursorStyle;
    style->setParent(this);
    setStyle(style);
    // Only the clear button empties the field: typing never reaches it.
    m_clearAction = new QAction(style->standardIcon(QStyle::SP_LineEditClearButton, nullptr, this), {}, this);
    m_clearAction->setObjectName(QStringLiteral("clearShortcut"));
    addAction(m_clearAction, QLineEdit::TrailingPosition);
    connect(m_clearAction, &QAction::triggered, this, &RecorderControl::clearShortcut);
    if (m_storageMode == StorageMode::Name)
        connect(&m_shortcuts.notifications(), &Notifications::shortcutByNameDidChange, this,
            [this](const Name& changed) {
                if (changed == m_name)
                    refresh();
            });
    refresh();
}

RecorderControl::~RecorderControl()
{
    if (m_shortcuts.activeRecorder() == this)
        finishRecording();
}

std::optional<Shortcut> RecorderControl::shortcut() const
{
    return m_storageMode == StorageMode::Name ? m_shortcuts.storage().getShortcut(m_name) : m_bindingShortcut;
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
        m_shortcuts.storage().setShortcut(shortcut, m_name);
}

void RecorderControl::refresh()
{
    const auto current = shortcut();
    setText(current ? m_shortcuts.presentableDescription(*current) : QString());
    showClearButton(current.has_value());
}

void RecorderControl::showClearButton(bool shown)
{
    m_clearAction->setVisible(shown);
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
    m_shortcuts.setActiveRecorder(this);
    m_recording = true;
    setPlaceholderText(ShortcutTexts::text("press_shortcut"));
    showClearButton(shortcut().has_value());
    m_shortcuts.registry().setPaused(true);
    qApp->installEventFilter(this);
    Q_EMIT m_shortcuts.notifications().recorderActiveStatusDidChange(true);
}

void RecorderControl::finishRecording()
{
    if (!m_recording)
        return;
    m_recording = false;
    setPlaceholderText(ShortcutTexts::text("record_shortcut"));
    showClearButton(shortcut().has_value());
    qApp->removeEventFilter(this);
    if (m_shortcuts.activeRecorder() == this) {
        m_shortcuts.setActiveRecorder(nullptr);
        m_shortcuts.registry().setPaused(false);
        Q_EMIT m_shortcuts.notifications().recorderActiveStatusDidChange(false);
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
        auto* service = m_shortcuts.services().hotKeys;
        const auto translated = service ? service->keyEventFrom(*keyEvent) : std::nullopt;
        if (!translated) {
            beep();
            return true;
        }
        if (handleKeyDown(*translated))
            return true;
        // Passed on: Tab moves the focus on.
        if (translated->keyCode == KeyCodes::tab) {
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
    const auto verdict = RecordingPolicy::forKey(event);
    // The field keeps the focus when recording ends by key, so that the keyboard carries on from here.
    switch (verdict.action) {
    case RecordingPolicy::Action::PassOn:
        finishRecording();
        return false;
    case RecordingPolicy::Action::End:
        finishRecording();
        return true;
    case RecordingPolicy::Action::Clear:
        if (m_clearAction->isVisible())
            m_clearAction->trigger();
        return true;
    case RecordingPolicy::Action::Beep:
        beep();
        return true;
    case RecordingPolicy::Action::Check:
        break;
    }
    const auto candidate = *verdict.candidate;
    if (!check(candidate))
        return true;
    setText(m_shortcuts.presentableDescription(candidate));
    showClearButton(true);
    store(candidate);
    if (onChange)
        onChange(candidate);
    finishRecording();
    return true;
}

bool RecorderControl::check(const Shortcut& candidate)
{
    const auto& services = m_shortcuts.services();
    const RecordingPolicy::Facts facts { .current = shortcut(),
        .menu = services.applicationMenu(),
        .keyCharacter = candidate.keyToCharacter(services),
        .optionShortcutsDisallowed = services.optionShortcutsDisallowed(),
        .reservedBySystem = m_shortcuts.hotKeyCenter().isSystemShortcut(candidate) };
    for (const auto& objection : RecordingPolicy::objections(candidate, facts, conflictPolicy))
        if (!overcome(objection))
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

bool RecorderControl::overcome(const RecordingPolicy::Objection& objection)
{
    if (objection.behavior != ConflictBehavior::Warn) {
        showAlert(objection.title, objection.message, {}, std::nullopt);
        return false;
    }
    const auto force = ShortcutTexts::text("force_use_shortcut");
    // Dismissing the warning must not count as choosing to use the shortcut anyway.
    return showAlert(objection.title, objection.message, { ShortcutTexts::text("ok"), force }, 0) == force;
}

void RecorderControl::beep()
{
    if (auto* service = m_shortcuts.services().hotKeys)
        service->beep();
}

QString RecorderControl::showAlert(const QString& title, const QString& message, const QStringList& buttons,
    std::optional<int> dismissButton)
{
    endRecording();
    QString answer;
    if (auto* alerts = m_shortcuts.services().alerts) {
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
    clear();
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
