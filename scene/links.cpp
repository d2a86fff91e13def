#include "scene/links.h"

#include <cmath>

std::optional<int> LinkShade(double distance)
{
    if (distance > LINK_DISTANCE)
        return std::nullopt;
    const int shade = static_cast<int>(SHADE_TOP - distance);
    if (shade <= SHADE_FLOOR)
        return std::nullopt;
    return shade;
}

void DrawLink(Surface* surface, const Particle& a, const Particle& b)
{
    const double dx = a.x - b.x;
    const double dy = a.y - b.y;
    const double squared = dx * dx + dy * dy;
    // Most pairs are far apart: skip the root for them. The margin keeps the
    // test exact, since a square just above 8100 can still root to 90.0.
    if (squared > LINK_DISTANCE * LINK_DISTANCE + 1.0)
        return;
    const std::optional<int> shade = LinkShade(std::sqrt(squared));
    if (!shade)
        return;
    const Colour s = static_cast<Colour>(*shade) & 0xFF;
    DrawLine(surface, TruncateToPixel(a.x), TruncateToPixel(a.y), TruncateToPixel(b.x),
             TruncateToPixel(b.y), s | s << 8 | s << 16);
}
