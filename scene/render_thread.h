// The render thread: the saver's main loop.
#pragma once

#include <atomic>

#include "platform/surface.h"

// True from just before the render thread is started until it has drawn on
// the window for the last time, so that the stop can let a frame finish
// before the window's surface goes away. Whoever starts the thread sets it.
extern std::atomic<bool> WindowSurfaceInUse;

// Seeds the generator, spawns the particles, builds the backdrops and draws
// on `window` until RunFlag clears; then releases all it made.
int RenderThread(Surface* window);
