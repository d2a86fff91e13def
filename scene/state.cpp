// The scene's globals, zero or at their initial values before anything runs.
#include "scene/scene.h"

#include "scene/render_thread.h"

int SHADE_TOP = 135;
int SHADE_FLOOR = 42;

Particle ParticleTable[PARTICLE_COUNT];
Colour colors[PALETTE_SIZE];

std::atomic<bool> RunFlag{true};
std::atomic<int> BackdropIndex{0};
std::atomic<bool> WindowSurfaceInUse{false};
int TickCount = 0;
int ScreenWidth = 0;
int ScreenHeight = 0;

void SetUpPalette()
{
    static constexpr Colour palette[PALETTE_SIZE] = {
        0x004141CC, 0x0010C2F8, 0x00FFFFFF, 0x00F8B133, 0x00001893, 0x00AD5F00, 0x0084E8F9,
    };
    for (int k = 0; k < PALETTE_SIZE; ++k)
        colors[k] = palette[k];
}
