// One frame of the animation, composed off-screen. The saver's render
// thread, the command-line renderer, the tests and the benchmark all draw
// through this one function.
#pragma once

#include "platform/surface.h"
#include "scene/particles.h"

// Copies `backdrop` into `backBuffer`, then for each particle in index
// order: moves it, draws its links to every later particle (which have not
// moved yet this frame), fills its circle, and respawns it on an edge if it
// has left the screen. Reads ScreenWidth and ScreenHeight.
void ComposeFrame(Surface* backBuffer, Surface* backdrop, Particle* particles, int count,
                  RandomDraw draw);

// The bounding box of a particle's circle: centre -+ radius, truncated.
void DrawParticle(Surface* surface, const Particle& p);
