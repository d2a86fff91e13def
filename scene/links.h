// The gray line between two close particles.
#pragma once

#include <optional>

#include "platform/surface.h"
#include "scene/scene.h"

// The gray level of a link of length `distance`, or none when the pair is
// too far apart to be linked.
std::optional<int> LinkShade(double distance);

// `a` is the particle with the lower index. Neither is changed.
void DrawLink(Surface* surface, const Particle& a, const Particle& b);
