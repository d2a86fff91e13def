// One frame: drawing order, the circle's box, when a respawn shows, and
// frames that restore only what was drawn.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "backdrop/backdrops.h"
#include "platform/portable/rasterizer/window_pixels.h"
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

// A window manager may size the window otherwise than the screen: what
// reaches the window is clipped to it, the first frame and every later one.
TEST_F(Frame, PresentsOnlyWhatFitsAWindowOfAnotherSize)
{
    Particle ps[2] = {{37.0, 18.0, 0.5, 0.25, 6, RED}, {30.0, 12.0, -0.5, 0.5, 3, BLUE}};
    constexpr int WIDTH = 31, HEIGHT = 15, PITCH = WIDTH * 4 + 8;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(PITCH) * HEIGHT, 0xEE);
    WindowPixels window{bytes.data(), PITCH, WIDTH, HEIGHT, 4, ConvertToXbgr, {}, {}};
    for (int frame = 0; frame < 3; ++frame) {
        ComposeFrame(back, backdrop, ps, 2, NoDraws);
        PresentPixels(window, back);
        for (int y = 0; y < HEIGHT; ++y) {
            const std::uint8_t* row = bytes.data() + static_cast<std::size_t>(y) * PITCH;
            ASSERT_EQ(std::memcmp(row, RowOf(back, y), WIDTH * 4), 0) << "row " << y;
            ASSERT_EQ(row[WIDTH * 4], 0xEE) << "written past the window's row " << y;
        }
    }
}

// A frame restores only what the last one drew and presents only what
// changed. Every frame must still be exactly what whole copies give: the
// backdrop copied whole under the same drawing, and the whole frame on the
// window. Two identical scenes run side by side, one on a surface made to
// forget its history every frame.
class RestoredFrames : public ::testing::TestWithParam<std::pair<int, int>> {};

std::minstd_rand drawsA, drawsB;
int DrawA()
{
    return static_cast<int>(drawsA());
}
int DrawB()
{
    return static_cast<int>(drawsB());
}

// A logo with a different colour in nearly every pixel, so a pixel restored
// from the wrong place shows.
Surface* PatternLogo(Surface*)
{
    Surface* logo = CreateMemorySurface(LOGO_WIDTH, LOGO_HEIGHT);
    for (int y = 0; y < LOGO_HEIGHT; ++y)
        DrawLine(logo, 0, y, LOGO_WIDTH, y, 0x00010203u * static_cast<Colour>(y + 1));
    for (int x = 0; x < LOGO_WIDTH; x += 3)
        DrawLine(logo, x, 0, x, LOGO_HEIGHT, 0x00302010u + static_cast<Colour>(x));
    return logo;
}

void NoReport() {}

// Window pixels, and the display's copy of them, which gets only the
// rectangles that the window's damage names.
struct Window {
    std::vector<std::uint8_t> bytes, sent;
    WindowPixels pixels;
    Window(int width, int height, bool (*convert)(const Colour*, std::uint8_t*, int))
        : bytes(static_cast<std::size_t>(width) * height * 4),
          sent(bytes.size()), pixels{bytes.data(), width * 4, width, height, 4, convert, {}, {}}
    {
        ClearDamage(pixels.changed, width, height);
    }
    const std::uint8_t* Row(int y, bool asSent = false) const
    {
        return (asSent ? sent : bytes).data() + static_cast<std::size_t>(y) * pixels.pitch;
    }
    // Returns how many rectangles went.
    std::size_t Send()
    {
        const auto rects = DamageRects(pixels.changed, pixels.width, pixels.height);
        for (const PixelRect& r : rects)
            for (int y = r.y; y < r.y + r.height; ++y) {
                const std::size_t at = static_cast<std::size_t>(y) * pixels.pitch + r.x * 4;
                std::memcpy(sent.data() + at, bytes.data() + at, r.width * 4);
            }
        ClearDamage(pixels.changed, pixels.width, pixels.height);
        return rects.size();
    }
};

// The window holds `frame` converted whole; or, `asSent`, the display does.
bool Shows(const Window& window, Surface* frame, std::vector<std::uint8_t>& scratch,
           bool asSent = false)
{
    const std::size_t bytes = static_cast<std::size_t>(frame->width) * 4;
    scratch.resize(bytes);
    const bool sameLayout = window.pixels.convert == ConvertToXbgr;
    for (int y = 0; y < frame->height; ++y) {
        const void* expected = RowOf(frame, y);
        if (!sameLayout) {
            window.pixels.convert(RowOf(frame, y), scratch.data(), frame->width);
            expected = scratch.data();
        }
        if (std::memcmp(expected, window.Row(y, asSent), bytes) != 0)
            return false;
    }
    return true;
}

TEST_P(RestoredFrames, EqualWholeCopiesEveryFrame)
{
    constexpr int FRAMES = 10000;
    constexpr int SWAPPED_EVERY = 16; // the window in X11's layout, checked less often
    const auto [width, height] = GetParam();
    ScreenWidth = width;
    ScreenHeight = height;
    SetUpPalette();
    drawsA.seed(7);
    Particle a[PARTICLE_COUNT], b[PARTICLE_COUNT];
    for (Particle& p : a)
        SpawnParticle(p, SpawnMode::Initial, DrawA);
    // Partly and wholly off the screen at the start; respawned after.
    a[0].x = -30;
    a[1].x = width + 2.5;
    a[2].y = -3.5;
    std::copy(std::begin(a), std::end(a), b);
    drawsB = drawsA;

    Surface* window = FilledSurface(width, height, BACKGROUND_COLOUR);
    Backdrops backdrops = BuildBackdrops(window, PatternLogo, NoReport);
    Surface* restored = CreateMemorySurface(width, height);
    Surface* whole = CreateMemorySurface(width, height);
    Window plain(width, height, ConvertToXbgr), swapped(width, height, ConvertToXrgb);
    // Two windows taking the frames in turn, as buffers handed to a
    // compositor do: each holds the frame before the last.
    Window twins[2] = {{width, height, ConvertToXbgr}, {width, height, ConvertToXbgr}};
    std::vector<std::uint8_t> scratch;

    std::mt19937 rng(2026);
    int backdrop = 0, changes = 0, wholePlain = 0, wholeTwins = 0;
    std::size_t mostRects = 0;
    for (int frame = 1; frame <= FRAMES; ++frame) {
        if (rng() % 40 == 0) {
            backdrop = static_cast<int>(rng() % BACKDROP_COUNT);
            ++changes;
        }
        ComposeFrame(restored, backdrops.surfaces[backdrop], a, PARTICLE_COUNT, DrawA);
        PresentPixels(plain.pixels, restored);
        wholePlain += plain.pixels.changed.whole;
        PresentPixels(swapped.pixels, restored);
        Window& twin = twins[frame % 2];
        PresentPixels(twin.pixels, restored);
        wholeTwins += twin.pixels.changed.whole;
        ClearDamage(twin.pixels.changed, width, height);
        // Now and then the display is sent two frames at once.
        const bool send = rng() % 8 != 0;
        if (send)
            mostRects = std::max(mostRects, plain.Send());
        FillSurface(whole, 0x00FF00FF); // forgets where it was filled from
        ComposeFrame(whole, backdrops.surfaces[backdrop], b, PARTICLE_COUNT, DrawB);
        ASSERT_TRUE(SamePixels(restored, whole)) << "frame " << frame << " after restoring";
        ASSERT_TRUE(Shows(plain, whole, scratch)) << "frame " << frame << " on the window";
        ASSERT_TRUE(Shows(twin, whole, scratch)) << "frame " << frame << " on a twin";
        if (send) {
            ASSERT_TRUE(Shows(plain, whole, scratch, true)) << "frame " << frame << " as sent";
        }
        if (frame % SWAPPED_EVERY == 0) {
            ASSERT_TRUE(Shows(swapped, whole, scratch))
                << "frame " << frame << " on the X11 window";
        }
    }
    EXPECT_GT(changes, 100) << "the backdrop changed too rarely to test it";
    // Each change of backdrop costs the twins one whole frame more than the
    // window, and so does the start.
    EXPECT_LE(wholeTwins, wholePlain + changes + 1) << "twins brought up to a frame whole";
    // The first frame and each change of backdrop go whole; the others in
    // a few hundred rectangles at most.
    EXPECT_LT(mostRects, 600u) << "rectangles in one send";
    for (int i = 0; i < PARTICLE_COUNT; ++i)
        ASSERT_TRUE(a[i].x == b[i].x && a[i].y == b[i].y && a[i].vx == b[i].vx &&
                    a[i].vy == b[i].vy && a[i].radius == b[i].radius && a[i].colour == b[i].colour)
            << "the two scenes drifted apart at particle " << i;
    ReleaseSurface(whole);
    ReleaseSurface(restored);
    ReleaseBackdrops(backdrops);
    ReleaseSurface(window);
    ScreenWidth = ScreenHeight = 0;
}

INSTANTIATE_TEST_SUITE_P(Screens, RestoredFrames,
                         ::testing::Values(std::pair{1, 1}, std::pair{149, 138},
                                           std::pair{1280, 720}, std::pair{1920, 1080}),
                         [](const auto& info) {
                             return std::to_string(info.param.first) + "x" +
                                    std::to_string(info.param.second);
                         });

} // namespace
