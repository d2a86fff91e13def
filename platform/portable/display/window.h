// The portable saver's one window, between the main thread and the render
// thread.
//
// SDL wants its video calls made on the thread that runs the event loop, so
// the render thread makes none: it hands each frame to the window's
// presenter (presenter.h), which sends it to the display itself, on an X11
// connection of its own or on the Wayland surface. The main thread only
// waits for events (input, what hides the window, its exposure, signals)
// and tells the presenter of them under `frameLock`.
//
// While nobody can see the window (sight.h), the presenter holds the render
// thread back until somebody can, and the main thread sleeps in
// WaitForWindowWork: nothing is drawn, sent or woken for.
#pragma once

#include <SDL.h>

#include "platform/portable/display/presenter.h"
#include "platform/portable/display/sight.h"

struct PortableWindow {
    SDL_Window* window;
    Surface* frame;       // the window as the scene sees it: its background
    bool hosted;          // drawn on a window another program made
    Sight sight;          // main thread: what hides the window now
    Presenter presenter;  // how frames reach the screen
    SDL_mutex* frameLock; // guards what follows
    SDL_cond* seenAgain;  // signalled when the window can be seen again
    bool unseen;          // nobody can see the window: the render thread waits
    bool wholeNext;       // the next frame goes out whole, as after an exposure
    bool stopping;        // the stop has begun: the render thread waits no more
};

// The window handle the saver's threads share, as the Windows build has one.
extern PortableWindow SaverWindow;

// Opens SaverWindow: borderless, exactly over the primary monitor, pointer hidden,
// showing `background` until the first frame. False, with SDL's error,
// when the window or its presenter cannot be made.
bool OpenSaverWindow(const char* title, Colour background);

// Opens SaverWindow on the X window `id` that a host made (host_window.h),
// already checked with CheckHostWindow: its size and visual, no window of
// our own, no pointer or window state asked for, no input listened to.
bool OpenHostedWindow(unsigned long id, Colour background);

// Main thread: the next frame goes out whole, as after an exposure.
void ShowWholeFrameNext();

// Main thread, after a change of SaverWindow.sight: holds the render thread
// back while nobody can see the window, and lets it go on when somebody
// can; that next frame goes out whole.
void ApplySight();

// Render thread, in a presenter: waits while nobody can see the window;
// then whether the frame is to go out whole. False once the stop has begun.
bool AwaitSight(bool& whole);

// Main thread, as the stop begins: the render thread goes on to its end
// even if the window cannot be seen.
void ReleaseRenderThread();
