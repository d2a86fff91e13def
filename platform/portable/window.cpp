#include "platform/portable/window.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/portable/portable_surface.h"
#include "platform/system.h"

PortableWindow SaverWindow{};

namespace {

// X11 visuals put red in the high byte, a Colour in the low one: the copy
// onto such a surface swaps the two on the way. A loop this plain compiles
// to vector code and runs at memory speed; SDL's general converter is about
// half as fast here.
void CopySwappingRedBlue(const Surface* from, SDL_Surface* to, int width, int height)
{
    for (int y = 0; y < height; ++y) {
        const Colour* source = from->pixels.data() + static_cast<std::size_t>(y) * from->width;
        auto* target = reinterpret_cast<Uint32*>(static_cast<Uint8*>(to->pixels) +
                                                 static_cast<std::size_t>(y) * to->pitch);
        for (int x = 0; x < width; ++x) {
            const Colour p = source[x];
            target[x] = ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
        }
    }
}

// Clipped to both: a window manager may have sized the window otherwise.
void CopyFrame(const Surface* from, SDL_Surface* to)
{
    const int width = std::min(from->width, to->w);
    const int height = std::min(from->height, to->h);
    if (width <= 0 || height <= 0)
        return;
    const Uint32 format = to->format->format;
    if (format == SDL_PIXELFORMAT_RGB888 || format == SDL_PIXELFORMAT_ARGB8888) {
        CopySwappingRedBlue(from, to, width, height);
        return;
    }
    SDL_ConvertPixels(width, height, SDL_PIXELFORMAT_XBGR8888, from->pixels.data(),
                      from->width * static_cast<int>(sizeof(Colour)), format, to->pixels,
                      to->pitch);
}

// Xlib's own handler for a lost display prints two lines and calls exit()
// under the running threads; this one says it in one line and leaves at once.
int EndOnLostDisplay(void*)
{
    std::fputs("vendrel-screensaver: lost the connection to the display\n", stderr);
    std::_Exit(1);
}

// SDL loads Xlib at run time, and so do we: the program needs no X11 to
// build, and elsewhere this finds nothing and does nothing.
void CatchLostDisplay()
{
    if (SDL_strcmp(SDL_GetCurrentVideoDriver(), "x11") != 0)
        return;
    void* xlib = SDL_LoadObject("libX11.so.6");
    if (xlib == nullptr)
        return;
    using IoErrorHandler = int (*)(void*);
    using SetIoErrorHandler = IoErrorHandler (*)(IoErrorHandler);
    auto set = reinterpret_cast<SetIoErrorHandler>(SDL_LoadFunction(xlib, "XSetIOErrorHandler"));
    if (set != nullptr)
        set(EndOnLostDisplay);
}

} // namespace

bool OpenSaverWindow(const char* title, Colour background)
{
    SDL_Rect screen{};
    if (SDL_GetDisplayBounds(0, &screen) != 0)
        return false;
    // Left to itself SDL backs an X11 window surface with an OpenGL texture,
    // which on a software GL costs twenty times the plain shared-memory image.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SaverWindow.window = SDL_CreateWindow(title, 0, 0, screen.x + screen.w, screen.y + screen.h,
                                          SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
    if (SaverWindow.window == nullptr)
        return false;
    SaverWindow.frameEvent = SDL_RegisterEvents(1);
    SaverWindow.frameLock = SDL_CreateMutex();
    if (SaverWindow.frameEvent == static_cast<Uint32>(-1) || SaverWindow.frameLock == nullptr)
        return false;
    SaverWindow.frame = CreateMemorySurface(screen.x + screen.w, screen.y + screen.h);
    FillSurface(SaverWindow.frame, background);
    if (SDL_GetWindowSurface(SaverWindow.window) == nullptr)
        return false;
    CatchLostDisplay();
    SDL_ShowCursor(SDL_DISABLE);
    SDL_ShowWindow(SaverWindow.window);
    SDL_RaiseWindow(SaverWindow.window);
    return true;
}

void ShowLatestFrame()
{
    SDL_Surface* target = SDL_GetWindowSurface(SaverWindow.window);
    if (target == nullptr)
        return;
    SDL_LockMutex(SaverWindow.frameLock);
    SaverWindow.framePending = false;
    CopyFrame(SaverWindow.frame, target);
    SDL_UnlockMutex(SaverWindow.frameLock);
    SDL_UpdateWindowSurface(SaverWindow.window);
}

// The frame changes hands instead of being copied: the only whole-surface
// copy is the one onto the window. The back buffer gets an earlier frame
// back, which the next frame's backdrop copy covers completely.
void PresentFrame(Surface* window, Surface* backBuffer)
{
    SDL_LockMutex(SaverWindow.frameLock);
    if (window->width == backBuffer->width && window->height == backBuffer->height)
        window->pixels.swap(backBuffer->pixels);
    else
        CopyRect(window, 0, 0, backBuffer->width, backBuffer->height, backBuffer, 0, 0);
    const bool announce = !SaverWindow.framePending;
    SaverWindow.framePending = true;
    SDL_UnlockMutex(SaverWindow.frameLock);
    if (!announce)
        return;
    SDL_Event event{};
    event.type = SaverWindow.frameEvent;
    SDL_PushEvent(&event);
}
