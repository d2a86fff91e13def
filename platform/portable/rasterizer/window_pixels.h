// Where a frame leaves the rasterizer for the display: the pixels a window
// shows, in the display's own layout, and what of them a frame changed.
//
// A presenter owns such pixels (a shared-memory image, a buffer handed to a
// compositor), brings them up to each new frame with PresentPixels, and
// sends the display the rectangles that `changed` gives (damage.h).
#pragma once

#include <cstdint>

#include "platform/portable/rasterizer/damage.h"
#include "platform/portable/rasterizer/rows.h"

// The window's own pixels, which the system shows: they need not be laid
// out as a Colour, and only `convert` writes them.
struct WindowPixels {
    std::uint8_t* pixels;
    int pitch; // bytes from one row to the next
    int width;
    int height;
    int bytesPerPixel;
    // Writes `count` Colours as that many of the window's pixels; true if
    // any of them changed (or it cannot tell).
    bool (*convert)(const Colour* from, std::uint8_t* to, int count);
    // The surface last presented here, in that version; none for pixels
    // that hold no frame yet.
    Version holds;
    // What presenting has written here since the display was last sent
    // these pixels; whoever sends them clears it.
    Damage changed;
};

// Brings `window` up to `frame`: nothing if `frame` has not changed since
// it was presented there; if that was just before one of its last two
// restores, only the runs restored and drawn since; and otherwise
// everything. Notes what it wrote in `window.changed`.
void PresentPixels(WindowPixels& window, Surface* frame);

// A Colour (0x00BBGGRR) as X11's 0x00RRGGBB, as that opaque on a visual
// with alpha (0xFFRRGGBB), and as itself.
bool ConvertToXrgb(const Colour* from, std::uint8_t* to, int count);
bool ConvertToArgb(const Colour* from, std::uint8_t* to, int count);
bool ConvertToXbgr(const Colour* from, std::uint8_t* to, int count);
