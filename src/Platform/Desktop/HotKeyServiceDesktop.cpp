#include "Platform/Desktop/HotKeyServiceDesktop.h"

#include "Platform/Desktop/X11Connection.h"
#include "Platform/Desktop/X11EventWatch.h"
#include "Platform/Desktop/X11Keys.h"
#include "Platform/QtKeys.h"

#include <QCoreApplication>
#include <QKeyEvent>

// Xlib's headers come after Qt's, whose names they would otherwise shadow with macros.
#include "Platform/Desktop/X11ErrorTrap.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

// X's event type macros would turn QEvent::KeyPress into a number.
constexpr int xKeyPress = KeyPress;
constexpr int xKeyRelease = KeyRelease;
#undef KeyPress
#undef KeyRelease

namespace {

// The keysyms of the Cyrillic letters from 0x6c0 on: lower case, then upper case in the same order.
constexpr char16_t cyrillic[] = u"юабцдефгхийклмнопярстужвьызшэщчъЮАБЦДЕФГХИЙКЛМНОПЯРСТУЖВЬЫЗШЭЩЧЪ";

std::optional<QString> textForKeysym(unsigned long keysym)
{
    if ((keysym >= 0x20 && keysym <= 0x7e) || (keysym >= 0xa0 && keysym <= 0xff))
        return QString(QChar(static_cast<char16_t>(keysym)));
    if (keysym >= 0x1000000 && keysym <= 0x110ffff) {
        const char32_t scalar = static_cast<char32_t>(keysym - 0x1000000);
        return QString::fromUcs4(&scalar, 1);
    }
    if (keysym >= 0x6c0 && keysym <= 0x6ff)
        return QString(QChar(cyrillic[keysym - 0x6c0]));
    if (keysym == XK_Cyrillic_io)
        return QStringLiteral("ё");
    if (keysym == XK_Cyrillic_IO)
        return QStringLiteral("Ё");
    return std::nullopt;
}

} // namespace

HotKeyServiceDesktop::HotKeyServiceDesktop(QObject* parent)
    : QObject(parent)
{
    m_display = X11Connection::open();
    if (!m_display)
        return;
    // A held hot key must give one press and one release, not a press and release per repeat.
    Bool supported = False;
    XkbSetDetectableAutoRepeat(m_display, True, &supported);
    m_numLockMask = X11Connection::numLockMask(m_display);
    m_events = new X11EventWatch(
        m_display, [this](const XEvent& event) { handle(event); }, this);
}

HotKeyServiceDesktop::~HotKeyServiceDesktop()
{
    if (m_rawKeyEvents && QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
    delete m_events;
    if (m_display)
        XCloseDisplay(m_display);
}

std::optional<std::pair<unsigned int, unsigned int>> HotKeyServiceDesktop::combination(
    std::uint32_t keyCode, std::uint32_t modifiers) const
{
    if (!m_display || keyCode > 0xFFFF || (modifiers & ~HotKeyService::knownBits) != 0)
        return std::nullopt;
    // No X keyboard has a Fn modifier; only on the keys that carry it by themselves does it mean nothing.
    if ((modifiers & HotKeyService::functionBit) && !KeyCodes::synthesizesFunction(keyCode))
        return std::nullopt;
    const unsigned int keycode = X11Connection::keycodeFor(m_display, static_cast<std::uint16_t>(keyCode));
    if (keycode == 0)
        return std::nullopt;
    return std::pair { keycode, X11Keys::stateForFlags(HotKeyService::flagsForBits(modifiers)) };
}

std::vector<unsigned int> HotKeyServiceDesktop::lockVariants() const
{
    std::vector<unsigned int> locks { 0, LockMask };
    if (m_numLockMask)
        locks.insert(locks.end(), { m_numLockMask, m_numLockMask | LockMask });
    return locks;
}

bool HotKeyServiceDesktop::grab(unsigned int keycode, unsigned int state)
{
    const Window root = DefaultRootWindow(m_display);
    X11ErrorTrap trap(m_display);
    for (const auto lock : lockVariants())
        XGrabKey(
            m_display, static_cast<int>(keycode), state | lock, root, False, GrabModeAsync, GrabModeAsync);
    if (trap.succeeded())
        return true;
    // Some variants may have been ours for a moment; a half-held combination would fire only sometimes.
    ungrab(keycode, state);
    return false;
}

void HotKeyServiceDesktop::ungrab(unsigned int keycode, unsigned int state)
{
    const Window root = DefaultRootWindow(m_display);
    X11ErrorTrap trap(m_display);
    for (const auto lock : lockVariants())
        XUngrabKey(m_display, static_cast<int>(keycode), state | lock, root);
    trap.succeeded();
}

std::optional<HotKeyService::Reference> HotKeyServiceDesktop::registerHotKey(
    std::uint32_t keyCode, std::uint32_t modifiers, HotKeyId id)
{
    const auto keys = combination(keyCode, modifiers);
    if (!keys)
        return std::nullopt;
    // The server lets a client grab its own combination twice; the system would refuse the second.
    for (const auto& [reference, held] : m_grabs)
        if (held.keycode == keys->first && held.state == keys->second)
            return std::nullopt;
    if (!grab(keys->first, keys->second))
        return std::nullopt;
    const auto reference = m_nextReference++;
    m_grabs.emplace(reference, Grab { keys->first, keys->second, id, keyCode, modifiers });
    return reference;
}

void HotKeyServiceDesktop::unregisterHotKey(Reference reference)
{
    const auto found = m_grabs.find(reference);
    if (found == m_grabs.end())
        return;
    ungrab(found->second.keycode, found->second.state);
    m_grabs.erase(found);
}

bool HotKeyServiceDesktop::installEventHandler(Handler handler)
{
    m_handler = std::move(handler);
    return true;
}

bool HotKeyServiceDesktop::isReservedBySystem(std::int64_t keyCode, std::int64_t modifiers)
{
    if (keyCode < 0 || modifiers < 0 || keyCode > 0xFFFF || modifiers > 0xFFFFFFFF)
        return false;
    const auto keys = combination(static_cast<std::uint32_t>(keyCode), static_cast<std::uint32_t>(modifiers));
    if (!keys)
        return false;
    // Our own grab would be taken over and then released by the probe.
    for (const auto& [reference, held] : m_grabs)
        if (held.keycode == keys->first && held.state == keys->second)
            return false;
    const Window root = DefaultRootWindow(m_display);
    X11ErrorTrap trap(m_display);
    XGrabKey(
        m_display, static_cast<int>(keys->first), keys->second, root, False, GrabModeAsync, GrabModeAsync);
    const bool refused = !trap.succeeded();
    if (!refused)
        XUngrabKey(m_display, static_cast<int>(keys->first), keys->second, root);
    XFlush(m_display);
    return refused;
}

std::optional<QString> HotKeyServiceDesktop::characterForKey(std::int64_t keyCode)
{
    if (!m_display || keyCode < 0 || keyCode > 0xFFFF)
        return std::nullopt;
    const unsigned int keycode = X11Connection::keycodeFor(m_display, static_cast<std::uint16_t>(keyCode));
    if (keycode == 0)
        return std::nullopt;
    XkbStateRec state {};
    const int group = XkbGetState(m_display, XkbUseCoreKbd, &state) == Success ? state.group : 0;
    const KeySym keysym = XkbKeycodeToKeysym(m_display, static_cast<KeyCode>(keycode), group, 0);
    return keysym == NoSymbol ? std::nullopt : textForKeysym(keysym);
}

double HotKeyServiceDesktop::keyRepeatDelay() const
{
    unsigned int delay = 500, interval = 30;
    if (m_display)
        XkbGetAutoRepeatRate(m_display, XkbUseCoreKbd, &delay, &interval);
    return delay / 1000.0;
}

double HotKeyServiceDesktop::keyRepeatInterval() const
{
    unsigned int delay = 500, interval = 30;
    if (m_display)
        XkbGetAutoRepeatRate(m_display, XkbUseCoreKbd, &delay, &interval);
    return interval / 1000.0;
}

std::optional<KeyEvent> HotKeyServiceDesktop::keyEventFrom(const QKeyEvent& event) const
{
    // Events made inside the program carry no X key; their Qt key says enough.
    if (!m_display || event.nativeScanCode() == 0)
        return QtKeys::keyEvent(event);
    const auto keyCode
        = X11Keys::keyCodeForKeysym(X11Connection::latinKeysym(m_display, event.nativeScanCode()));
    if (!keyCode)
        return QtKeys::keyEvent(event);
    KeyEvent key;
    key.keyCode = *keyCode;
    key.isDown = event.type() != QEvent::KeyRelease;
    key.isRepeat = event.isAutoRepeat();
    key.characters = event.text();
    key.flags = X11Keys::flagsForState(event.nativeModifiers());
    if (KeyCodes::synthesizesFunction(key.keyCode))
        key.flags |= EventFlags::function;
    return key;
}

void HotKeyServiceDesktop::beep()
{
    if (m_display) {
        XBell(m_display, 0);
        XFlush(m_display);
    }
}

void HotKeyServiceDesktop::setRawKeyEventsEnabled(bool enabled)
{
    if (m_rawKeyEvents == enabled || !QCoreApplication::instance())
        return;
    m_rawKeyEvents = enabled;
    if (enabled)
        QCoreApplication::instance()->installEventFilter(this);
    else
        QCoreApplication::instance()->removeEventFilter(this);
}

bool HotKeyServiceDesktop::eventFilter(QObject* watched, QEvent* event)
{
    // Key events reach a window first and then its widgets; watching windows sees each press once.
    if (m_rawKeyEvents && watched->isWindowType()
        && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        const auto key = keyEventFrom(*static_cast<QKeyEvent*>(event));
        // A key that went to a shortcut is not the menu's as well.
        if (key
            && deliver({ key->isDown ? EventKind::RawKeyDown : EventKind::RawKeyUp, std::nullopt,
                   key->keyCode, HotKeyService::bitsForFlags(key->flags), key->isRepeat })
                == noErr)
            return true;
    }
    return QObject::eventFilter(watched, event);
}

int HotKeyServiceDesktop::deliver(const Event& event)
{
    return m_handler ? m_handler(event) : eventNotHandledErr;
}

void HotKeyServiceDesktop::handle(const XEvent& event)
{
    if (event.type != xKeyPress && event.type != xKeyRelease)
        return;
    const unsigned int keycode = event.xkey.keycode;
    if (event.type == xKeyRelease) {
        const auto pressed = m_pressed.find(keycode);
        if (pressed == m_pressed.end())
            return;
        const auto id = pressed->second;
        m_pressed.erase(pressed);
        if (m_hotKeyEvents)
            deliver({ EventKind::HotKeyReleased, id, 0, 0, false });
        return;
    }
    // A repeat of a held hot key, or another key pressed while the grab lasts.
    if (m_pressed.contains(keycode))
        return;
    const unsigned int state
        = event.xkey.state & ~(LockMask | m_numLockMask) & (ShiftMask | ControlMask | Mod1Mask | Mod4Mask);
    for (const auto& [reference, held] : m_grabs) {
        if (held.keycode == keycode && held.state == state) {
            m_pressed.emplace(keycode, held.id);
            if (m_hotKeyEvents)
                deliver({ EventKind::HotKeyPressed, held.id, 0, 0, false });
            return;
        }
    }
}
