#include "scene/particles.h"

namespace {

// rand() % n, with a zero or negative screen size treated as one pixel:
// the draw is still made, so the sequence stays in step, and lands on 0.
double DrawBelow(RandomDraw draw, int n)
{
    return draw() % (n > 0 ? n : 1);
}

// The quotient is single precision, widened afterwards: the saver's speeds
// have always been float steps, and doubles would move every particle.
double DrawSpeed(RandomDraw draw)
{
    const float numerator = static_cast<float>(draw() % SPEED_STEPS + 1);
    return static_cast<double>(numerator / SPEED_DIVISOR);
}

} // namespace

int RandomiseMotion(Particle& p, RandomDraw draw)
{
    p.radius = static_cast<std::int16_t>(draw() % RADIUS_CHOICES + RADIUS_MIN);
    p.vx = DrawSpeed(draw);
    p.vy = DrawSpeed(draw);
    return draw() % 2;
}

void SpawnParticle(Particle& p, SpawnMode mode, RandomDraw draw)
{
    const int side = draw() % 4;
    if (mode == SpawnMode::Initial) {
        p.x = DrawBelow(draw, ScreenWidth);
        p.y = DrawBelow(draw, ScreenHeight);
    } else {
        switch (side) {
        case 0:
            p.x = 1.0;
            p.y = DrawBelow(draw, ScreenHeight);
            break;
        case 1:
            p.x = DrawBelow(draw, ScreenWidth);
            p.y = 1.0;
            break;
        case 2:
            p.x = ScreenWidth - 1;
            p.y = DrawBelow(draw, ScreenHeight);
            break;
        default:
            p.x = DrawBelow(draw, ScreenWidth);
            p.y = ScreenHeight - 1;
            break;
        }
    }

    const bool coin = RandomiseMotion(p, draw) == 1;
    // Each side forces one component away from its edge; the coin picks the
    // sign of the other.
    switch (side) {
    case 0:
        if (coin)
            p.vy *= -1.0;
        break;
    case 1:
        if (coin)
            p.vx *= -1.0;
        break;
    case 2:
        p.vx *= -1.0;
        if (coin)
            p.vy *= -1.0;
        break;
    default:
        if (coin)
            p.vx *= -1.0;
        p.vy *= -1.0;
        break;
    }

    p.colour = colors[draw() % PALETTE_SIZE];
}
