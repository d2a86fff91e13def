#include <gtest/gtest.h>

#include "backdrop/rotation.h"
#include "scene/scene.h"

namespace {

class Rotation : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset()
    {
        TickCount = 0;
        BackdropIndex.store(0);
        RunFlag.store(true);
    }
};

TEST_F(Rotation, TwentyTicksCountedTheTwentyFirstSwitches)
{
    for (int i = 0; i < 20; ++i)
        RotationTick();
    EXPECT_EQ(TickCount, 20);
    EXPECT_EQ(BackdropIndex.load(), 0);
    RotationTick();
    EXPECT_EQ(TickCount, 0);
    EXPECT_EQ(BackdropIndex.load(), 1);
}

TEST_F(Rotation, FourWrapsToZero)
{
    BackdropIndex.store(4);
    TickCount = 20;
    RotationTick();
    EXPECT_EQ(BackdropIndex.load(), 0);
}

// The thread over a sleeper that only counts: a whole 105-second cycle in
// no time, and every index it ever stores stays in 0..4.
int sleeps = 0;
int sleptMs = 0;
int stopAfter = 0;
int seen[BACKDROP_COUNT];
bool outOfRange = false;

void CountingSleep(int ms)
{
    ++sleeps;
    sleptMs += ms;
    const int index = BackdropIndex.load();
    if (index < 0 || index >= BACKDROP_COUNT)
        outOfRange = true;
    else
        ++seen[index];
    if (sleeps == stopAfter)
        RunFlag.store(false);
}

TEST_F(Rotation, ThreadCyclesThroughAllFiveIn105Seconds)
{
    sleeps = sleptMs = 0;
    outOfRange = false;
    std::fill(std::begin(seen), std::end(seen), 0);
    stopAfter = 105;
    EXPECT_EQ(RotationThread(CountingSleep), 0);
    EXPECT_EQ(sleptMs, 105 * 1000);
    EXPECT_FALSE(outOfRange);
    // 20 s on backdrop 0 at the start, then 21 s each; the cycle closes on 0.
    EXPECT_EQ(seen[0], 20 + 1);
    for (int k = 1; k < BACKDROP_COUNT; ++k)
        EXPECT_EQ(seen[k], 21) << "backdrop " << k;
    EXPECT_EQ(BackdropIndex.load(), 0);
}

TEST_F(Rotation, ThreadReturnsAtOnceWhenAlreadyStopped)
{
    RunFlag.store(false);
    sleeps = 0;
    stopAfter = -1;
    EXPECT_EQ(RotationThread(CountingSleep), 0);
    EXPECT_EQ(sleeps, 0);
    EXPECT_EQ(TickCount, 0);
    EXPECT_EQ(BackdropIndex.load(), 0);
}

} // namespace
