#include "backdrop/rotation.h"

#include "scene/scene.h"

void RotationTick()
{
    if (TickCount == ROTATION_TICKS) {
        TickCount = 0;
        const int index = BackdropIndex.load(std::memory_order_relaxed);
        BackdropIndex.store(index == BACKDROP_COUNT - 1 ? 0 : index + 1, std::memory_order_relaxed);
    } else {
        ++TickCount;
    }
}

int RotationThread(Sleeper sleep)
{
    while (RunFlag.load(std::memory_order_relaxed)) {
        RotationTick();
        sleep(ROTATION_TICK_MS);
    }
    return 0;
}
