// Vendrel Screensaver: the particle scene and the state its threads share.
//
// Three threads run while the saver is up.
//
//   UI thread        Owns the window. It starts the render thread with the
//                    window's surface at the first paint, then the rotation
//                    thread, and turns the first key, button, wheel or raw
//                    mouse motion into the stop: RunFlag = false, a short
//                    pause, the paint cycle ended, the quit message posted.
//   render thread    RenderThread (render_thread.cpp). Owns the particle
//                    table, the palette, the back buffer and the five
//                    backdrops. Each frame: copy the backdrop BackdropIndex
//                    names into the back buffer, move and draw every particle
//                    with its links (ComposeFrame, frame.h), copy the back
//                    buffer onto the window in one piece, pause 30 ms.
//   rotation thread  RotationThread (backdrop/rotation.h). Ticks once a
//                    second and advances BackdropIndex on every 21st tick.
//
// Only RunFlag and BackdropIndex cross threads. Each is one whole value that
// publishes nothing else, so both are relaxed atomics: no lock, no ordering.
// Everything else below belongs to the render thread once it runs.
//
// Nothing here or in backdrop/ knows which system it runs on: surfaces,
// sleeping and the screen size come through platform/.
#pragma once

#include <atomic>
#include <cstdint>

// 0x00BBGGRR: red in the low byte, as a Windows COLORREF.
using Colour = std::uint32_t;

struct Particle {
    double x;  // centre, pixels from the left edge
    double y;  // centre, pixels from the top edge (downwards)
    double vx; // pixels per frame
    double vy;
    std::int16_t radius; // 2 to 6
    Colour colour;
};

inline constexpr int PARTICLE_COUNT = 150;
inline constexpr int LINK_DISTANCE = 90;
inline constexpr float SPEED_DIVISOR = 276.0f;
inline constexpr int SPEED_STEPS = 100;
inline constexpr int RADIUS_MIN = 2;
inline constexpr int RADIUS_CHOICES = 5;
inline constexpr int PALETTE_SIZE = 7;
inline constexpr int FRAME_PAUSE_MS = 30;
inline constexpr Colour BACKGROUND_COLOUR = 0x00222222;
inline constexpr int BACKDROP_COUNT = 5;
inline constexpr int ROTATION_TICK_MS = 1000;
inline constexpr int ROTATION_TICKS = 20; // counted; the next tick switches
inline constexpr int LOGO_INSET = 100;
inline constexpr int LOGO_WIDTH = 50;
inline constexpr int LOGO_HEIGHT = 39;

// Gray levels of the links, held as integers as the saver always has.
extern int SHADE_TOP;   // a link of length 0
extern int SHADE_FLOOR; // drawn only above this

extern Particle ParticleTable[PARTICLE_COUNT];
extern Colour colors[PALETTE_SIZE];

extern std::atomic<bool> RunFlag;
extern std::atomic<int> BackdropIndex;
extern int TickCount;
extern int ScreenWidth;
extern int ScreenHeight;

// A coordinate in pixels: truncated toward zero. Values beyond any screen are
// held at +-2^30 first, where a plain conversion would be undefined.
inline int TruncateToPixel(double v)
{
    constexpr double limit = 1 << 30;
    return static_cast<int>(v < -limit ? -limit : v > limit ? limit : v);
}

// Fills `colors`; the render thread calls it before the first spawn.
void SetUpPalette();
