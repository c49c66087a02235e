#include "Platform/Desktop/KeyboardEventsDesktop.h"

#include "Platform/Desktop/X11Connection.h"
#include "Platform/Desktop/X11EventWatch.h"
#include "Platform/Desktop/X11Keys.h"

#include <QDateTime>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

// After the Qt headers: it includes Xlib, whose macros (Status, Bool, None) they must not see.
#include "Platform/Desktop/X11ErrorTrap.h"

#include <algorithm>
#include <array>

namespace {

// How long a posted event may take to come back through a grab before it is forgotten.
constexpr qint64 postedLifetimeMs = 2000;

} // namespace

class KeyboardEventsDesktop::Tap final : public KeyboardTap {
public:
    Tap(KeyboardEventsDesktop& owner, std::vector<KeyChord> chords, TapCallback callback)
        : m_owner(owner)
        , chords(std::move(chords))
        , callback(std::move(callback))
    { }
    ~Tap() override
    {
        setEnabled(false);
        m_owner.removeTap(this);
    }

    void setEnabled(bool enabled) override
    {
        if (enabled == m_enabled)
            return;
        m_enabled = enabled;
        m_owner.grab(chords, enabled);
    }
    bool isEnabled() const override { return m_enabled; }
    bool setChords(std::vector<KeyChord> newChords) override
    {
        // The passive grabs change; the keyboard grab that follows a dropped press is the service's and
        // stays, so a key held meanwhile is still seen coming up.
        if (m_enabled)
            m_owner.grab(chords, false);
        chords = std::move(newChords);
        return !m_enabled || m_owner.grab(chords, true);
    }

    bool shows(const KeyEvent& event, bool grabbedPress) const
    {
        if (!m_enabled)
            return false;
        if (!grabbedPress)
            return true;
        return std::any_of(
            chords.begin(), chords.end(), [&](const KeyChord& chord) { return chord.matches(event); });
    }

    bool enableInitially()
    {
        m_enabled = true;
        return m_owner.grab(chords, true);
    }

private:
    KeyboardEventsDesktop& m_owner;
    bool m_enabled = false;

public:
    std::vector<KeyChord> chords;
    const TapCallback callback;
};

KeyboardEventsDesktop::KeyboardEventsDesktop(QObject* parent)
    : QObject(parent)
{
    m_display = X11Connection::openWithXTest();
    if (!m_display)
        return;
    // A held key must give repeated presses and a single release, or a hold looks like many short presses.
    Bool supported = False;
    XkbSetDetectableAutoRepeat(m_display, True, &supported);
    m_numLockMask = X11Connection::numLockMask(m_display);

    m_events = new X11EventWatch(
        m_display,
        [this](const XEvent& event) {
            if (event.type == KeyPress || event.type == KeyRelease)
                handle(event);
        },
        this);
    m_releasePoll.setInterval(20);
    connect(&m_releasePoll, &QTimer::timeout, this, &KeyboardEventsDesktop::forgetReleasedKeys);
}

KeyboardEventsDesktop::~KeyboardEventsDesktop()
{
    if (!m_display)
        return;
    for (Tap* tap : m_taps)
        grab(tap->chords, false);
    if (m_keyboardGrabbed)
        XUngrabKeyboard(m_display, CurrentTime);
    delete m_events;
    XCloseDisplay(m_display);
}

std::unique_ptr<KeyboardTap> KeyboardEventsDesktop::createTap(
    std::vector<KeyChord> chords, TapCallback callback)
{
    if (!m_display || !callback)
        return nullptr;
    auto tap = std::make_unique<Tap>(*this, std::move(chords), std::move(callback));
    m_taps.push_back(tap.get());
    // Another client holding one of the chords would leave the tap blind to it.
    if (!tap->enableInitially())
        return nullptr;
    return tap;
}

bool KeyboardEventsDesktop::grab(const std::vector<KeyChord>& chords, bool on)
{
    if (!m_display)
        return false;
    const Window root = DefaultRootWindow(m_display);
    std::vector<unsigned int> locks { 0, LockMask };
    if (m_numLockMask)
        locks.insert(locks.end(), { m_numLockMask, m_numLockMask | LockMask });
    const auto grabOne = [&](KeyCode keycode, unsigned int modifiers) {
        X11ErrorTrap trap(m_display);
        XGrabKey(m_display, keycode, modifiers, root, False, GrabModeAsync, GrabModeSync);
        return trap.succeeded();
    };
    bool succeeded = true;
    for (const KeyChord& chord : chords) {
        const unsigned int keycode = keycodeFor(chord.keyCode);
        if (keycode == 0) {
            succeeded = false;
            continue;
        }
        if (!on) {
            // AnyModifier also releases every combination grabbed one by one.
            if (!chord.modifiers)
                XUngrabKey(m_display, keycode, AnyModifier, root);
            else
                for (unsigned int lock : locks)
                    XUngrabKey(m_display, keycode, X11Keys::stateForFlags(*chord.modifiers) | lock, root);
            continue;
        }
        if (chord.modifiers) {
            for (unsigned int lock : locks)
                succeeded = grabOne(keycode, X11Keys::stateForFlags(*chord.modifiers) | lock) && succeeded;
            continue;
        }
        if (grabOne(keycode, AnyModifier))
            continue;
        // Another client grabbed the key with some modifiers (Super+V, say); those presses stay theirs and
        // every other combination is ours.
        const unsigned int shortcutMasks = X11Keys::stateForFlags(EventFlags::shortcutModifiers);
        for (unsigned int modifiers = 0; modifiers <= shortcutMasks; ++modifiers)
            if ((modifiers & ~shortcutMasks) == 0)
                for (unsigned int lock : locks)
                    grabOne(keycode, modifiers | lock);
    }
    XFlush(m_display);
    readQueuedLater();
    return succeeded;
}

void KeyboardEventsDesktop::readQueuedLater()
{
    // A round trip makes Xlib read whatever events arrived with the reply; the socket will not announce
    // them again, and a frozen keyboard waits for our verdict on them.
    if (XQLength(m_display) > 0)
        m_events->readSoon();
}

void KeyboardEventsDesktop::removeTap(Tap* tap)
{
    std::erase(m_taps, tap);
    if (m_taps.empty()) {
        keepKeyboard(false);
        m_droppedKeys.clear();
    }
}

void KeyboardEventsDesktop::handle(const XEvent& xevent)
{
    XKeyEvent key = xevent.xkey;
    const bool isDown = xevent.type == KeyPress;
    // Outside an active grab of our own, a press reaches us only through a passive grab, which froze the
    // keyboard until we answer.
    const bool grabbedPress = isDown && m_droppedKeys.empty() && !m_keyboardGrabbed && !m_passiveKey;

    KeyEvent event;
    event.isDown = isDown;
    event.isRepeat = isDown && m_downKeys.contains(key.keycode);
    event.flags = X11Keys::flagsForState(key.state);
    const KeySym keysym = latinKeysym(key.keycode);
    if (keysym >= XK_KP_Space && keysym <= XK_KP_9)
        event.flags |= EventFlags::numericPad;
    std::array<char, 32> text {};
    const int length = XLookupString(&key, text.data(), static_cast<int>(text.size()), nullptr, nullptr);
    event.characters = QString::fromLatin1(text.data(), std::max(0, length));
    event.userData = takePosted(key.keycode, isDown);
    const auto code = X11Keys::keyCodeForKeysym(keysym);
    event.keyCode = code.value_or(0xFFFF);

    if (isDown)
        m_downKeys.insert(key.keycode);
    else
        m_downKeys.erase(key.keycode);

    const KeyboardTap::Verdict verdict = code ? dispatch(event, grabbedPress) : KeyboardTap::Verdict::Pass;

    if (grabbedPress) {
        if (verdict == KeyboardTap::Verdict::Pass) {
            XAllowEvents(m_display, ReplayKeyboard, CurrentTime);
            m_releasePoll.start();
            m_passiveKey.reset();
        } else {
            m_passiveKey = key.keycode;
            m_droppedKeys.insert(key.keycode);
            XAllowEvents(m_display, AsyncKeyboard, CurrentTime);
        }
        forgetUnreturnable();
        XFlush(m_display);
        return;
    }

    if (isDown && verdict == KeyboardTap::Verdict::Drop)
        m_droppedKeys.insert(key.keycode);
    if (!isDown) {
        m_droppedKeys.erase(key.keycode);
        // The passive grab ends with the release of the key that started it.
        if (m_passiveKey == key.keycode)
            m_passiveKey.reset();
    }
    // A key we pressed again must also come up again, whatever the verdict, or it stays down for good.
    const bool reposted = m_repostedKeys.contains(key.keycode);
    if (verdict == KeyboardTap::Verdict::Pass || (!isDown && reposted))
        repost(key.keycode, isDown, event.userData);
    if (isDown && verdict == KeyboardTap::Verdict::Pass)
        m_repostedKeys.insert(key.keycode);
    else if (!isDown)
        m_repostedKeys.erase(key.keycode);
    keepKeyboard(!m_droppedKeys.empty());
    forgetUnreturnable();
    XFlush(m_display);
}

KeyboardTap::Verdict KeyboardEventsDesktop::dispatch(const KeyEvent& event, bool grabbedPress)
{
    // The most recently installed tap judges first; copy the list, a callback may remove a tap.
    const std::vector<Tap*> taps = m_taps;
    for (auto it = taps.rbegin(); it != taps.rend(); ++it) {
        if (std::find(m_taps.begin(), m_taps.end(), *it) == m_taps.end()
            || !(*it)->shows(event, grabbedPress))
            continue;
        const auto notice = event.isDown ? KeyboardTap::Notice::KeyDown : KeyboardTap::Notice::KeyUp;
        if ((*it)->callback(notice, event) == KeyboardTap::Verdict::Drop)
            return KeyboardTap::Verdict::Drop;
    }
    return KeyboardTap::Verdict::Pass;
}

void KeyboardEventsDesktop::repost(unsigned int keycode, bool isDown, std::int64_t userData)
{
    // Under an active grab a posted event would come straight back to us, so the grab is let go for it.
    // The server handles XTest input as it reads the request, between the two grab requests.
    const bool held = m_keyboardGrabbed || m_passiveKey;
    if (held)
        XUngrabKeyboard(m_display, CurrentTime);
    m_passiveKey.reset();
    m_keyboardGrabbed = false;
    fakeKey(keycode, isDown, userData);
    if (!isDown || !isGrabbed(keycode))
        m_posted.pop_back();
    if (held && !m_droppedKeys.empty())
        keepKeyboard(true);
}

void KeyboardEventsDesktop::keepKeyboard(bool keep)
{
    if (!m_display)
        return;
    if (keep && !m_keyboardGrabbed && !m_passiveKey) {
        m_keyboardGrabbed = XGrabKeyboard(m_display, DefaultRootWindow(m_display), False, GrabModeAsync,
                                GrabModeAsync, CurrentTime)
            == GrabSuccess;
        if (!m_keyboardGrabbed)
            loseGrab();
    } else if (!keep && m_keyboardGrabbed) {
        XUngrabKeyboard(m_display, CurrentTime);
        m_keyboardGrabbed = false;
    }
}

void KeyboardEventsDesktop::loseGrab()
{
    // Another client holds the keyboard, so the releases of the dropped keys will not be seen: the taps
    // are told they were switched off, as a macOS tap is when input disables it.
    m_droppedKeys.clear();
    const std::vector<Tap*> taps = m_taps;
    for (Tap* tap : taps) {
        if (std::find(m_taps.begin(), m_taps.end(), tap) == m_taps.end() || !tap->isEnabled())
            continue;
        tap->setEnabled(false);
        tap->callback(KeyboardTap::Notice::DisabledByUserInput, KeyEvent {});
    }
}

bool KeyboardEventsDesktop::post(const KeyEvent& event)
{
    if (!m_display)
        return false;
    const unsigned int keycode = keycodeFor(event.keyCode);
    if (keycode == 0)
        return false;
    // The server applies the modifiers that are down, so those the event asks for and the user is not
    // holding are pressed around it.
    XkbStateRec state {};
    XkbGetState(m_display, XkbUseCoreKbd, &state);
    std::vector<KeyCode> added;
    for (std::uint64_t flag :
        { EventFlags::command, EventFlags::shift, EventFlags::option, EventFlags::control }) {
        if (!(event.flags & flag) || (state.mods & X11Keys::stateForFlags(flag)))
            continue;
        const KeyCode modifier = XKeysymToKeycode(m_display, *X11Keys::modifierKeysym(flag));
        if (modifier == 0)
            continue;
        fakeKey(modifier, true, event.userData);
        added.push_back(modifier);
    }
    fakeKey(keycode, event.isDown, event.userData);
    for (auto it = added.rbegin(); it != added.rend(); ++it)
        fakeKey(*it, false, event.userData);
    // Posted from a tap callback, the events wait for its verdict, which decides where they go.
    if (!m_events->isHandling())
        forgetUnreturnable();
    XFlush(m_display);
    readQueuedLater();
    return true;
}

void KeyboardEventsDesktop::fakeKey(unsigned int keycode, bool isDown, std::int64_t userData)
{
    m_posted.push_back({ keycode, isDown, userData, forgetExpiredPosts() });
    XTestFakeKeyEvent(m_display, keycode, isDown ? True : False, CurrentTime);
}

qint64 KeyboardEventsDesktop::forgetExpiredPosts()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    std::erase_if(m_posted, [&](const Posted& posted) { return now - posted.postedAt > postedLifetimeMs; });
    return now;
}

std::int64_t KeyboardEventsDesktop::takePosted(unsigned int keycode, bool isDown)
{
    forgetExpiredPosts();
    const auto it = std::find_if(m_posted.begin(), m_posted.end(),
        [&](const Posted& posted) { return posted.keycode == keycode && posted.isDown == isDown; });
    if (it == m_posted.end())
        return 0;
    const std::int64_t userData = it->userData;
    m_posted.erase(it);
    return userData;
}

unsigned int KeyboardEventsDesktop::keycodeFor(std::uint16_t keyCode) const
{
    return X11Connection::keycodeFor(m_display, keyCode);
}

unsigned long KeyboardEventsDesktop::latinKeysym(unsigned int keycode) const
{
    return X11Connection::latinKeysym(m_display, keycode);
}

bool KeyboardEventsDesktop::isGrabbed(unsigned int keycode) const
{
    for (const Tap* tap : m_taps) {
        if (!tap->isEnabled())
            continue;
        for (const KeyChord& chord : tap->chords)
            if (keycodeFor(chord.keyCode) == keycode)
                return true;
    }
    return false;
}

void KeyboardEventsDesktop::forgetUnreturnable()
{
    // Without a grab of ours in force, a posted event comes back only when it is a press one of our
    // passive grabs catches; remembering the rest would mistake the user's next keys for ours.
    if (m_keyboardGrabbed || m_passiveKey || !m_droppedKeys.empty())
        return;
    std::erase_if(
        m_posted, [&](const Posted& posted) { return !posted.isDown || !isGrabbed(posted.keycode); });
}

void KeyboardEventsDesktop::forgetReleasedKeys()
{
    std::array<char, 32> keys {};
    XQueryKeymap(m_display, keys.data());
    std::erase_if(m_downKeys, [&](unsigned int keycode) {
        return !m_droppedKeys.contains(keycode) && !(keys[keycode / 8] & (1 << (keycode % 8)));
    });
    if (std::all_of(
            m_downKeys.begin(), m_downKeys.end(), [&](unsigned int k) { return m_droppedKeys.contains(k); }))
        m_releasePoll.stop();
    readQueuedLater();
}
