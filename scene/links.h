// The gray line between two close particles.
#pragma once

#include <optional>

#include "platform/surface.h"
#include "scene/scene.h"

// The gray level of a link of length `distance`, or none when the pair is
// too far apart to be linked.
std::optional<int> LinkShade(double distance);

inline double SquaredDistance(const Particle& a, const Particle& b)
{
    const double dx = a.x - b.x;
    const double dy = a.y - b.y;
    return dx * dx + dy * dy;
}

// False for a pair too far apart to be linked, without a root: most of a
// frame's 11,175 pairs, so it is inline in the frame's loop. The margin
// keeps it exact, since a square just above 8100 can still root to 90.0.
inline bool MayLink(double squaredDistance)
{
    return squaredDistance <= LINK_DISTANCE * LINK_DISTANCE + 1.0;
}

// The link between `a`, the particle with the lower index, and `b`, if
// they are close enough; neither is changed. Callers over many pairs rule
// out the far ones with MayLink first.
void DrawLink(Surface* surface, const Particle& a, const Particle& b);
