#include "backdrop/backdrops.h"

namespace {

struct LogoStamp {
    int x, y;          // the logo's top-left corner
    int width, height; // the extent copied; the copy clips it to the logo
};

// The extents have always reached from the corner to far beyond the logo;
// the copy's clipping to the 50 x 39 source is what sizes the stamp.
LogoStamp StampFor(int k)
{
    const int right = ScreenWidth - LOGO_INSET, bottom = ScreenHeight - LOGO_INSET;
    const int wide = ScreenWidth - LOGO_WIDTH, tall = ScreenHeight - LOGO_HEIGHT;
    const int narrow = LOGO_INSET + LOGO_WIDTH, shallow = LOGO_INSET + LOGO_HEIGHT;
    switch (k) {
    case 1: return {LOGO_INSET, LOGO_INSET, narrow, shallow};
    case 2: return {right, LOGO_INSET, wide, shallow};
    case 3: return {right, bottom, wide, tall};
    default: return {LOGO_INSET, bottom, narrow, tall};
    }
}

Surface* Snapshot(Surface* window)
{
    Surface* s = CreateCompatibleSurface(window, ScreenWidth, ScreenHeight);
    CopyRect(s, 0, 0, ScreenWidth, ScreenHeight, window, 0, 0);
    return s;
}

} // namespace

Backdrops BuildBackdrops(Surface* window, LogoLoader load, MissingLogoReport report)
{
    Backdrops b{};
    b.surfaces[0] = Snapshot(window);
    Surface* logo = load(window);
    if (logo == nullptr)
        report();
    for (int k = 1; k < BACKDROP_COUNT; ++k) {
        b.surfaces[k] = Snapshot(window);
        if (logo == nullptr)
            continue;
        const LogoStamp stamp = StampFor(k);
        CopyRect(b.surfaces[k], stamp.x, stamp.y, stamp.width, stamp.height, logo, 0, 0);
    }
    ReleaseSurface(logo);
    return b;
}

void ReleaseBackdrops(Backdrops& backdrops)
{
    for (Surface*& s : backdrops.surfaces) {
        ReleaseSurface(s);
        s = nullptr;
    }
}
