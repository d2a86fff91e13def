#include "app/stop_rules.h"

#include "platform/system.h"
#include "scene/render_thread.h"
#include "scene/scene.h"

namespace {

constexpr int KEY_PAUSE_MS = 45;
constexpr int OTHER_PAUSE_MS = 100;
constexpr int FRAME_WAIT_STEP_MS = 5;

} // namespace

int StopPauseMs(Trigger trigger)
{
    return trigger == Trigger::Key ? KEY_PAUSE_MS : OTHER_PAUSE_MS;
}

bool RawMouseIsInput(long dx, long dy, unsigned buttonFlags)
{
    return dx != 0 || dy != 0 || buttonFlags != 0;
}

void HaltRendering(int pauseMs, int frameWaitMs)
{
    RunFlag.store(false, std::memory_order_relaxed);
    SleepMs(pauseMs);
    for (int waited = 0; waited < frameWaitMs; waited += FRAME_WAIT_STEP_MS) {
        if (!WindowSurfaceInUse.load(std::memory_order_acquire))
            return;
        SleepMs(FRAME_WAIT_STEP_MS);
    }
}
