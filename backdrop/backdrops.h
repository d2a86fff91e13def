// The five full-screen backdrops drawn under the particles.
//
//   0  the window as rendering starts (its background colour)
//   1  the same with the logo at (100, 100)                      top-left
//   2  ... at (ScreenWidth - 100, 100)                           top-right
//   3  ... at (ScreenWidth - 100, ScreenHeight - 100)            bottom-right
//   4  ... at (100, ScreenHeight - 100)                          bottom-left
#pragma once

#include "platform/surface.h"
#include "scene/scene.h"

struct Backdrops {
    Surface* surfaces[BACKDROP_COUNT];
};

// The logo on a new surface compatible with `like`, or null if missing.
using LogoLoader = Surface* (*)(Surface* like);
// Shown when the logo is missing; returns once the user has seen it.
using MissingLogoReport = void (*)();

// Builds all five from a snapshot of `window`, ScreenWidth x ScreenHeight.
// Without a logo it reports so, and backdrops 1 to 4 are plain snapshots.
Backdrops BuildBackdrops(Surface* window, LogoLoader load, MissingLogoReport report);

void ReleaseBackdrops(Backdrops& backdrops);
