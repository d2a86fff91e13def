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

// X11's true-colour visuals put red in the high byte. Masks and shifts
// make vector code of a whole row; a pixel at a time, 0x00BBGGRR reversed
// is 0xRRGGBB00, one instruction.
template <std::uint32_t ALPHA> std::uint32_t ToRgb(Colour p)
{
    return ALPHA | ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
}
template <std::uint32_t ALPHA> std::uint32_t ToRgbReversed(Colour p)
{
    return ALPHA | __builtin_bswap32(p) >> 8;
}

std::uint32_t Same(Colour p)
{
    return p;
}

// Brings the runs of `spans` on 32-bit window pixels up to `frame`, and
// notes those in which a pixel changed. Most hold no such pixel (a dot
// that has not moved a whole pixel, and its links, are drawn again as they
// were): a run is written only from its first changed pixel on, so that a
// line left unwritten stays clean in the display server's cache too. Runs
// are a pixel or a few, so the loops are plain.
template <std::uint32_t (*Pixel)(Colour), bool FITS>
void ForwardWordRuns(WindowPixels& window, const Surface* frame, const std::vector<Span>& spans)
{
    const std::size_t words = static_cast<std::size_t>(window.pitch) / sizeof(std::uint32_t);
    auto* pixels = reinterpret_cast<std::uint32_t*>(window.pixels);
    const std::size_t count = spans.size();
    for (std::size_t k = 0; k < count; ++k) {
        const Span& later = spans[std::min(k + PREFETCH_AHEAD, count - 1)];
        if (FITS || (later.y < window.height && later.x0 < window.width))
            __builtin_prefetch(pixels + later.y * words + later.x0);
        const Span span = spans[k];
        if (!FITS && (span.y >= window.height || span.x0 >= window.width))
            continue;
        const int x1 = FITS ? span.x1 : std::min(span.x1, window.width - 1);
        const Colour* from = RowOf(frame, span.y);
        std::uint32_t* to = pixels + span.y * words;
        int x = span.x0;
        while (x <= x1 && to[x] == Pixel(from[x]))
            ++x;
        if (x > x1)
            continue;
        do
            to[x] = Pixel(from[x]);
        while (++x <= x1);
        DamageSpan(window.changed, {span.y, span.x0, x1});
    }
}

// Bounds checked only for a window smaller than the frame.
template <std::uint32_t (*Pixel)(Colour)>
void ForwardWordRuns(WindowPixels& window, const Surface* frame, const std::vector<Span>& spans)
{
    if (window.width >= frame->width && window.height >= frame->height)
        ForwardWordRuns<Pixel, true>(window, frame, spans);
    else
        ForwardWordRuns<Pixel, false>(window, frame, spans);
}

// Any other layout, through its converter.
void ForwardRunsConverted(WindowPixels& window, const Surface* frame,
                          const std::vector<Span>& spans)
{
    for (const Span& span : spans) {
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

void ForwardRuns(WindowPixels& window, const Surface* frame, const std::vector<Span>& spans)
{
    const bool words = window.bytesPerPixel == 4 && window.pitch % 4 == 0;
    if (words && window.convert == ConvertToXrgb)
        ForwardWordRuns<ToRgbReversed<0>>(window, frame, spans);
    else if (words && window.convert == ConvertToArgb)
        ForwardWordRuns<ToRgbReversed<0xFF000000>>(window, frame, spans);
    else if (words && window.convert == ConvertToXbgr)
        ForwardWordRuns<Same>(window, frame, spans);
    else
        ForwardRunsConverted(window, frame, spans);
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

namespace {

// A whole row compiles to vector code and runs at memory speed.
template <std::uint32_t ALPHA> bool ConvertToRgb(const Colour* from, std::uint8_t* to, int count)
{
    auto* out = reinterpret_cast<std::uint32_t*>(to);
    std::uint32_t differs = 0;
    for (int x = 0; x < count; ++x) {
        const std::uint32_t q = ToRgb<ALPHA>(from[x]);
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
