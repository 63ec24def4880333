// The time a step may take and what each Stop does.
#include "engine/engine_state.h"

#include <chrono>

#include <gtest/gtest.h>

TEST(StepTimeLimit, GrowsWithEveryStartedMegabyte)
{
    EngineState state;
    EXPECT_EQ(state.timeLimitFor(0), std::chrono::minutes(2));
    EXPECT_EQ(state.timeLimitFor(1), std::chrono::minutes(3));
    EXPECT_EQ(state.timeLimitFor(1024 * 1024), std::chrono::minutes(3));
    EXPECT_EQ(state.timeLimitFor(1024 * 1024 + 1), std::chrono::minutes(4));
}

TEST(StopCommand, FirstStopsTheJobASecondEndsItsTool)
{
    EngineState state;
    state.requestStop();
    EXPECT_FALSE(state.abortTools) << "a stop without a job does nothing";
    state.running = true;
    state.jobActive = true;
    state.requestStop();
    EXPECT_FALSE(state.running);
    EXPECT_FALSE(state.abortTools);
    state.requestStop();
    EXPECT_TRUE(state.abortTools);
}
