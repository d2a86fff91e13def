// Where the portable saver's first frame goes: the steps of its start-up,
// made through the same functions in the same order, each timed, on this X
// display (run it inside tests/harness/xvfb.sh). Prints one line of step
// times in milliseconds; bench/startup-probe.sh takes medians.
#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "backdrop/backdrops.h"
#include "platform/portable/display/window.h"
#include "platform/system.h"
#include "scene/frame.h"

namespace {

using Clock = std::chrono::steady_clock;
Clock::time_point last;

double Lap()
{
    const Clock::time_point now = Clock::now();
    const double ms = std::chrono::duration<double, std::milli>(now - last).count();
    last = now;
    return ms;
}

// The main thread's wait for the window to be shown, as its event loop has it.
void AwaitShown()
{
    SDL_Event event;
    while (SDL_WaitEvent(&event) != 0)
        if (event.type == SDL_WINDOWEVENT && (event.window.event == SDL_WINDOWEVENT_SHOWN ||
                                              event.window.event == SDL_WINDOWEVENT_EXPOSED))
            return;
}

} // namespace

int main(int, char**)
{
    last = Clock::now();
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "startup-steps: %s\n", SDL_GetError());
        return 1;
    }
    const double sdl = Lap();
    if (!OpenSaverWindow("Vendrel Screensaver", BACKGROUND_COLOUR))
        return 1;
    const double window = Lap();
    AwaitShown();
    SaverWindow.sight.unmapped = false; // as the event loop has it when shown
    ApplySight();
    const double background = Lap();

    // The render thread's start-up, then its first frame.
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    const ScreenSize screen = DesktopSize();
    ScreenWidth = screen.width;
    ScreenHeight = screen.height;
    SetUpPalette();
    for (Particle& p : ParticleTable)
        SpawnParticle(p, SpawnMode::Initial, std::rand);
    Backdrops backdrops = BuildBackdrops(SaverWindow.frame, LoadLogo, ReportMissingLogo);
    const double backdropsMs = Lap();
    Surface* backBuffer = CreateCompatibleSurface(SaverWindow.frame, ScreenWidth, ScreenHeight);
    ComposeFrame(backBuffer, backdrops.surfaces[0], ParticleTable, PARTICLE_COUNT, std::rand);
    const double compose = Lap();
    PresentFrame(SaverWindow.frame, backBuffer);
    SaverWindow.presenter.finish();
    const double present = Lap();

    std::printf("sdl %.1f window %.1f background %.1f backdrops %.1f compose %.1f present %.1f\n",
                sdl, window, background, backdropsMs, compose, present);
    ReleaseSurface(backBuffer);
    ReleaseBackdrops(backdrops);
    SDL_Quit();
    return 0;
}
