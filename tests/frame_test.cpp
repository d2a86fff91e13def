// One frame: drawing order, the circle's box, and when a respawn shows.
#include <gtest/gtest.h>

#include <vector>

#include "scene/frame.h"
#include "surface_test_util.h"

namespace {

constexpr Colour RED = 0x004141CC;
constexpr Colour BLUE = 0x00F8B133;
constexpr Colour WHITE = 0x00FFFFFF;

int NoDraws()
{
    ADD_FAILURE() << "nothing should respawn";
    return 0;
}

int draws[8];
int drawn = 0;
int Scripted()
{
    return draws[drawn++ % 8];
}

class Frame : public ::testing::Test {
protected:
    void SetUp() override
    {
        ScreenWidth = 40;
        ScreenHeight = 20;
        SetUpPalette();
        backdrop = FilledSurface(ScreenWidth, ScreenHeight, BACKGROUND_COLOUR);
        back = CreateMemorySurface(ScreenWidth, ScreenHeight);
    }
    void TearDown() override
    {
        ReleaseSurface(back);
        ReleaseSurface(backdrop);
        ScreenWidth = ScreenHeight = 0;
    }
    Colour At(int x, int y)
    {
        return ReadPixels(back)[static_cast<std::size_t>(y) * ScreenWidth + x];
    }
    Surface* backdrop = nullptr;
    Surface* back = nullptr;
};

TEST_F(Frame, ParticleBoxIsTruncatedCentreMinusAndPlusRadius)
{
    const Particle p{10.7, 10.2, 0, 0, 3, RED};
    DrawParticle(back, p);
    Surface* expected = CreateMemorySurface(ScreenWidth, ScreenHeight);
    DrawEllipse(expected, 7, 7, 13, 13, BACKGROUND_COLOUR, RED);
    EXPECT_EQ(MaskOf(back, 0, BACKGROUND_COLOUR, RED), MaskOf(expected, 0, BACKGROUND_COLOUR, RED));
    ReleaseSurface(expected);
}

TEST_F(Frame, LinksLieUnderTheirOwnCircleAndOverEarlierOnes)
{
    // 0 sits between 1 and 2; the link 1-2, drawn after circle 0, crosses it.
    Particle ps[3] = {
        {20.0, 10.0, 0.001, 0.001, 3, RED},
        {10.0, 10.0, 0.001, 0.001, 3, BLUE},
        {30.0, 10.0, 0.001, 0.001, 3, WHITE},
    };
    ComposeFrame(back, backdrop, ps, 3, NoDraws);
    // The pair 1-2 is 20 apart: gray 135 - 20 = 115.
    EXPECT_EQ(At(20, 10), 0x00737373u) << "link 1-2 (gray 115) over circle 0";
    EXPECT_EQ(At(20, 9), RED) << "circle 0 beside the link";
    EXPECT_EQ(At(11, 10), BLUE) << "circle 1 over the start of its own links";
    EXPECT_EQ(At(15, 10), 0x00737373u) << "between the circles: link 1-2 drawn last";
    EXPECT_EQ(At(2, 2), BACKGROUND_COLOUR) << "the backdrop under it all";
}

TEST_F(Frame, LinkJoinsNewPositionToThePreviousFramesPosition)
{
    // Particle 0 moves 5 px right before its link is drawn; particle 1 is
    // drawn where it was, and only moves when its own turn comes.
    Particle ps[2] = {{5.0, 5.0, 5.0, 0.001, 2, RED}, {30.0, 15.0, 0.001, -5.0, 2, BLUE}};
    ComposeFrame(back, backdrop, ps, 2, NoDraws);
    Surface* expected = FilledSurface(ScreenWidth, ScreenHeight, BACKGROUND_COLOUR);
    const Particle a{10.0, 5.001, 0, 0, 2, RED};
    const Particle b1{30.001, 10.0, 0, 0, 2, BLUE};
    DrawLine(expected, 10, 5, 30, 15, 0x00707070); // 135 - sqrt(500) = 112.6
    DrawParticle(expected, a);
    DrawParticle(expected, b1);
    EXPECT_EQ(ReadPixels(back), ReadPixels(expected));
    ReleaseSurface(expected);
}

TEST_F(Frame, RespawnShowsOnlyFromTheNextFrame)
{
    // Steps onto x = 0 exactly: drawn there, half off-screen, then reborn on
    // the right edge (side 2) at y = 7, moving left.
    Particle ps[1] = {{0.5, 10.0, -0.5, 0.001, 3, RED}};
    const int script[8] = {2, 7, 1, 0, 0, 0, 3, 0};
    std::copy(std::begin(script), std::end(script), draws);
    drawn = 0;
    ComposeFrame(back, backdrop, ps, 1, Scripted);
    EXPECT_EQ(drawn, 7);
    EXPECT_EQ(At(1, 10), RED) << "drawn at x = 0 first";
    EXPECT_EQ(ps[0].x, 39.0);
    EXPECT_EQ(ps[0].y, 7.0);
    EXPECT_LT(ps[0].vx, 0.0);
    ComposeFrame(back, backdrop, ps, 1, NoDraws);
    EXPECT_EQ(At(1, 10), BACKGROUND_COLOUR) << "gone from the old place";
    EXPECT_EQ(At(37, 7), colors[3]) << "shown at the new place";
}

} // namespace
