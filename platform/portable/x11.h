// What the portable saver asks of an X server beyond what SDL does. Each
// does nothing where SDL runs on another video driver.
#pragma once

#include <SDL.h>

// A lost display ends the process at once with exit code 1 and one line,
// instead of Xlib's two lines and an exit() under the running threads.
void CatchLostDisplay();

// The server paints the window `pixel` wherever it shows, from the moment
// it is mapped; false where it cannot be asked to.
bool LetServerPaintBackground(SDL_Window* window, Uint32 pixel);

// The window, not yet mapped, is marked as a full-screen one (EWMH), so
// that window managers put it over their panels and leave it its size.
void AskForFullScreen(SDL_Window* window);
