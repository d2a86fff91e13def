// The pixels of GDI's line and ellipse, as walks over a width x height area.
//
// A walk works out which pixels a shape covers and hands them, clipped, to
// `run(y, x0, x1, colour)`, one run [x0, x1] of row y at a time, so that
// the surface that paints them can also note where it painted.
//
// Each walk works from the whole, unclipped shape and only then keeps what
// lies on the area, so a shape partly off it covers exactly the pixels the
// whole shape would cover there.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "platform/surface.h"

// GDI keeps coordinates to 27 bits; beyond that they are held at the limit,
// which keeps every error term below well inside 64 bits.
inline constexpr int COORDINATE_LIMIT = 1 << 27;

// Ellipses with a side longer than this are not drawn: their error terms
// would no longer fit in 64 bits.
inline constexpr std::int64_t ELLIPSE_SIDE_LIMIT = 1 << 19;

inline int HoldCoordinate(int v)
{
    return std::clamp(v, -COORDINATE_LIMIT, COORDINATE_LIMIT);
}

// Runs [x0, x1] of row y, clipped to the area.
template <typename Run>
void ClippedRun(int width, int height, std::int64_t y, std::int64_t x0, std::int64_t x1,
                Colour colour, Run& run)
{
    if (y < 0 || y >= height)
        return;
    x0 = std::max<std::int64_t>(x0, 0);
    x1 = std::min<std::int64_t>(x1, width - 1);
    if (x0 <= x1)
        run(static_cast<int>(y), static_cast<int>(x0), static_cast<int>(x1), colour);
}

// Bresenham's line without its end pixel. Along the major axis step i
// (0 <= i < n) the minor offset is i * d / n rounded to nearest, a tie going
// towards the smaller coordinate. The error term is set up once at the first
// step on the area, so clipping never shifts a pixel. Coordinates are held
// (HoldCoordinate) by the caller.
template <typename Run>
void WalkLine(int width, int height, int x0, int y0, int x1, int y1, Colour colour, Run run)
{
    const bool xMajor = std::abs(x1 - x0) >= std::abs(y1 - y0);
    // Work in (major, minor) coordinates; `limit` bounds the major axis.
    const std::int64_t major0 = xMajor ? x0 : y0, minor0 = xMajor ? y0 : x0;
    const std::int64_t dMajor = xMajor ? x1 - x0 : y1 - y0, dMinor = xMajor ? y1 - y0 : x1 - x0;
    const std::int64_t majorLimit = xMajor ? width : height;
    const std::int64_t minorLimit = xMajor ? height : width;
    const std::int64_t n = std::abs(dMajor);
    if (n == 0)
        return;
    const std::int64_t majorStep = dMajor > 0 ? 1 : -1;
    const std::int64_t minorStep = dMinor >= 0 ? 1 : -1;
    const std::int64_t e = std::abs(dMinor);

    // Steps whose major coordinate lies on the area.
    std::int64_t first = majorStep > 0 ? -major0 : major0 - majorLimit + 1;
    std::int64_t last = majorStep > 0 ? majorLimit - major0 : major0 + 1; // exclusive
    first = std::max<std::int64_t>(first, 0);
    last = std::min(last, n);
    if (first >= last)
        return;

    // |minor offset| = floor((2ie + n - tie) / 2n); tie = 1 rounds a tie
    // towards the start when the minor axis runs forwards.
    const std::int64_t tie = dMinor > 0 ? 1 : 0;
    const std::int64_t twoN = 2 * n;
    const std::int64_t start = 2 * first * e + n - tie;
    std::int64_t offset = start / twoN;
    std::int64_t rest = start % twoN;
    if (!xMajor) {
        for (std::int64_t i = first; i < last; ++i) {
            const std::int64_t x = minor0 + minorStep * offset;
            if (x >= 0 && x < minorLimit)
                run(static_cast<int>(major0 + majorStep * i), static_cast<int>(x),
                    static_cast<int>(x), colour);
            rest += 2 * e;
            if (rest >= twoN) {
                rest -= twoN;
                ++offset;
            }
        }
        return;
    }
    // Along x, the pixels of one row are handed on as one run.
    std::int64_t runFrom = major0 + majorStep * first;
    for (std::int64_t i = first; i < last; ++i) {
        rest += 2 * e;
        const bool rowEnds = rest >= twoN || i + 1 == last;
        if (!rowEnds)
            continue;
        const std::int64_t x = major0 + majorStep * i;
        const std::int64_t y = minor0 + minorStep * offset;
        if (y >= 0 && y < minorLimit)
            run(static_cast<int>(y), static_cast<int>(std::min(runFrom, x)),
                static_cast<int>(std::max(runFrom, x)), colour);
        runFrom = x + majorStep;
        if (rest >= twoN) {
            rest -= twoN;
            ++offset;
        }
    }
}

// The outline follows the integer ellipse-in-a-rectangle walk (Zingl's
// formulation of Bresenham's ellipse), through the inclusive box
// (left, top)-(right - 1, bottom - 1), one quadrant mirrored four ways; the
// brush fills between the outline's runs.
template <typename Run>
void WalkEllipse(int width, int height, int left, int top, int right, int bottom, Colour pen,
                 Colour brush, Run run)
{
    const std::int64_t l = std::min(left, right), r = std::max(left, right);
    const std::int64_t t = std::min(top, bottom), b = std::max(top, bottom);
    const std::int64_t a = r - l - 1, h = b - t - 1; // diameters through pixel centres
    if (a < 0 || h < 0 || (a == 0 && h == 0))
        return;
    if (a > ELLIPSE_SIDE_LIMIT || h > ELLIPSE_SIDE_LIMIT)
        return;
    if (l >= width || t >= height || r <= 0 || b <= 0)
        return;

    // Row y has its left pen run at [left0, left1]; the right run mirrors it
    // about `mirror` (x + mirrored x, the same for every row).
    const std::int64_t mirror = 2 * l + a;
    auto row = [&](std::int64_t y, std::int64_t left0, std::int64_t left1) {
        const std::int64_t right0 = mirror - left1, right1 = mirror - left0;
        ClippedRun(width, height, y, left0, left1, pen, run);
        ClippedRun(width, height, y, left1 + 1, right0 - 1, brush, run);
        ClippedRun(width, height, y, right0, right1, pen, run);
    };

    const std::int64_t odd = h & 1;
    std::int64_t dx = 4 * (1 - a) * h * h, dy = 4 * (odd + 1) * a * a;
    std::int64_t err = dx + dy + odd * a * a;
    const std::int64_t stepX = 8 * a * a, stepY = 8 * h * h;
    std::int64_t xl = l, xr = l + a;
    std::int64_t yDown = t + (h + 1) / 2, yUp = yDown - odd;

    // Walk outwards from the middle rows; a row is handed on once its left
    // run is complete.
    std::int64_t runStart = xl, runEnd = xl;
    while (xl <= xr) {
        runEnd = xl;
        const std::int64_t e2 = 2 * err;
        if (e2 >= dx) {
            ++xl;
            --xr;
            dx += stepY;
            err += dx;
        }
        if (e2 <= dy) {
            row(yDown, runStart, runEnd);
            row(yUp, runStart, runEnd);
            runStart = xl;
            ++yDown;
            --yUp;
            dy += stepX;
            err += dy;
        }
    }
    if (runStart <= runEnd) {
        row(yDown, runStart, runEnd);
        row(yUp, runStart, runEnd);
    }
    // A box two pixels wide ends the walk before its tips are drawn.
    while (yDown - yUp <= h) {
        row(yDown++, xl - 1, xl - 1);
        row(yUp--, xl - 1, xl - 1);
    }
}
