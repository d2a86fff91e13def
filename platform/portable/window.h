// The portable saver's one window, between the main thread and the render
// thread.
//
// SDL wants its video calls made on the thread that runs the event loop, so
// the render thread makes none: PresentFrame hands the finished frame over
// as `frame` under `frameLock` and posts a `frameEvent`; the main thread, on
// that event, copies `frame` onto the window's SDL surface and updates the
// window. A frame not shown yet is simply replaced by the next one.
#pragma once

#include <SDL.h>

#include "platform/surface.h"

struct PortableWindow {
    SDL_Window* window;
    Surface* frame;       // the last frame presented; the background before the first
    SDL_mutex* frameLock; // guards `frame` and `framePending`
    bool framePending;    // a frameEvent is on its way and not yet handled
    Uint32 frameEvent;    // the SDL user event type that announces a frame
};

// The window handle the saver's threads share, as the Windows build has one.
extern PortableWindow SaverWindow;

// Opens SaverWindow: borderless, exactly over the primary display from
// (0, 0), pointer hidden, `frame` filled with `background`. False, with
// SDL's error, when the window or its surface cannot be made. A display
// lost after this ends the process with exit code 1 and one line on stderr.
bool OpenSaverWindow(const char* title, Colour background);

// Main thread: puts `frame` on the window, in one whole-surface copy.
void ShowLatestFrame();
