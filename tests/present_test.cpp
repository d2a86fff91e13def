// The window as the X server holds it, frame after frame: the render
// thread's presenter sends it only the rectangles that changed, and what
// the server then has must be the whole frame, also after the window was
// cleared by an exposure, resized, or hidden and seen again. Runs on the X
// display it is given (tests/harness/xvfb.sh).
// gtest first: Xlib's macros (None, Bool) would break it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <random>

#include "backdrop/backdrops.h"
#include "platform/portable/display/window.h"
#include "platform/system.h"
#include "scene/frame.h"

#include <SDL_syswm.h>
#include <X11/Xutil.h>

namespace {

void AwaitShown()
{
    SDL_Event event;
    while (SDL_WaitEvent(&event) != 0)
        if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_EXPOSED)
            return;
}

// How many pixels of the server's copy differ from `frame`, where the
// window has them.
long DifferingPixels(Display* display, Window window, Surface* frame)
{
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, window, &attributes);
    const int width = std::min(SurfaceWidth(frame), attributes.width);
    const int height = std::min(SurfaceHeight(frame), attributes.height);
    XImage* image = XGetImage(display, window, 0, 0, width, height, AllPlanes, ZPixmap);
    if (image == nullptr)
        return -1;
    const std::vector<Colour> pixels = ReadPixels(frame);
    long differ = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Colour c = pixels[static_cast<std::size_t>(y) * SurfaceWidth(frame) + x];
            const unsigned long rgb = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
            differ += (XGetPixel(image, x, y) & 0xFFFFFF) != rgb;
        }
    XDestroyImage(image);
    return differ;
}

TEST(Present, TheServersCopyIsTheWholeFrameAfterEveryFrame)
{
    constexpr int FRAMES = 300;
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    ASSERT_TRUE(OpenSaverWindow("Vendrel Screensaver", BACKGROUND_COLOUR)) << SDL_GetError();
    AwaitShown();
    SaverWindow.sight.unmapped = false;
    ApplySight();
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    ASSERT_TRUE(SDL_GetWindowWMInfo(SaverWindow.window, &info));

    std::srand(2026);
    const ScreenSize screen = DesktopSize();
    ScreenWidth = screen.width;
    ScreenHeight = screen.height;
    SetUpPalette();
    for (Particle& p : ParticleTable)
        SpawnParticle(p, SpawnMode::Initial, std::rand);
    Backdrops backdrops = BuildBackdrops(SaverWindow.frame, LoadLogo, ReportMissingLogo);
    Surface* backBuffer = CreateCompatibleSurface(SaverWindow.frame, ScreenWidth, ScreenHeight);
    Display* display = info.info.x11.display;
    const Window window = info.info.x11.window;
    // What the main thread sees, and tells the presenter of, before a frame.
    auto clear = [&] {
        XClearArea(display, window, 0, 0, 0, 0, False);
        XSync(display, False);
    };
    const std::map<int, std::function<void()>> events = {
        {60, [&] { clear(), ShowWholeFrameNext(); }}, // exposed
        {120,
         [&] {
             XResizeWindow(display, window, ScreenWidth / 2, ScreenHeight / 3),
                 XSync(display, False), ShowWholeFrameNext();
         }},
        {180,
         [&] {
             XResizeWindow(display, window, ScreenWidth, ScreenHeight), XSync(display, False),
                 ShowWholeFrameNext();
         }},
        {240,
         [&] {
             SaverWindow.sight.obscured = true;
             ApplySight();
             clear(); // what covered it left anything there
             SaverWindow.sight.obscured = false;
             ApplySight();
         }},
    };
    std::mt19937 rng(20);
    int backdrop = 0;
    for (int frame = 1; frame <= FRAMES; ++frame) {
        if (rng() % 50 == 0)
            backdrop = static_cast<int>(rng() % BACKDROP_COUNT);
        if (const auto event = events.find(frame); event != events.end())
            event->second();
        ComposeFrame(backBuffer, backdrops.surfaces[backdrop], ParticleTable, PARTICLE_COUNT,
                     std::rand);
        PresentFrame(SaverWindow.frame, backBuffer);
        // Now and then the server is slow, and the next frame comes before
        // it has copied the last.
        if (rng() % 6 == 0 && events.count(frame) == 0)
            continue;
        SaverWindow.presenter.finish();
        ASSERT_EQ(DifferingPixels(display, window, backBuffer), 0) << "frame " << frame;
    }
    ReleaseSurface(backBuffer);
    ReleaseBackdrops(backdrops);
    SDL_Quit();
}

} // namespace
