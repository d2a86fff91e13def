// The portable saver's one window, between the main thread and the render
// thread.
//
// SDL wants its video calls made on the thread that runs the event loop, so
// the render thread makes none. PresentFrame writes what changed in the
// frame into the window surface's pixels, `screen`, under `frameLock`, and
// wakes the main thread; the main thread then sends what changed to the
// display with SDL_UpdateWindowSurfaceRects under the same lock. So the
// window never shows a half-written frame, and a frame not shown yet is
// simply followed by the next.
//
// While nobody can see the window (sight.h), PresentFrame holds the render
// thread back until somebody can, and the main thread sleeps in
// WaitForWindowWork: nothing is drawn, sent or woken for.
#pragma once

#include <SDL.h>

#include "platform/portable/display/presenter.h"
#include "platform/portable/display/sight.h"
#include "platform/portable/rasterizer/window_pixels.h"

struct PortableWindow {
    SDL_Window* window;
    Surface* frame;       // the window as the scene sees it: its background
    bool hosted;          // drawn on a window another program made
    Sight sight;          // main thread: what hides the window now
    Presenter presenter;  // how frames reach the screen
    SDL_mutex* frameLock; // guards what follows
    SDL_cond* seenAgain;  // signalled when the window can be seen again
    WindowPixels screen;  // SDL's window surface
    bool framePending;    // the main thread has been woken for a frame
    bool unseen;          // nobody can see the window: the render thread waits
    bool stopping;        // the stop has begun: the render thread waits no more
};

// The window handle the saver's threads share, as the Windows build has one.
extern PortableWindow SaverWindow;

// Opens SaverWindow: borderless, exactly over the primary display from
// (0, 0), pointer hidden, showing `background` until the first frame.
// False, with SDL's error, when the window or its surface cannot be made.
bool OpenSaverWindow(const char* title, Colour background);

// Opens SaverWindow on the X window `id` that a host made (host_window.h),
// already checked with CheckHostWindow: its size and visual, no window of
// our own, no pointer or window state asked for, no input listened to.
bool OpenHostedWindow(unsigned long id, Colour background);

// Main thread: sends the display what changed since the last time, or, with
// `whole`, the whole window, as after an exposure.
void ShowLatestFrame(bool whole = false);

// Main thread, when the window's size has changed: takes SDL's new window
// surface, which shows the background until the next whole frame.
void ReattachScreen();

// Main thread, after a change of SaverWindow.sight: holds the render thread
// back while nobody can see the window, and lets it go on when somebody
// can; that next frame goes out whole.
void ApplySight();

// Main thread, as the stop begins: the render thread goes on to its end
// even if the window cannot be seen.
void ReleaseRenderThread();
