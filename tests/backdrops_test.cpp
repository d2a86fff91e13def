#include <gtest/gtest.h>

#include <vector>

#include "backdrop/backdrops.h"
#include "surface_test_util.h"

namespace {

constexpr Colour LOGO = 0x00123456;
int reports = 0;

Surface* FakeLogo(Surface*)
{
    return FilledSurface(LOGO_WIDTH, LOGO_HEIGHT, LOGO);
}
Surface* NoLogo(Surface*)
{
    return nullptr;
}
void CountReport()
{
    ++reports;
}

struct Rect {
    int x, y, w, h;
};

// The pixels of `surface` must be the window's, but LOGO inside `logo`.
void ExpectStamp(Surface* backdrop, const std::vector<Colour>& window, Rect logo)
{
    const std::vector<Colour> pixels = ReadPixels(backdrop);
    ASSERT_EQ(pixels.size(), window.size());
    int wrong = 0, logoPixels = 0;
    for (int y = 0; y < ScreenHeight; ++y)
        for (int x = 0; x < ScreenWidth; ++x) {
            const bool inLogo =
                x >= logo.x && x < logo.x + logo.w && y >= logo.y && y < logo.y + logo.h;
            const std::size_t i = static_cast<std::size_t>(y) * ScreenWidth + x;
            logoPixels += inLogo;
            wrong += pixels[i] != (inLogo ? LOGO : window[i]);
        }
    EXPECT_EQ(wrong, 0) << "logo expected at " << logo.x << "," << logo.y;
    EXPECT_GT(logoPixels, 0);
}

class BackdropSet : public ::testing::Test {
protected:
    void Build(int width, int height)
    {
        ScreenWidth = width;
        ScreenHeight = height;
        // A window with something on it, so a copy is told from a fill.
        window = FilledSurface(width, height, BACKGROUND_COLOUR);
        DrawLine(window, 0, 0, width, height, 0x00FFFFFF);
        windowPixels = ReadPixels(window);
        reports = 0;
    }
    void TearDown() override
    {
        ReleaseBackdrops(set);
        ReleaseSurface(window);
        ScreenWidth = ScreenHeight = 0;
    }
    Surface* window = nullptr;
    std::vector<Colour> windowPixels;
    Backdrops set{};
};

TEST_F(BackdropSet, LogoVisitsTheFourCornersOfAFullHdScreen)
{
    Build(1920, 1080);
    set = BuildBackdrops(window, FakeLogo, CountReport);
    EXPECT_EQ(reports, 0);
    EXPECT_EQ(ReadPixels(set.surfaces[0]), windowPixels);
    ExpectStamp(set.surfaces[1], windowPixels, {100, 100, 50, 39});
    ExpectStamp(set.surfaces[2], windowPixels, {1820, 100, 50, 39});
    ExpectStamp(set.surfaces[3], windowPixels, {1820, 980, 50, 39});
    ExpectStamp(set.surfaces[4], windowPixels, {100, 980, 50, 39});
}

TEST_F(BackdropSet, SmallestScreenThatHoldsTheLogoAndOneThatDoesNot)
{
    Build(150, 139);
    set = BuildBackdrops(window, FakeLogo, CountReport);
    ExpectStamp(set.surfaces[1], windowPixels, {100, 100, 50, 39});
    ExpectStamp(set.surfaces[3], windowPixels, {50, 39, 50, 39});
    ReleaseBackdrops(set);
    ReleaseSurface(window);

    // Too small: each stamp is clipped to the screen, nothing is written outside.
    Build(120, 110);
    set = BuildBackdrops(window, FakeLogo, CountReport);
    ExpectStamp(set.surfaces[1], windowPixels, {100, 100, 20, 10});
    ExpectStamp(set.surfaces[2], windowPixels, {20, 100, 50, 10});
    ExpectStamp(set.surfaces[4], windowPixels, {100, 10, 20, 39});
}

TEST_F(BackdropSet, BuildingTwiceGivesTheSameImages)
{
    Build(320, 240);
    set = BuildBackdrops(window, FakeLogo, CountReport);
    Backdrops again = BuildBackdrops(window, FakeLogo, CountReport);
    for (int k = 0; k < BACKDROP_COUNT; ++k)
        EXPECT_EQ(ReadPixels(set.surfaces[k]), ReadPixels(again.surfaces[k])) << "backdrop " << k;
    ReleaseBackdrops(again);
    for (Surface* s : again.surfaces)
        EXPECT_EQ(s, nullptr);
}

TEST_F(BackdropSet, MissingLogoIsReportedOnceAndLeavesPlainSnapshots)
{
    Build(320, 240);
    set = BuildBackdrops(window, NoLogo, CountReport);
    EXPECT_EQ(reports, 1);
    for (int k = 0; k < BACKDROP_COUNT; ++k)
        EXPECT_EQ(ReadPixels(set.surfaces[k]), windowPixels) << "backdrop " << k;
}

} // namespace

namespace {

// Screens from a single pixel up: each stamp is clipped to the screen, and
// under AddressSanitizer any write outside a surface would stop the test.
TEST_F(BackdropSet, TinyScreensStillBuild)
{
    for (const auto& [w, h] : {std::pair{1, 1}, {2, 2}, {100, 100}, {149, 138}}) {
        Build(w, h);
        set = BuildBackdrops(window, FakeLogo, CountReport);
        for (int k = 0; k < BACKDROP_COUNT; ++k) {
            ASSERT_NE(set.surfaces[k], nullptr);
            EXPECT_EQ(SurfaceWidth(set.surfaces[k]), w);
            EXPECT_EQ(SurfaceHeight(set.surfaces[k]), h);
        }
        // 149 x 138: the corners have crossed over, the "right-hand" logo
        // lands left of the left-hand one, and the bottom row clips it.
        if (w == 149)
            ExpectStamp(set.surfaces[2], windowPixels, {49, 100, 50, 38});
        ReleaseBackdrops(set);
        ReleaseSurface(window);
        window = nullptr;
    }
}

} // namespace
