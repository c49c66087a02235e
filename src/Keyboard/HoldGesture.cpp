#include "Keyboard/HoldGesture.h"

#include <algorithm>
#include <cassert>

HoldGesture::Effects::Effects(std::initializer_list<Effect> effects)
{
    assert(effects.size() <= m_effects.size());
    m_count = static_cast<std::uint8_t>(std::min(effects.size(), m_effects.size()));
    std::copy_n(effects.begin(), m_count, m_effects.begin());
}

bool HoldGesture::Effects::operator==(const Effects& other) const
{
    return std::equal(begin(), end(), other.begin(), other.end());
}

HoldGesture::Decision HoldGesture::handle(Input input)
{
    switch (input) {
    case Input::Down: {
        // A second down while holding (its key-up was never seen) starts the hold afresh.
        const bool restart = phase == Phase::Holding;
        phase = Phase::Holding;
        if (restart)
            return { true, { Effect::CancelTimer, Effect::StartTimer } };
        return { true, { Effect::StartTimer } };
    }
    case Input::AutoRepeat:
        return { phase != Phase::Idle, {} };
    case Input::Up:
        switch (phase) {
        case Phase::Idle:
            return { false, {} };
        case Phase::Holding:
            phase = Phase::Idle;
            return { true, { Effect::CancelTimer, Effect::Resend } };
        case Phase::Fired:
            phase = Phase::Idle;
            return { true, {} };
        }
        break;
    case Input::TimerFired:
        if (phase == Phase::Holding) {
            phase = Phase::Fired;
            return { false, { Effect::Held } };
        }
        return { false, {} };
    }
    return { false, {} };
}
