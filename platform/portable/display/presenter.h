// How a finished frame reaches the screen: one presenter per display
// system, each filling this table. The render thread calls `present` once a
// frame (PresentFrame, system.h); the main thread calls `release` as the
// stop begins. Each presenter brings pixels of its own up to the frame
// (window_pixels.h) and sends the display only the rectangles that changed.
#pragma once

#include "platform/surface.h"

struct Presenter {
    // Render thread: `frame` on the screen, once somebody can see the
    // window and the display is ready for it; until then it waits. After
    // `release` it may return without presenting.
    void (*present)(Surface* frame);
    // Main thread, as the stop begins: a present that waits returns, and
    // the render thread goes on to its end.
    void (*release)();
    // Render thread: returns once the display has taken all that was sent.
    void (*finish)();
};
