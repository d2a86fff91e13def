// A software rasterizer with GDI's pixel rules, on rows of pixels.
//
// The shapes' pixels come from the walks in walks.h; every run written is
// noted (rows.h), so that whole copies and presents later move only
// what changed.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/portable/rasterizer/rows.h"
#include "platform/portable/rasterizer/walks.h"

namespace {

// Paints the runs a walk hands on, and notes them.
struct Paint {
    Surface* surface;
    void operator()(int y, int x0, int x1, Colour colour) const
    {
        Colour* row = WritableRow(surface, y);
        for (int x = x0; x <= x1; ++x)
            row[x] = colour;
        NoteSpan(surface, {y, x0, x1});
    }
};

// One row for every row of a width x height surface.
void ShareOneRow(Surface* s, const std::shared_ptr<Colour[]>& row)
{
    std::fill(s->rows.begin(), s->rows.end(), row);
    std::fill(s->ownsRow.begin(), s->ownsRow.end(), 0);
}

bool CoversWhole(const Surface* target, int dx, int dy, int width, int height,
                 const Surface* source, int sx, int sy)
{
    return target != source && dx == 0 && dy == 0 && sx == 0 && sy == 0 &&
           source->width == target->width && source->height == target->height &&
           width >= target->width && height >= target->height;
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
    Surface* s = new Surface{};
    s->width = width;
    s->height = height;
    s->rows.resize(static_cast<std::size_t>(height));
    s->ownsRow.resize(static_cast<std::size_t>(height));
    ShareOneRow(s, std::make_shared<Colour[]>(static_cast<std::size_t>(width), 0));
    s->version = {NewSurfaceId(), 0};
    return s;
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
    if (CoversWhole(target, dx, dy, width, height, source, sx, sy)) {
        FillWhole(target, source);
        return;
    }
    std::int64_t x0 = 0, y0 = 0, x1 = width, y1 = height; // offsets into the copy
    x0 = std::max({x0, -static_cast<std::int64_t>(dx), -static_cast<std::int64_t>(sx)});
    y0 = std::max({y0, -static_cast<std::int64_t>(dy), -static_cast<std::int64_t>(sy)});
    x1 = std::min({x1, static_cast<std::int64_t>(target->width) - dx,
                   static_cast<std::int64_t>(source->width) - sx});
    y1 = std::min({y1, static_cast<std::int64_t>(target->height) - dy,
                   static_cast<std::int64_t>(source->height) - sy});
    if (x0 >= x1 || y0 >= y1)
        return;
    NoteWrite(target);
    const std::size_t bytes = static_cast<std::size_t>(x1 - x0) * sizeof(Colour);
    // Within one surface, a copy downwards runs from the bottom row up so
    // that it never reads a row it has already overwritten.
    const bool upwards = target == source && dy > sy;
    for (std::int64_t n = 0; n < y1 - y0; ++n) {
        const std::int64_t j = upwards ? y1 - 1 - n : y0 + n;
        const int y = static_cast<int>(dy + j);
        Colour* to = WritableRow(target, y);
        std::memmove(to + dx + x0, RowOf(source, static_cast<int>(sy + j)) + sx + x0, bytes);
        NoteSpan(target, {y, static_cast<int>(dx + x0), static_cast<int>(dx + x1 - 1)});
    }
}

void DrawLine(Surface* surface, int x0, int y0, int x1, int y1, Colour colour)
{
    NoteWrite(surface);
    WalkLine(surface->width, surface->height, HoldCoordinate(x0), HoldCoordinate(y0),
             HoldCoordinate(x1), HoldCoordinate(y1), colour, Paint{surface});
}

void DrawEllipse(Surface* surface, int left, int top, int right, int bottom, Colour pen,
                 Colour brush)
{
    NoteWrite(surface);
    WalkEllipse(surface->width, surface->height, left, top, right, bottom, pen, brush,
                Paint{surface});
}

void FillSurface(Surface* surface, Colour colour)
{
    auto row = std::make_shared_for_overwrite<Colour[]>(static_cast<std::size_t>(surface->width));
    std::fill(row.get(), row.get() + surface->width, colour);
    ShareOneRow(surface, row);
    NoteWholeWrite(surface);
}

std::vector<Colour> ReadPixels(Surface* surface)
{
    std::vector<Colour> pixels;
    pixels.reserve(static_cast<std::size_t>(surface->width) * surface->height);
    for (int y = 0; y < surface->height; ++y)
        pixels.insert(pixels.end(), RowOf(surface, y), RowOf(surface, y) + surface->width);
    return pixels;
}
