// A frame presented to the window's pixels: only what changed since the
// frame they hold, converted to the display's layout.
#include <algorithm>
#include <cstring>

#include "platform/portable/rasterizer/window_pixels.h"

namespace {

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

void PresentPixels(WindowPixels& window, Surface* frame)
{
    if (window.holds == frame->version)
        return;
    const bool known = window.holds.surface != 0 && !frame->sinceFill.whole;
    if (known && window.holds == frame->restoredAt) {
        // The restored runs take the frame's pixels, drawing and all, so
        // the drawn runs mostly find them in place already.
        ForwardRuns(window, frame, frame->restored);
        ForwardRuns(window, frame, frame->sinceFill.spans);
    } else if (known && window.holds == frame->earlierAt) {
        // The frame before the last, on the same source: it differs from
        // this one only where either drew.
        ForwardRuns(window, frame, frame->earlier);
        ForwardRuns(window, frame, frame->sinceFill.spans);
    } else {
        ConvertWhole(window, frame);
        DamageWhole(window.changed);
    }
    window.holds = frame->version;
}

// X11's true-colour visuals put red in the high byte. Most runs are a
// pixel or two; a whole row compiles to vector code and runs at memory
// speed.
namespace {

template <std::uint32_t ALPHA> bool ConvertToRgb(const Colour* from, std::uint8_t* to, int count)
{
    auto* out = reinterpret_cast<std::uint32_t*>(to);
    std::uint32_t differs = 0;
    for (int x = 0; x < count; ++x) {
        const Colour p = from[x];
        const std::uint32_t q = ALPHA | ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
        differs |= out[x] ^ q;
        out[x] = q;
    }
    return differs != 0;
}

} // namespace

bool ConvertToXrgb(const Colour* from, std::uint8_t* to, int count)
{
    return ConvertToRgb<0>(from, to, count);
}

bool ConvertToArgb(const Colour* from, std::uint8_t* to, int count)
{
    return ConvertToRgb<0xFF000000>(from, to, count);
}

bool ConvertToXbgr(const Colour* from, std::uint8_t* to, int count)
{
    const std::size_t bytes = static_cast<std::size_t>(count) * sizeof(Colour);
    if (std::memcmp(to, from, bytes) == 0)
        return false;
    std::memcpy(to, from, bytes);
    return true;
}
