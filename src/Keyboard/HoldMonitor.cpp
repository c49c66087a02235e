#include "Keyboard/HoldMonitor.h"

#include "Clipboard/Paster.h"
#include "Foundation/Scheduler.h"
#include "Platform/KeyboardEvents.h"

HoldMonitor::HoldMonitor(KeyboardEvents& keyboard, Scheduler& scheduler)
    : m_keyboard(keyboard)
    , m_scheduler(scheduler)
    , m_alive(std::make_shared<HoldMonitor*>(this))
{ }

HoldMonitor::~HoldMonitor()
{
    stop();
}

bool HoldMonitor::start()
{
    if (m_tap)
        return true;
    return installTap();
}

std::vector<KeyChord> HoldMonitor::chords() const
{
    // While the picker is open every V is ours, whatever its modifiers; otherwise only the shortcuts.
    return { KeyChord { KeyCodes::c, EventFlags::command },
        m_widenedForPicker ? KeyChord { KeyCodes::v, std::nullopt }
                           : KeyChord { KeyCodes::v, EventFlags::command } };
}

bool HoldMonitor::installTap()
{
    m_widenedForPicker = m_pickerOpen;
    m_tap = m_keyboard.createTap(chords(),
        [this](KeyboardTap::Notice notice, const KeyEvent& event) { return holdCallback(notice, event); });
    return m_tap != nullptr;
}

void HoldMonitor::setPickerOpen(bool open)
{
    m_pickerOpen = open;
    // Never inside the tap's own callback: the tap must not be changed while it is being asked.
    std::weak_ptr<HoldMonitor*> alive = m_alive;
    m_scheduler.post([alive] {
        const auto self = alive.lock();
        if (!self || !(*self)->m_tap || (*self)->m_pickerOpen == (*self)->m_widenedForPicker)
            return;
        HoldMonitor* monitor = *self;
        // Changed in place, so that the key-up of the press that opened the picker still comes here.
        monitor->m_widenedForPicker = monitor->m_pickerOpen;
        if (monitor->m_tap->setChords(monitor->chords()))
            return;
        monitor->m_tap.reset();
        monitor->reset();
        monitor->onTapLost();
    });
}

void HoldMonitor::stop()
{
    m_tap.reset();
    reset();
}

void HoldMonitor::reset()
{
    forget(Key::Copy);
    forget(Key::Paste);
}

void HoldMonitor::forget(Key key)
{
    m_timers[slot(key)].cancel();
    m_timers[slot(key)] = {};
    m_gestures[slot(key)] = {};
}

KeyboardTap::Verdict HoldMonitor::holdCallback(KeyboardTap::Notice notice, const KeyEvent& event)
{
    switch (notice) {
    case KeyboardTap::Notice::DisabledByTimeout:
    case KeyboardTap::Notice::DisabledByUserInput:
        // A press in progress may have lost events while the tap was off; forget it rather than guess.
        if (m_tap)
            m_tap->setEnabled(true);
        reset();
        return KeyboardTap::Verdict::Pass;
    case KeyboardTap::Notice::KeyDown:
    case KeyboardTap::Notice::KeyUp: {
        const TapKey key { event.keyCode, notice == KeyboardTap::Notice::KeyDown, event.isRepeat, event.flags,
            event.userData == Paster::syntheticMarker };
        return handle(key) ? KeyboardTap::Verdict::Drop : KeyboardTap::Verdict::Pass;
    }
    }
    return KeyboardTap::Verdict::Pass;
}

bool HoldMonitor::handle(const TapKey& tapKey)
{
    Key key;
    if (tapKey.keyCode == KeyCodes::v) {
        if (tapKey.isSynthetic)
            return false;
        if (m_pickerOpen) {
            // Every V event is the picker's while it is open, so that none reaches it or any other app. The
            // press that opened the picker ends with its key-up here: a gesture left fired would swallow the
            // repeats of the next bare V once the picker has closed. Its repeats keep it fired, so that
            // closing the picker while V is still held does not let the rest of the hold through.
            if (!tapKey.isRepeat)
                forget(Key::Paste);
            if (tapKey.isDown && !tapKey.isRepeat) {
                // A V that chooses keeps the rest of its press: once the choice has closed the picker, its
                // repeats would paste again in the application.
                m_gestures[slot(Key::Paste)].phase = HoldGesture::Phase::Fired;
                onPasteInPicker();
            }
            return true;
        }
        key = Key::Paste;
    } else if (tapKey.keyCode == KeyCodes::c) {
        if (tapKey.isSynthetic)
            return false;
        key = Key::Copy;
    } else {
        return false;
    }

    // Key-ups and auto-repeats belong to the press in progress, even when Command was let go or another
    // modifier joined since its first key-down: judged by their own flags, the repeats of a held Command-V
    // would reach the application as typed V's. Without a press in progress the gesture passes them.
    if (!tapKey.isDown)
        return feed(HoldGesture::Input::Up, key);
    if (tapKey.isRepeat)
        return feed(HoldGesture::Input::AutoRepeat, key);
    if ((tapKey.flags & EventFlags::shortcutModifiers) != EventFlags::command || !isEnabled(key)) {
        // A new press of the key means the last one has ended, whether or not its key-up came this way (a
        // renewed key grab misses it): its repeats must not be taken for the rest of a hold.
        forget(key);
        return false;
    }
    return feed(HoldGesture::Input::Down, key);
}

bool HoldMonitor::feed(HoldGesture::Input input, Key key)
{
    HoldGesture& gesture = m_gestures[slot(key)];
    const HoldGesture::Decision decision = gesture.handle(input);
    perform(decision.effects, key);
    return decision.swallow;
}

void HoldMonitor::perform(const HoldGesture::Effects& effects, Key key)
{
    for (const HoldGesture::Effect effect : effects) {
        switch (effect) {
        case HoldGesture::Effect::StartTimer:
            startTimer(key);
            break;
        case HoldGesture::Effect::CancelTimer:
            m_timers[slot(key)].cancel();
            m_timers[slot(key)] = {};
            break;
        case HoldGesture::Effect::Resend:
            // Posted, so the marked press enters the event stream after this tap callback has answered.
            m_scheduler.post([&keyboard = m_keyboard, code = static_cast<std::uint16_t>(key)] {
                Paster::press(code, keyboard);
            });
            break;
        case HoldGesture::Effect::Held:
            onHold(key);
            break;
        }
    }
}

void HoldMonitor::startTimer(Key key)
{
    TaskHandle& timer = m_timers[slot(key)];
    timer.cancel();
    timer
        = m_scheduler.after(holdDelay(), [alive = std::weak_ptr<HoldMonitor*>(m_alive), key](bool cancelled) {
              const auto monitor = alive.lock();
              if (cancelled || !monitor)
                  return;
              (*monitor)->m_timers[slot(key)] = {};
              (*monitor)->feed(HoldGesture::Input::TimerFired, key);
          });
}
