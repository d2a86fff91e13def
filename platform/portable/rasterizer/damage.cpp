// The runs a frame changed on the window's pixels, gathered into the
// rectangles sent to the display.
#include <algorithm>

#include "platform/portable/rasterizer/damage.h"

void ClearDamage(Damage& damage, int width, int height)
{
    const int columns = (std::max(width, 0) + DAMAGE_CELL_WIDTH - 1) / DAMAGE_CELL_WIDTH;
    const int bands = (std::max(height, 0) + DAMAGE_BAND_HEIGHT - 1) / DAMAGE_BAND_HEIGHT;
    constexpr DamageCell UNCHANGED{1, 0, 0, 0};
    if (columns != damage.columns || bands != damage.bands) {
        damage.columns = columns;
        damage.bands = bands;
        damage.cells.assign(static_cast<std::size_t>(columns) * bands, UNCHANGED);
    } else {
        for (std::uint32_t k : damage.touched)
            damage.cells[k] = UNCHANGED;
    }
    damage.touched.clear();
    damage.whole = false;
}

void DamageWideSpan(Damage& damage, const Span& span)
{
    const int band = span.y / DAMAGE_BAND_HEIGHT;
    if (damage.whole || band >= damage.bands)
        return;
    const int first = span.x0 / DAMAGE_CELL_WIDTH;
    const int last = std::min(span.x1 / DAMAGE_CELL_WIDTH, damage.columns - 1);
    const std::size_t row = static_cast<std::size_t>(band) * damage.columns;
    for (int column = first; column <= last; ++column)
        DamageCellSpan(damage, row + column, std::max(span.x0, column * DAMAGE_CELL_WIDTH),
                       std::min(span.x1, column * DAMAGE_CELL_WIDTH + DAMAGE_CELL_WIDTH - 1),
                       span.y);
}

void DamageWhole(Damage& damage)
{
    damage.whole = true;
}

std::vector<PixelRect> DamageRects(const Damage& damage, int width, int height)
{
    std::vector<PixelRect> rects;
    if (!Damaged(damage) || width <= 0 || height <= 0)
        return rects;
    if (damage.whole) {
        rects.push_back({0, 0, width, height});
        return rects;
    }
    auto send = [&](const DamageCell& c) {
        const int x1 = std::min(c.x1, width - 1), y1 = std::min(c.y1, height - 1);
        if (c.x0 <= x1 && c.y0 <= y1)
            rects.push_back({c.x0, c.y0, x1 - c.x0 + 1, y1 - c.y0 + 1});
    };
    // The changed cells in the order they lie, band by band: at 4K the
    // cells fill 130 KB, of which a frame changes a few hundred.
    std::vector<std::uint32_t> order(damage.touched);
    std::sort(order.begin(), order.end());
    DamageCell open{1, 0, 0, 0};
    std::uint32_t openBand = 0;
    for (const std::uint32_t k : order) {
        const DamageCell& cell = damage.cells[k];
        const std::uint32_t band = k / static_cast<std::uint32_t>(damage.columns);
        if (open.x0 <= open.x1 && band == openBand && cell.x0 - open.x1 - 1 <= DAMAGE_JOIN_GAP) {
            open.x1 = cell.x1;
            open.y0 = std::min(open.y0, cell.y0);
            open.y1 = std::max(open.y1, cell.y1);
            continue;
        }
        if (open.x0 <= open.x1)
            send(open);
        open = cell;
        openBand = band;
    }
    if (open.x0 <= open.x1)
        send(open);
    return rects;
}
