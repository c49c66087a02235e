#pragma once

#include "Foundation/TaskHandle.h"
#include "Keyboard/HoldGesture.h"
#include "Platform/KeyboardTap.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class KeyboardEvents;
class Scheduler;

// Turns holding Command-C and Command-V into application actions through a session-wide keyboard tap,
// while short presses of those shortcuts still copy and paste as usual: the user's own key events are
// swallowed and, when the key comes up early, an equivalent marked press is posted.
class HoldMonitor final {
public:
    // Raw values are the keys' virtual key codes.
    enum class Key : std::uint16_t { Copy = KeyCodes::c, Paste = KeyCodes::v };

    HoldMonitor(KeyboardEvents& keyboard, Scheduler& scheduler);
    ~HoldMonitor();
    HoldMonitor(const HoldMonitor&) = delete;
    HoldMonitor& operator=(const HoldMonitor&) = delete;

    // How long a key must be held, in seconds; asked each time a hold timer starts.
    std::function<double()> holdDelay = [] { return 0.6; };
    // Whether holding this key is handled at all.
    std::function<bool(Key)> isEnabled = [](Key) { return true; };
    std::function<void(Key)> onHold = [](Key) {};
    // A V pressed while the picker is open: it pastes the picker's selection instead.
    std::function<void()> onPasteInPicker = [] {};
    // The tap could not be renewed when the picker opened or closed: the monitor has stopped.
    std::function<void()> onTapLost = [] {};

    // Installs the tap unless it is installed. False when the tap could not be created (typically without
    // the accessibility permission); nothing is installed then.
    bool start();
    // Removes the tap and forgets every press in progress and its timer.
    void stop();
    bool isRunning() const { return m_tap != nullptr; }
    // To be told when the picker opens or closes: a bare V is the tap's business only while it is open, so
    // a key grab (X11) does not hold up every "v" typed anywhere. The tap is renewed after the current
    // event has been handled.
    void setPickerOpen(bool open);

private:
    // One key event as the tap sees it.
    struct TapKey {
        std::int64_t keyCode = 0;
        bool isDown = false;
        bool isRepeat = false;
        std::uint64_t flags = 0;
        bool isSynthetic = false;
    };

    KeyboardTap::Verdict holdCallback(KeyboardTap::Notice notice, const KeyEvent& event);
    void reset();
    // Ends the key's press in progress without answering it, and cancels its timer.
    void forget(Key key);
    bool handle(const TapKey& key);
    bool feed(HoldGesture::Input input, Key key);
    void perform(const HoldGesture::Effects& effects, Key key);
    void startTimer(Key key);
    std::vector<KeyChord> chords() const;
    bool installTap();

    static std::size_t slot(Key key) { return key == Key::Copy ? 0 : 1; }

    KeyboardEvents& m_keyboard;
    Scheduler& m_scheduler;
    std::unique_ptr<KeyboardTap> m_tap;
    bool m_pickerOpen = false;
    bool m_widenedForPicker = false;
    // Indexed by slot(): two keys need no map, and an untouched gesture is simply idle.
    std::array<HoldGesture, 2> m_gestures {};
    std::array<TaskHandle, 2> m_timers {};
    // Timer continuations hold this weakly, so that one outliving the monitor does nothing.
    std::shared_ptr<HoldMonitor*> m_alive;
};
