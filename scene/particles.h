// Spawning, motion and the edge test of one particle.
#pragma once

#include "scene/scene.h"

// The generator every spawn draws from. The saver passes std::rand; tests
// pass a scripted sequence, since the order of draws is part of the rules.
using RandomDraw = int (*)();

enum class SpawnMode { Initial, Edge };

// New radius and speed magnitudes (both positive); returns a coin, 0 or 1.
int RandomiseMotion(Particle& p, RandomDraw draw);

// Places the particle anywhere (Initial) or on a random edge moving inwards
// (Edge), then gives it motion, direction and colour. Reads ScreenWidth,
// ScreenHeight and colors.
void SpawnParticle(Particle& p, SpawnMode mode, RandomDraw draw);

inline void StepParticle(Particle& p)
{
    p.x = p.x + p.vx;
    p.y = p.y + p.vy;
}

// True on or beyond any screen edge.
inline bool IsOutside(const Particle& p)
{
    return p.x <= 0 || p.x >= ScreenWidth || p.y <= 0 || p.y >= ScreenHeight;
}
