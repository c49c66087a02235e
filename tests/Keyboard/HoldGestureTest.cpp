#include "Keyboard/HoldGesture.h"

#include <gtest/gtest.h>

namespace {

using Phase = HoldGesture::Phase;
using Input = HoldGesture::Input;
using Effect = HoldGesture::Effect;

struct Row {
    Phase phase;
    Input input;
    Phase newPhase;
    bool swallow;
    HoldGesture::Effects effects;
};

} // namespace

TEST(HoldGesture, FollowsTheTransitionTable)
{
    const Row rows[] = {
        { Phase::Idle, Input::Down, Phase::Holding, true, { Effect::StartTimer } },
        { Phase::Holding, Input::Down, Phase::Holding, true, { Effect::CancelTimer, Effect::StartTimer } },
        { Phase::Fired, Input::Down, Phase::Holding, true, { Effect::StartTimer } },
        { Phase::Idle, Input::AutoRepeat, Phase::Idle, false, {} },
        { Phase::Holding, Input::AutoRepeat, Phase::Holding, true, {} },
        { Phase::Fired, Input::AutoRepeat, Phase::Fired, true, {} },
        { Phase::Idle, Input::Up, Phase::Idle, false, {} },
        { Phase::Holding, Input::Up, Phase::Idle, true, { Effect::CancelTimer, Effect::Resend } },
        { Phase::Fired, Input::Up, Phase::Idle, true, {} },
        { Phase::Idle, Input::TimerFired, Phase::Idle, false, {} },
        { Phase::Holding, Input::TimerFired, Phase::Fired, false, { Effect::Held } },
        { Phase::Fired, Input::TimerFired, Phase::Fired, false, {} },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message()
            << "phase " << static_cast<int>(row.phase) << ", input " << static_cast<int>(row.input));
        HoldGesture gesture { row.phase };
        const HoldGesture::Decision decision = gesture.handle(row.input);
        EXPECT_EQ(gesture.phase, row.newPhase);
        EXPECT_EQ(decision.swallow, row.swallow);
        EXPECT_EQ(decision.effects, row.effects);
    }
}
