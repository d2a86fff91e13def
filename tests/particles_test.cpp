// Spawning and motion under a scripted generator: the order of draws is
// part of the behaviour, so each test lists the draws it feeds.
#include <gtest/gtest.h>

#include <deque>

#include "scene/particles.h"

namespace {

std::deque<int> script;
int consumed = 0;

int Scripted()
{
    ++consumed;
    if (script.empty())
        return 0;
    const int v = script.front();
    script.pop_front();
    return v;
}

class Spawning : public ::testing::Test {
protected:
    void SetUp() override
    {
        ScreenWidth = 640;
        ScreenHeight = 480;
        SetUpPalette();
        script.clear();
        consumed = 0;
    }
    void TearDown() override
    {
        ScreenWidth = 0;
        ScreenHeight = 0;
    }
    static Particle Spawn(SpawnMode mode, std::deque<int> draws)
    {
        script = std::move(draws);
        Particle p{};
        SpawnParticle(p, mode, Scripted);
        return p;
    }
};

TEST_F(Spawning, InitialSpawnDrawsSideXYRadiusSpeedsCoinColour)
{
    // side 1, x 700 % 640, y 1000 % 480, radius 7 % 5 + 2, speeds 0 + 1 and
    // 199 % 100 + 1, coin 1, colour 9 % 7 = 2.
    const Particle p = Spawn(SpawnMode::Initial, {1, 700, 1000, 7, 0, 199, 1, 9});
    EXPECT_EQ(consumed, 8);
    EXPECT_EQ(p.x, 60.0);
    EXPECT_EQ(p.y, 40.0);
    EXPECT_EQ(p.radius, 4);
    EXPECT_EQ(p.vx, -static_cast<double>(1.0f / 276.0f)) << "side 1, coin 1: vx negated";
    EXPECT_EQ(p.vy, static_cast<double>(100.0f / 276.0f)) << "side 1: vy stays positive";
    EXPECT_EQ(p.colour, 0x00FFFFFFu);
}

TEST_F(Spawning, EdgeSpawnTakesNoDrawForTheFixedCoordinate)
{
    const Particle left = Spawn(SpawnMode::Edge, {0, 479, 0, 9, 9, 1, 6});
    EXPECT_EQ(consumed, 7);
    EXPECT_EQ(left.x, 1.0);
    EXPECT_EQ(left.y, 479.0);
    EXPECT_EQ(left.radius, 2);
    EXPECT_EQ(left.colour, 0x0084E8F9u);

    const Particle top = Spawn(SpawnMode::Edge, {1, 5});
    EXPECT_EQ(top.x, 5.0);
    EXPECT_EQ(top.y, 1.0);
    const Particle right = Spawn(SpawnMode::Edge, {2, 7});
    EXPECT_EQ(right.x, 639.0);
    EXPECT_EQ(right.y, 7.0);
    EXPECT_FALSE(IsOutside(right)) << "one pixel inside the right edge";
    const Particle bottom = Spawn(SpawnMode::Edge, {3, 8});
    EXPECT_EQ(bottom.x, 8.0);
    EXPECT_EQ(bottom.y, 479.0);
}

TEST_F(Spawning, DirectionBySideAndCoin)
{
    struct Case {
        int side, coin;
        bool vxPositive, vyPositive;
    };
    const Case cases[] = {
        {0, 0, true, true},  {0, 1, true, false},  {1, 0, true, true},  {1, 1, false, true},
        {2, 0, false, true}, {2, 1, false, false}, {3, 0, true, false}, {3, 1, false, false},
    };
    for (const Case& c : cases) {
        const Particle p = Spawn(SpawnMode::Edge, {c.side, 3, 0, 4, 4, c.coin, 0});
        EXPECT_EQ(p.vx > 0, c.vxPositive) << "side " << c.side << " coin " << c.coin;
        EXPECT_EQ(p.vy > 0, c.vyPositive) << "side " << c.side << " coin " << c.coin;
    }
}

TEST_F(Spawning, SpeedIsTheSinglePrecisionQuotientWidened)
{
    const Particle slow = Spawn(SpawnMode::Edge, {0, 0, 0, 0, 99});
    EXPECT_NEAR(slow.vx, 0.00362318847, 1e-11);
    EXPECT_NE(slow.vx, 1.0 / 276.0) << "not the double quotient";
    EXPECT_NEAR(slow.vy, 0.36231884360, 1e-11);
}

TEST_F(Spawning, ZeroScreenSizeDoesNotDivideByZero)
{
    ScreenWidth = 0;
    ScreenHeight = 0;
    const Particle p = Spawn(SpawnMode::Initial, {0, 12345, 777, 0, 0, 0, 0, 0});
    EXPECT_EQ(consumed, 8) << "the draws stay in step";
    EXPECT_EQ(p.x, 0.0);
    EXPECT_EQ(p.y, 0.0);
}

TEST_F(Spawning, EdgeSpawnOnTheBoundaryLeavesAtOnceWhenMovingOut)
{
    Particle out = Spawn(SpawnMode::Edge, {0, 0, 0, 0, 0, 1, 0}); // y 0, vy negative
    StepParticle(out);
    EXPECT_TRUE(IsOutside(out));
    Particle in = Spawn(SpawnMode::Edge, {0, 0, 0, 0, 0, 0, 0});
    StepParticle(in);
    EXPECT_FALSE(IsOutside(in));
}

TEST(Motion, OutsideOnOrBeyondEveryEdge)
{
    ScreenWidth = 100;
    ScreenHeight = 50;
    Particle p{0.2, 10, -0.25, 0, 3, 0};
    StepParticle(p);
    EXPECT_DOUBLE_EQ(p.x, -0.05);
    EXPECT_TRUE(IsOutside(p));
    Particle q{99.9, 10, 0.1, 0, 3, 0};
    StepParticle(q);
    EXPECT_TRUE(IsOutside(q)) << "x reaches 100 within rounding";
    EXPECT_TRUE(IsOutside(Particle{0, 10, 0, 0, 3, 0}));
    EXPECT_TRUE(IsOutside(Particle{10, 50, 0, 0, 3, 0}));
    EXPECT_TRUE(IsOutside(Particle{10, 0, 0, 0, 3, 0}));
    EXPECT_FALSE(IsOutside(Particle{99.99, 49.99, 0, 0, 3, 0}));
    ScreenWidth = 0;
    ScreenHeight = 0;
}

TEST(SharedState, StartsAsTheSaverExpects)
{
    EXPECT_TRUE(RunFlag.load());
    EXPECT_EQ(BackdropIndex.load(), 0);
    EXPECT_EQ(ScreenWidth, 0);
    EXPECT_EQ(ScreenHeight, 0);
    for (const Particle& p : ParticleTable)
        ASSERT_TRUE(p.x == 0 && p.y == 0 && p.vx == 0 && p.vy == 0 && p.radius == 0 &&
                    p.colour == 0);
}

} // namespace
