#include <gtest/gtest.h>

#include <thread>

#include "app/stop_rules.h"
#include "platform/system.h"
#include "scene/render_thread.h"
#include "scene/scene.h"

namespace {

TEST(StopRules, KeyDownPausesLessThanEverythingElse)
{
    EXPECT_EQ(StopPauseMs(Trigger::Key), 45);
    for (Trigger t : {Trigger::SystemKey, Trigger::MouseButton, Trigger::Wheel, Trigger::RawInput})
        EXPECT_EQ(StopPauseMs(t), 100);
}

TEST(StopRules, OnlyARawRecordThatCarriesSomethingIsInput)
{
    EXPECT_FALSE(RawMouseIsInput(0, 0, 0));
    EXPECT_TRUE(RawMouseIsInput(1, 0, 0));
    EXPECT_TRUE(RawMouseIsInput(0, -1, 0));
    EXPECT_TRUE(RawMouseIsInput(0, 0, 0x0001)) << "a button";
    EXPECT_TRUE(RawMouseIsInput(0, 0, 0x0400)) << "the wheel";
}

class Halting : public ::testing::Test {
protected:
    void TearDown() override
    {
        RunFlag.store(true);
        WindowSurfaceInUse.store(false);
    }
};

TEST_F(Halting, WaitsForTheRenderThreadToLeaveTheWindow)
{
    RunFlag.store(true);
    WindowSurfaceInUse.store(true);
    // A render thread that finishes its frame a little after the pause.
    std::thread render([] {
        while (RunFlag.load())
            SleepMs(1);
        SleepMs(150);
        WindowSurfaceInUse.store(false, std::memory_order_release);
    });
    HaltRendering(45);
    EXPECT_FALSE(RunFlag.load());
    EXPECT_FALSE(WindowSurfaceInUse.load()) << "returned while the window was still drawn on";
    render.join();
}

TEST_F(Halting, GivesUpOnARenderThreadThatNeverFinishes)
{
    RunFlag.store(true);
    WindowSurfaceInUse.store(true);
    HaltRendering(0);
    EXPECT_FALSE(RunFlag.load());
    EXPECT_TRUE(WindowSurfaceInUse.load());
}

TEST_F(Halting, RunFlagStaysDownThroughRepeatedStops)
{
    HaltRendering(0);
    HaltRendering(0);
    EXPECT_FALSE(RunFlag.load());
}

} // namespace
