// What the portable saver asks of an X server beyond what SDL does. All of
// it runs on the main thread, over SDL's own connection. Where SDL runs on
// another video driver these do nothing.
#pragma once

#include <SDL.h>

#include "platform/portable/display/screen.h"
#include "platform/portable/display/sight.h"
#include "platform/surface.h"

struct SDL_SysWMmsg;
typedef struct _XDisplay Display; // as Xlib has it

// From now on an X error or a lost connection ends the process at once with
// exit code 1 and one line, instead of Xlib's report and an exit() under
// the running threads; and Xlib may be called from the render thread too,
// on a connection of its own. Called before any other Xlib call.
void CatchXFailures();

// Starts watching what hides `window`, the one the saver draws on, and
// fills in what hides it now: whether it is viewable, through its parents
// too. `hosted`: another program made it, so the saver listens there only
// for exposure, structure and visibility, and never for input; otherwise
// it covers `covers` of the screen. False when SDL's window is not an X11
// one.
bool WatchX11Window(SDL_Window* window, bool hosted, const ScreenRect& covers, Sight& sight);

// Asks the window's map state again: SDL, mapping the window, waits for the
// map event itself and takes it off the queue.
void CheckMapState(Sight& sight);

// The X connection's file descriptor, or -1 where there is none.
int X11ConnectionFd();

// Sends what Xlib holds back; false if events wait in its queue already,
// which the connection's descriptor would not show.
bool X11ReadyToSleep();

// What an X event said: nothing for the saver, a change of `sight`, the
// end of the window it draws on, or that the window's area has changed
// (the host's window resized, the primary monitor moved or resized), so
// that frames of the size the saver has no longer fill it.
enum class XNews { Nothing, Sight, WindowGone, Resized };
XNews ReadXEvent(const SDL_SysWMmsg* message, Sight& sight);

// The one line that says the window drawn on has gone.
void ReportWindowGone();

// The one line that says the connection to the display was lost.
void ReportLostDisplay();

// Asks DPMS whether the monitor is off, where the server has DPMS.
void CheckMonitor(Sight& sight);
bool HasDpms();

// Whether the X server is XWayland, a Wayland compositor's X11 side.
bool IsXWayland();

// The server paints the window `background` wherever it shows, from the
// moment it is mapped.
void LetServerPaintBackground(SDL_Window* window, Colour background);

// `colour` as a pixel of a true-colour visual of that depth and those
// masks, opaque where it has alpha.
unsigned long PixelOf(unsigned long red, unsigned long green, unsigned long blue, int depth,
                      Colour colour);

// X errors caught, instead of ending the process, from TrapXErrors until
// XErrorsCaught on `display`, which says whether any came. For calls that
// may fail as a matter of course, on the main thread; the handler is the
// whole process's, so the render thread's errors in between are let pass.
void TrapXErrors();
bool XErrorsCaught(Display* display);

// The window, not yet mapped, is marked as a full-screen one (EWMH), so
// that window managers put it over their panels and leave it its size.
void AskForFullScreen(SDL_Window* window);

// The same, asked once the window is mapped, for a window manager that
// may have missed the property.
void RepeatFullScreenRequest(SDL_Window* window);
