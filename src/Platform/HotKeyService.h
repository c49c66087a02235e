#pragma once

#include "Platform/KeyEvent.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QKeyEvent;

// System-wide hot keys: a key combination registered here reaches this program wherever the focus is,
// and no other application sees it. Modifiers are the hot-key modifier bits (Command 0x100, Shift 0x200,
// Option 0x800, Control 0x1000, Function 0x20000). Also the keyboard facts the shortcut module shows and
// checks: the layout's character for a key, the combinations the system reserves, the key-repeat timing.
class HotKeyService {
public:
    // Event kinds as the event manager numbers them.
    enum class EventKind { RawKeyDown = 1, RawKeyUp = 3, HotKeyPressed = 5, HotKeyReleased = 6 };
    struct HotKeyId {
        std::uint32_t signature = 0;
        std::uint32_t id = 0;
        bool operator==(const HotKeyId&) const = default;
    };
    struct Event {
        EventKind kind = EventKind::HotKeyPressed;
        // Hot-key events only: the identifier the hot key was registered with.
        std::optional<HotKeyId> hotKey;
        // Raw key events only.
        std::int64_t keyCode = 0;
        std::int64_t modifiers = 0;
        bool isRepeat = false;
    };
    // The handler's answer: handled, or passed on to whoever comes next.
    static constexpr int noErr = 0;
    static constexpr int eventNotHandledErr = -9874;
    using Handler = std::function<int(const Event&)>;
    using Reference = std::uint64_t;

    struct SymbolicHotKey {
        std::int64_t keyCode = 0;
        std::int64_t modifiers = 0;
        bool enabled = true;
    };

    // The modifier bits, and their translation to and from the key events' flags.
    static constexpr std::uint32_t commandBit = 0x100;
    static constexpr std::uint32_t shiftBit = 0x200;
    static constexpr std::uint32_t optionBit = 0x800;
    static constexpr std::uint32_t controlBit = 0x1000;
    static constexpr std::uint32_t functionBit = 0x20000;
    static constexpr std::uint32_t knownBits = commandBit | shiftBit | optionBit | controlBit | functionBit;
    // Each of the five modifiers maps to its partner; every other flag or bit is dropped.
    static std::uint32_t bitsForFlags(std::uint64_t flags);
    static std::uint64_t flagsForBits(std::uint32_t bits);

    virtual ~HotKeyService() = default;

    // Registers a hot key. Nothing when the system refused it: another client holds the combination, the
    // key is not on this keyboard, or the modifiers cannot be expressed.
    virtual std::optional<Reference> registerHotKey(
        std::uint32_t keyCode, std::uint32_t modifiers, HotKeyId id)
        = 0;
    // Releases a registered hot key; unknown references are ignored.
    virtual void unregisterHotKey(Reference reference) = 0;
    // Installs the one handler for hot-key and raw key events, called on the main thread. False when it
    // could not be installed. It is shown hot-key events only while they are enabled, and raw key events
    // only while those are.
    virtual bool installEventHandler(Handler handler) = 0;
    virtual void setHotKeyEventsEnabled(bool enabled) = 0;
    // Raw key events are watched where key events go while a menu is being tracked: through the menu.
    virtual void setRawKeyEventsEnabled(bool enabled) = 0;

    // The combinations the system reserves. Empty when they cannot be read.
    virtual std::vector<SymbolicHotKey> symbolicHotKeys() = 0;
    // Whether something outside this program holds the combination now. The default answers from the
    // enabled symbolic hot keys; a backend that can ask the system directly does so, within a short time.
    virtual bool isReservedBySystem(std::int64_t keyCode, std::int64_t modifiers);

    // The text the current keyboard layout types for the key with no modifiers; nothing when there is no
    // layout or the key types nothing.
    virtual std::optional<QString> characterForKey(std::int64_t keyCode) = 0;
    // The system's key-repeat delay and interval, in seconds.
    virtual double keyRepeatDelay() const = 0;
    virtual double keyRepeatInterval() const = 0;

    // The system's alert sound.
    virtual void beep() = 0;

    // A window's key event as the system names it (virtual key code, event flags); nothing for keys the
    // program has no code for.
    virtual std::optional<KeyEvent> keyEventFrom(const QKeyEvent& event) const = 0;

    // Menu tracking: the program's menu began (true) or ended (false) tracking. Whoever shows the menu
    // reports it; the observer is the hot-key centre.
    void menuTrackingChanged(bool tracking) { onMenuTracking(tracking); }
    std::function<void(bool tracking)> onMenuTracking = [](bool) {};
};
