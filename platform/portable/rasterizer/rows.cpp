// Rows shared until written, and the whole copy that restores only the
// runs written since the last one.
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

// Most runs are a pixel or a few: a plain loop beats a call to memcpy.
void CopyRun(Colour* to, const Colour* from, int count)
{
    for (int x = 0; x < count; ++x)
        to[x] = from[x];
}

} // namespace

Colour* OwnRow(Surface* s, int y)
{
    const std::size_t k = static_cast<std::size_t>(y);
    std::shared_ptr<Colour[]> own =
        std::make_shared_for_overwrite<Colour[]>(static_cast<std::size_t>(s->width));
    std::memcpy(own.get(), s->rows[k].get(), static_cast<std::size_t>(s->width) * sizeof(Colour));
    s->rows[k] = std::move(own);
    s->ownsRow[k] = 1;
    return s->rows[k].get();
}

void ShareRows(Surface* target, Surface* source)
{
    target->rows = source->rows;
    std::fill(target->ownsRow.begin(), target->ownsRow.end(), 0);
    std::fill(source->ownsRow.begin(), source->ownsRow.end(), 0);
}

std::uint64_t NewSurfaceId()
{
    return lastSurfaceId.fetch_add(1, std::memory_order_relaxed) + 1;
}

void NoteWholeWrite(Surface* s)
{
    NoteWrite(s);
    s->filledFrom = {};
    s->restoredAt = {};
    s->earlierAt = {};
    Reset(s->sinceFill);
}

void FillWhole(Surface* target, Surface* source)
{
    if (target->filledFrom == source->version && !target->sinceFill.whole) {
        const std::vector<Span>& spans = target->sinceFill.spans;
        const std::size_t count = spans.size();
        for (std::size_t k = 0; k < count; ++k) {
            const Span& later = spans[std::min(k + PREFETCH_AHEAD, count - 1)];
            __builtin_prefetch(RowOf(target, later.y) + later.x0, 1);
            const Span& span = spans[k];
            CopyRun(WritableRow(target, span.y) + span.x0, RowOf(source, span.y) + span.x0,
                    span.x1 - span.x0 + 1);
        }
        // Every frame is the same source with its own drawing on it: the
        // one before the last is too, if that was restored from it.
        target->earlierAt = target->restoredAt;
        target->earlier.swap(target->restored);
        target->restoredAt = target->version;
        target->restored.swap(target->sinceFill.spans);
    } else {
        ShareRows(target, source);
        target->restoredAt = {};
        target->earlierAt = {};
    }
    Reset(target->sinceFill);
    target->filledFrom = source->version;
    NoteWrite(target);
}
