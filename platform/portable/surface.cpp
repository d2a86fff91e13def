// A software rasterizer with GDI's pixel rules, on plain pixel buffers.
//
// Each primitive works out its pixels from the whole, unclipped shape and
// only then keeps those on the surface, so a shape that is partly off the
// surface paints exactly the pixels the whole shape would paint there.
#include "platform/portable/portable_surface.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// GDI keeps coordinates to 27 bits; beyond that they are held at the limit,
// which keeps every error term below well inside 64 bits.
constexpr int COORDINATE_LIMIT = 1 << 27;

// Ellipses with a side longer than this are not drawn: their error terms
// would no longer fit in 64 bits.
constexpr std::int64_t ELLIPSE_SIDE_LIMIT = 1 << 19;

int HoldCoordinate(int v)
{
    return std::clamp(v, -COORDINATE_LIMIT, COORDINATE_LIMIT);
}

Colour* Row(Surface* s, int y)
{
    return s->pixels.data() + static_cast<std::size_t>(y) * s->width;
}

// Pixels [x0, x1] of row y, clipped.
void FillSpan(Surface* s, int y, std::int64_t x0, std::int64_t x1, Colour colour)
{
    if (y < 0 || y >= s->height)
        return;
    x0 = std::max<std::int64_t>(x0, 0);
    x1 = std::min<std::int64_t>(x1, s->width - 1);
    if (x0 > x1)
        return;
    Colour* row = Row(s, y);
    std::fill(row + x0, row + x1 + 1, colour);
}

} // namespace

Surface* CreateCompatibleSurface(Surface*, int width, int height)
{
    return CreateMemorySurface(width, height);
}

Surface* CreateMemorySurface(int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    return new Surface{std::vector<Colour>(static_cast<std::size_t>(width) * height, 0), width,
                       height};
}

void ReleaseSurface(Surface* surface)
{
    delete surface;
}

int SurfaceWidth(const Surface* surface)
{
    return surface->width;
}
int SurfaceHeight(const Surface* surface)
{
    return surface->height;
}

// Clipped to both surfaces; a negative extent copies nothing.
void CopyRect(Surface* target, int dx, int dy, int width, int height, Surface* source, int sx,
              int sy)
{
    std::int64_t x0 = 0, y0 = 0, x1 = width, y1 = height; // offsets into the copy
    x0 = std::max({x0, -static_cast<std::int64_t>(dx), -static_cast<std::int64_t>(sx)});
    y0 = std::max({y0, -static_cast<std::int64_t>(dy), -static_cast<std::int64_t>(sy)});
    x1 = std::min({x1, static_cast<std::int64_t>(target->width) - dx,
                   static_cast<std::int64_t>(source->width) - sx});
    y1 = std::min({y1, static_cast<std::int64_t>(target->height) - dy,
                   static_cast<std::int64_t>(source->height) - sy});
    if (x0 >= x1 || y0 >= y1)
        return;
    const std::size_t bytes = static_cast<std::size_t>(x1 - x0) * sizeof(Colour);
    // Whole rows of equally wide surfaces are one block: a single copy runs
    // at memory speed, where a copy per row runs several times slower.
    const bool wholeRows = target->width == source->width && x1 - x0 == target->width;
    if (wholeRows) {
        std::memmove(Row(target, static_cast<int>(dy + y0)), Row(source, static_cast<int>(sy + y0)),
                     bytes * static_cast<std::size_t>(y1 - y0));
        return;
    }
    // Within one surface, a copy downwards runs from the bottom row up so
    // that it never reads a row it has already overwritten.
    const bool upwards = target == source && dy > sy;
    for (std::int64_t n = 0; n < y1 - y0; ++n) {
        const std::int64_t j = upwards ? y1 - 1 - n : y0 + n;
        std::memmove(Row(target, static_cast<int>(dy + j)) + dx + x0,
                     Row(source, static_cast<int>(sy + j)) + sx + x0, bytes);
    }
}

// Bresenham's line without its end pixel. Along the major axis step i
// (0 <= i < n) the minor offset is i * d / n rounded to nearest, a tie going
// towards the smaller coordinate. The error term is set up once at the first
// step on the surface, so clipping never shifts a pixel.
void DrawLine(Surface* surface, int x0, int y0, int x1, int y1, Colour colour)
{
    x0 = HoldCoordinate(x0);
    y0 = HoldCoordinate(y0);
    x1 = HoldCoordinate(x1);
    y1 = HoldCoordinate(y1);
    const bool xMajor = std::abs(x1 - x0) >= std::abs(y1 - y0);
    // Work in (major, minor) coordinates; `limit` bounds the major axis.
    const std::int64_t major0 = xMajor ? x0 : y0, minor0 = xMajor ? y0 : x0;
    const std::int64_t dMajor = xMajor ? x1 - x0 : y1 - y0, dMinor = xMajor ? y1 - y0 : x1 - x0;
    const std::int64_t majorLimit = xMajor ? surface->width : surface->height;
    const std::int64_t minorLimit = xMajor ? surface->height : surface->width;
    const std::int64_t n = std::abs(dMajor);
    if (n == 0)
        return;
    const std::int64_t majorStep = dMajor > 0 ? 1 : -1;
    const std::int64_t minorStep = dMinor >= 0 ? 1 : -1;
    const std::int64_t e = std::abs(dMinor);

    // Steps whose major coordinate lies on the surface.
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
    for (std::int64_t i = first; i < last; ++i) {
        const std::int64_t major = major0 + majorStep * i;
        const std::int64_t minor = minor0 + minorStep * offset;
        if (minor >= 0 && minor < minorLimit) {
            const int x = static_cast<int>(xMajor ? major : minor);
            const int y = static_cast<int>(xMajor ? minor : major);
            Row(surface, y)[x] = colour;
        }
        rest += 2 * e;
        if (rest >= twoN) {
            rest -= twoN;
            ++offset;
        }
    }
}

namespace {

struct EllipseRows {
    Surface* surface;
    std::int64_t mirror; // x + mirrored x, the same for every row
    Colour pen;
    Colour brush;
};

// Row y of the outline has its left pen run at [left0, left1]; the right run
// mirrors it and the brush fills between them.
void PaintEllipseRow(const EllipseRows& e, std::int64_t y, std::int64_t left0, std::int64_t left1)
{
    if (y < 0 || y >= e.surface->height)
        return;
    const int row = static_cast<int>(y);
    const std::int64_t right0 = e.mirror - left1, right1 = e.mirror - left0;
    FillSpan(e.surface, row, left1 + 1, right0 - 1, e.brush);
    FillSpan(e.surface, row, left0, left1, e.pen);
    FillSpan(e.surface, row, right0, right1, e.pen);
}

} // namespace

// The outline follows the integer ellipse-in-a-rectangle walk (Zingl's
// formulation of Bresenham's ellipse), through the inclusive box
// (left, top)-(right - 1, bottom - 1), one quadrant mirrored four ways.
void DrawEllipse(Surface* surface, int left, int top, int right, int bottom, Colour pen,
                 Colour brush)
{
    std::int64_t l = std::min(left, right), r = std::max(left, right);
    std::int64_t t = std::min(top, bottom), b = std::max(top, bottom);
    const std::int64_t a = r - l - 1, h = b - t - 1; // diameters through pixel centres
    if (a < 0 || h < 0 || (a == 0 && h == 0))
        return;
    if (a > ELLIPSE_SIDE_LIMIT || h > ELLIPSE_SIDE_LIMIT)
        return;
    if (l >= surface->width || t >= surface->height || r <= 0 || b <= 0)
        return;

    const EllipseRows rows{surface, 2 * l + a, pen, brush};
    const std::int64_t odd = h & 1;
    std::int64_t dx = 4 * (1 - a) * h * h, dy = 4 * (odd + 1) * a * a;
    std::int64_t err = dx + dy + odd * a * a;
    const std::int64_t stepX = 8 * a * a, stepY = 8 * h * h;
    std::int64_t xl = l, xr = l + a;
    std::int64_t yDown = t + (h + 1) / 2, yUp = yDown - odd;

    // Walk outwards from the middle rows; a row is painted once its left
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
            PaintEllipseRow(rows, yDown, runStart, runEnd);
            PaintEllipseRow(rows, yUp, runStart, runEnd);
            runStart = xl;
            ++yDown;
            --yUp;
            dy += stepX;
            err += dy;
        }
    }
    if (runStart <= runEnd) {
        PaintEllipseRow(rows, yDown, runStart, runEnd);
        PaintEllipseRow(rows, yUp, runStart, runEnd);
    }
    // A box two pixels wide ends the walk before its tips are drawn.
    while (yDown - yUp <= h) {
        PaintEllipseRow(rows, yDown++, xl - 1, xl - 1);
        PaintEllipseRow(rows, yUp--, xl - 1, xl - 1);
    }
}

void FillSurface(Surface* surface, Colour colour)
{
    std::fill(surface->pixels.begin(), surface->pixels.end(), colour);
}

std::vector<Colour> ReadPixels(Surface* surface)
{
    return surface->pixels;
}
