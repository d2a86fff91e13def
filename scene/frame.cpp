#include "scene/frame.h"

#include "scene/links.h"

void DrawParticle(Surface* surface, const Particle& p)
{
    const double r = p.radius;
    // The outline is the backdrop's own colour, so a dot reads as a soft disc.
    DrawEllipse(surface, TruncateToPixel(p.x - r), TruncateToPixel(p.y - r),
                TruncateToPixel(p.x + r), TruncateToPixel(p.y + r), BACKGROUND_COLOUR, p.colour);
}

void ComposeFrame(Surface* backBuffer, Surface* backdrop, Particle* particles, int count,
                  RandomDraw draw)
{
    CopyRect(backBuffer, 0, 0, ScreenWidth, ScreenHeight, backdrop, 0, 0);
    for (int i = 0; i < count; ++i) {
        Particle& p = particles[i];
        StepParticle(p);
        for (int j = i + 1; j < count; ++j)
            if (MayLink(SquaredDistance(p, particles[j])))
                DrawLink(backBuffer, p, particles[j]);
        DrawParticle(backBuffer, p);
        // Links already drawn this frame keep the old position; the new one
        // shows from the next frame.
        if (IsOutside(p))
            SpawnParticle(p, SpawnMode::Edge, draw);
    }
}
