#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>

// Tells a hold of one shortcut key from a short press. Pure decision logic: the caller feeds it the key's
// events and timer expiries and carries out the effects it asks for.
struct HoldGesture {
    enum class Phase {
        Idle, // no press in progress
        Holding, // the key is down and the hold timer runs
        Fired, // the timer expired while the key was down; the rest of this press is consumed
    };
    enum class Input {
        Down, // the first key-down of a press, with the required modifiers
        AutoRepeat,
        Up,
        TimerFired, // this key's hold timer expired
    };
    enum class Effect {
        StartTimer, // start this key's hold timer with the current hold delay
        CancelTimer, // cancel this key's hold timer if it runs
        Resend, // send the short shortcut press anew: its first key-down was swallowed
        Held, // the press has become a hold
    };

    // The effects of one input, in the order they must be carried out. At most two ever follow from one
    // input, and a fixed list keeps the keyboard tap's callback free of allocation.
    class Effects {
    public:
        Effects() = default;
        Effects(std::initializer_list<Effect> effects);

        const Effect* begin() const { return m_effects.data(); }
        const Effect* end() const { return m_effects.data() + m_count; }
        std::size_t size() const { return m_count; }
        bool operator==(const Effects& other) const;

    private:
        std::array<Effect, 2> m_effects {};
        std::uint8_t m_count = 0;
    };

    struct Decision {
        // The keyboard event behind the input must be removed from the event stream (false for TimerFired).
        bool swallow = false;
        Effects effects;

        bool operator==(const Decision&) const = default;
    };

    Phase phase = Phase::Idle;

    // Moves to the next phase and says what to do about it.
    Decision handle(Input input);
};
