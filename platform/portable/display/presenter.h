// How a finished frame reaches the screen: one presenter per display
// system, each filling this table. The render thread calls `present` once a
// frame (PresentFrame, system.h); a present that waits for the display
// waits for the stop too (sight.h). Each presenter brings pixels of its own up to the frame
// (window_pixels.h) and sends the display only the rectangles that changed.
#pragma once

#include "platform/surface.h"

struct Presenter {
    // Render thread: `frame` on the screen, once somebody can see the
    // window and the display is ready for it; until then it waits. Once the
    // stop has begun it may return without presenting.
    void (*present)(Surface* frame);
    // Render thread: returns once the display has taken all that was sent.
    void (*finish)();
};
