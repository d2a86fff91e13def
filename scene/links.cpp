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
    const std::optional<int> shade = LinkShade(std::sqrt(SquaredDistance(a, b)));
    if (!shade)
        return;
    const Colour s = static_cast<Colour>(*shade) & 0xFF;
    DrawLine(surface, TruncateToPixel(a.x), TruncateToPixel(a.y), TruncateToPixel(b.x),
             TruncateToPixel(b.y), s | s << 8 | s << 16);
}
