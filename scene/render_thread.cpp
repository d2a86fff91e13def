#include "scene/render_thread.h"

#include <cstdint>
#include <cstdlib>
#include <ctime>

#include "backdrop/backdrops.h"
#include "platform/system.h"
#include "scene/frame.h"

int RenderThread(Surface* window)
{
    std::srand(static_cast<unsigned>(static_cast<std::uint32_t>(std::time(nullptr))));
    const ScreenSize screen = DesktopSize();
    ScreenWidth = screen.width;
    ScreenHeight = screen.height;
    SetUpPalette();
    for (Particle& p : ParticleTable)
        SpawnParticle(p, SpawnMode::Initial, std::rand);
    Backdrops backdrops = BuildBackdrops(window, LoadLogo, ReportMissingLogo);
    Surface* backBuffer = CreateCompatibleSurface(window, ScreenWidth, ScreenHeight);

    while (RunFlag.load(std::memory_order_relaxed)) {
        const int index = BackdropIndex.load(std::memory_order_relaxed);
        ComposeFrame(backBuffer, backdrops.surfaces[index], ParticleTable, PARTICLE_COUNT,
                     std::rand);
        PresentFrame(window, backBuffer);
        SleepMs(FRAME_PAUSE_MS);
    }
    WindowSurfaceInUse.store(false, std::memory_order_release);

    // Everything made here goes, all five backdrops included.
    ReleaseSurface(backBuffer);
    ReleaseBackdrops(backdrops);
    return 0;
}
