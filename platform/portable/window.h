// The portable saver's one window, between the main thread and the render
// thread.
//
// SDL wants its video calls made on the thread that runs the event loop, so
// the render thread makes none. PresentFrame writes what changed in the
// frame into the window surface's pixels, `screen`, under `frameLock`, and
// posts a `frameEvent`; the main thread, on that event, shows those pixels
// with SDL_UpdateWindowSurface under the same lock. So the window never
// shows a half-written frame, and a frame not shown yet is simply followed
// by the next.
#pragma once

#include <SDL.h>

#include "platform/portable/portable_surface.h"

struct PortableWindow {
    SDL_Window* window;
    Surface* frame;       // the window as the scene sees it: its background
    SDL_mutex* frameLock; // guards `screen`, the pixels it points at, `framePending`
    WindowPixels screen;  // SDL's window surface
    bool framePending;    // a frameEvent is on its way and not yet handled
    Uint32 frameEvent;    // the SDL user event type that announces a frame
};

// The window handle the saver's threads share, as the Windows build has one.
extern PortableWindow SaverWindow;

// Opens SaverWindow: borderless, exactly over the primary display from
// (0, 0), pointer hidden, showing `background` until the first frame.
// False, with SDL's error, when the window or its surface cannot be made.
// A display lost after this ends the process with exit code 1 and one line
// on stderr.
bool OpenSaverWindow(const char* title, Colour background);

// Main thread: shows the latest frame on the window, in one whole-surface
// copy.
void ShowLatestFrame();

// Main thread, when the window's size has changed: takes SDL's new window
// surface, which shows the background until the next whole frame.
void ReattachScreen();
