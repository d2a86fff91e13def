// What changed on a surface, and copying only that: a frame restored from
// its backdrop, and a frame presented to the window's pixels.
#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/portable/rasterizer/rows.h"

namespace {

std::atomic<std::uint64_t> lastSurfaceId{0};

void Reset(SpanLog& log)
{
    log.spans.clear();
    log.whole = false;
}

// The pixels of a frame's runs have left the cache since the last frame,
// 30 ms ago: their lines are asked for this many runs ahead, so that they
// arrive many at once instead of one after the other.
constexpr std::size_t PREFETCH_AHEAD = 16;

// Most runs are a pixel or a few: a plain loop beats a call to memcpy.
void CopyRun(Colour* to, const Colour* from, int count)
{
    for (int x = 0; x < count; ++x)
        to[x] = from[x];
}

void ConvertWhole(WindowPixels& window, const Surface* frame)
{
    const int width = std::min(window.width, frame->width);
    const int height = std::min(window.height, frame->height);
    if (width <= 0)
        return;
    for (int y = 0; y < height; ++y)
        window.convert(RowOf(frame, y), window.pixels + static_cast<std::size_t>(y) * window.pitch,
                       width);
}

// Brings the runs of `spans` on `window` up to `frame`, and notes those in
// which a pixel changed. Most do not: a dot that has not moved a whole
// pixel, and its links, are drawn again as they were.
void ForwardRuns(WindowPixels& window, const Surface* frame, const std::vector<Span>& spans)
{
    for (std::size_t k = 0; k < spans.size(); ++k) {
        if (k + PREFETCH_AHEAD < spans.size()) {
            const Span& later = spans[k + PREFETCH_AHEAD];
            if (later.y < window.height && later.x0 < window.width)
                __builtin_prefetch(window.pixels +
                                       static_cast<std::size_t>(later.y) * window.pitch +
                                       static_cast<std::size_t>(later.x0) * window.bytesPerPixel,
                                   1);
        }
        const Span& span = spans[k];
        if (span.y >= window.height || span.x0 >= window.width)
            continue;
        const int x1 = std::min(span.x1, window.width - 1);
        if (window.convert(RowOf(frame, span.y) + span.x0,
                           window.pixels + static_cast<std::size_t>(span.y) * window.pitch +
                               static_cast<std::size_t>(span.x0) * window.bytesPerPixel,
                           x1 - span.x0 + 1))
            DamageSpan(window.changed, {span.y, span.x0, x1});
    }
}

} // namespace

std::uint64_t NewSurfaceId()
{
    return lastSurfaceId.fetch_add(1, std::memory_order_relaxed) + 1;
}

void NoteWholeWrite(Surface* s)
{
    NoteWrite(s);
    s->filledFrom = {};
    s->restoredAt = {};
    Reset(s->sinceFill);
}

void FillWhole(Surface* target, Surface* source)
{
    if (target->filledFrom == source->version && !target->sinceFill.whole) {
        const std::vector<Span>& spans = target->sinceFill.spans;
        for (std::size_t k = 0; k < spans.size(); ++k) {
            if (k + PREFETCH_AHEAD < spans.size()) {
                const Span& later = spans[k + PREFETCH_AHEAD];
                __builtin_prefetch(RowOf(target, later.y) + later.x0, 1);
            }
            const Span& span = spans[k];
            CopyRun(WritableRow(target, span.y) + span.x0, RowOf(source, span.y) + span.x0,
                    span.x1 - span.x0 + 1);
        }
        target->restoredAt = target->version;
        target->restored.swap(target->sinceFill.spans);
    } else {
        ShareRows(target, source);
        target->restoredAt = {};
    }
    Reset(target->sinceFill);
    target->filledFrom = source->version;
    NoteWrite(target);
}

void PresentPixels(WindowPixels& window, Surface* frame)
{
    if (window.holds == frame->version)
        return;
    const bool changesKnown =
        window.holds.surface != 0 && window.holds == frame->restoredAt && !frame->sinceFill.whole;
    if (changesKnown) {
        // The restored runs take the frame's pixels, drawing and all, so
        // the drawn runs mostly find them in place already.
        ForwardRuns(window, frame, frame->restored);
        ForwardRuns(window, frame, frame->sinceFill.spans);
    } else {
        ConvertWhole(window, frame);
        DamageWhole(window.changed);
    }
    window.holds = frame->version;
}

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

void DamageSpan(Damage& damage, const Span& span)
{
    const int band = span.y / DAMAGE_BAND_HEIGHT;
    if (damage.whole || band >= damage.bands)
        return;
    const int first = span.x0 / DAMAGE_CELL_WIDTH;
    const int last = std::min(span.x1 / DAMAGE_CELL_WIDTH, damage.columns - 1);
    const std::size_t row = static_cast<std::size_t>(band) * damage.columns;
    for (int column = first; column <= last; ++column) {
        DamageCell& cell = damage.cells[row + column];
        const int x0 = std::max(span.x0, column * DAMAGE_CELL_WIDTH);
        const int x1 = std::min(span.x1, column * DAMAGE_CELL_WIDTH + DAMAGE_CELL_WIDTH - 1);
        if (cell.x0 > cell.x1) {
            cell = {x0, x1, span.y, span.y};
            damage.touched.push_back(static_cast<std::uint32_t>(row + column));
            continue;
        }
        cell.x0 = std::min(cell.x0, x0);
        cell.x1 = std::max(cell.x1, x1);
        cell.y0 = std::min(cell.y0, span.y);
        cell.y1 = std::max(cell.y1, span.y);
    }
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
    for (int band = 0; band < damage.bands; ++band) {
        const DamageCell* cells =
            damage.cells.data() + static_cast<std::size_t>(band) * damage.columns;
        DamageCell open{1, 0, 0, 0};
        for (int column = 0; column < damage.columns; ++column) {
            const DamageCell& cell = cells[column];
            if (cell.x0 > cell.x1)
                continue;
            if (open.x0 <= open.x1 && cell.x0 - open.x1 - 1 <= DAMAGE_JOIN_GAP) {
                open.x1 = cell.x1;
                open.y0 = std::min(open.y0, cell.y0);
                open.y1 = std::max(open.y1, cell.y1);
                continue;
            }
            if (open.x0 <= open.x1)
                send(open);
            open = cell;
        }
        if (open.x0 <= open.x1)
            send(open);
    }
    return rects;
}

// X11's true-colour visuals put red in the high byte. Most runs are a
// pixel or two; a whole row compiles to vector code and runs at memory
// speed.
bool ConvertToXrgb(const Colour* from, std::uint8_t* to, int count)
{
    auto* out = reinterpret_cast<std::uint32_t*>(to);
    std::uint32_t differs = 0;
    for (int x = 0; x < count; ++x) {
        const Colour p = from[x];
        const std::uint32_t q = ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
        differs |= out[x] ^ q;
        out[x] = q;
    }
    return differs != 0;
}

bool ConvertToXbgr(const Colour* from, std::uint8_t* to, int count)
{
    const std::size_t bytes = static_cast<std::size_t>(count) * sizeof(Colour);
    if (std::memcmp(to, from, bytes) == 0)
        return false;
    std::memcpy(to, from, bytes);
    return true;
}
