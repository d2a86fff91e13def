// Frames on SDL's Wayland window, in shared-memory buffers of the saver's
// own, paced by the compositor. SDL keeps the toplevel, the full screen,
// the keyboard and the pointer; it draws nothing.
#pragma once

#include <SDL.h>

#include "platform/portable/display/presenter.h"

// Main thread, once SDL has shown `window`: frames of width x height pixels,
// the window's size times `scale`, one pixel per output pixel. The window
// shows `background` from now on. False, with SDL's error, where the
// compositor offers too little.
bool OpenWaylandPresenter(SDL_Window* window, int width, int height, int scale, Colour background,
                          Presenter& presenter);

// The main thread's part in reading the connection it shares with the
// render thread: before it sleeps, the descriptor to wait on, or -1 when
// events wait already (SDL then dispatches them); after, whether it woke
// for the connection.
int WaylandPrepareToSleep();
void WaylandWoke(bool readable);

// Whether the compositor's connection has failed; SDL then sends SDL_QUIT.
bool WaylandConnectionLost();
