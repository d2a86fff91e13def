// What of the window's pixels has changed since they were last sent to the
// display. Sending a rectangle costs the display server a fixed amount and
// then some per row and per pixel, and the pixels it reads have mostly left
// the cache since the last frame: so the few thousand runs of a frame are
// gathered into cells, a band of rows by a column of pixels, each keeping
// the bounds of what changed in it, and neighbouring cells of a band that
// lie close together are sent as one rectangle.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/portable/rasterizer/rows.h"

struct DamageCell {
    int x0, x1, y0, y1; // inclusive bounds; x0 > x1 when nothing changed
};

struct Damage {
    int columns = 0, bands = 0;
    std::vector<DamageCell> cells;      // band by band
    std::vector<std::uint32_t> touched; // cells changed since the last clear
    bool whole = false;                 // every pixel, cells or not
};

// Chosen by measuring the X server's time per frame (README, "Putting a
// frame on the window").
inline constexpr int DAMAGE_CELL_WIDTH = 32;
inline constexpr int DAMAGE_BAND_HEIGHT = 32;
inline constexpr int DAMAGE_JOIN_GAP = 16; // pixels between two cells' changes

struct PixelRect {
    int x, y, width, height;
};

// Nothing changed, on pixels of width x height.
void ClearDamage(Damage& damage, int width, int height);
// Cell k takes pixels [x0, x1] of row y.
inline void DamageCellSpan(Damage& damage, std::size_t k, int x0, int x1, int y)
{
    DamageCell& cell = damage.cells[k];
    if (cell.x0 > cell.x1) {
        cell = {x0, x1, y, y};
        damage.touched.push_back(static_cast<std::uint32_t>(k));
        return;
    }
    cell.x0 = x0 < cell.x0 ? x0 : cell.x0;
    cell.x1 = x1 > cell.x1 ? x1 : cell.x1;
    cell.y0 = y < cell.y0 ? y : cell.y0;
    cell.y1 = y > cell.y1 ? y : cell.y1;
}
// Runs over more than one cell, and the whole; the common case is below.
void DamageWideSpan(Damage& damage, const Span& span);
// Most runs are a few pixels, inside one cell: that is inline.
inline void DamageSpan(Damage& damage, const Span& span)
{
    const int band = span.y / DAMAGE_BAND_HEIGHT;
    const int column = span.x0 / DAMAGE_CELL_WIDTH;
    if (column != span.x1 / DAMAGE_CELL_WIDTH || damage.whole || band >= damage.bands ||
        column >= damage.columns) {
        DamageWideSpan(damage, span);
        return;
    }
    DamageCellSpan(damage, static_cast<std::size_t>(band) * damage.columns + column, span.x0,
                   span.x1, span.y);
}
void DamageWhole(Damage& damage);
inline bool Damaged(const Damage& damage)
{
    return damage.whole || !damage.touched.empty();
}
// Rectangles, within width x height, that together cover every changed
// pixel.
std::vector<PixelRect> DamageRects(const Damage& damage, int width, int height);
