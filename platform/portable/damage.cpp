// What changed on a surface, and copying only that: a frame restored from
// its backdrop, and a frame presented to the window's pixels.
#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/portable/portable_surface.h"

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

// Copies the runs of `spans` from `frame` into `window`.
void ForwardRuns(WindowPixels& window, const Surface* frame, const std::vector<Span>& spans)
{
    for (const Span& span : spans) {
        if (span.y >= window.height || span.x0 >= window.width)
            continue;
        const int x1 = std::min(span.x1, window.width - 1);
        window.convert(RowOf(frame, span.y) + span.x0,
                       window.pixels + static_cast<std::size_t>(span.y) * window.pitch +
                           static_cast<std::size_t>(span.x0) * window.bytesPerPixel,
                       x1 - span.x0 + 1);
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
        for (const Span& span : target->sinceFill.spans)
            CopyRun(WritableRow(target, span.y) + span.x0, RowOf(source, span.y) + span.x0,
                    span.x1 - span.x0 + 1);
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
        ForwardRuns(window, frame, frame->restored);
        ForwardRuns(window, frame, frame->sinceFill.spans);
    } else {
        ConvertWhole(window, frame);
    }
    window.holds = frame->version;
}

// X11's true-colour visuals put red in the high byte. Most runs are a
// pixel or two; a whole row compiles to vector code and runs at memory
// speed.
void ConvertToXrgb(const Colour* from, std::uint8_t* to, int count)
{
    auto* out = reinterpret_cast<std::uint32_t*>(to);
    for (int x = 0; x < count; ++x) {
        const Colour p = from[x];
        out[x] = ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
    }
}

void ConvertToXbgr(const Colour* from, std::uint8_t* to, int count)
{
    std::memcpy(to, from, static_cast<std::size_t>(count) * sizeof(Colour));
}
