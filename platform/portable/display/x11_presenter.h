// Frames on an X11 window from the render thread, on a connection of its
// own: SDL's stays the main thread's, for the window and the input.
#pragma once

#include "platform/portable/display/presenter.h"

// Main thread: frames of width x height pixels for the X window `id` (the
// saver's or a host's), on the display SDL has open. False, with SDL's
// error, when the display cannot be opened again or the window is gone.
bool OpenX11Presenter(unsigned long id, int width, int height, bool hosted, Presenter& presenter);
