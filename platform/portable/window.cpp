#include "platform/portable/window.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/portable/portable_surface.h"
#include "platform/portable/x11.h"
#include "platform/system.h"

PortableWindow SaverWindow{};

namespace {

Colour windowBackground;
bool serverPaintsBackground; // the X server fills what shows of the window
Uint32 screenFormat;         // for ConvertToScreenFormat; set with `screen`

// Any layout SDL knows, one run at a time; X11's usual ones have their own
// converters, several times faster.
void ConvertToScreenFormat(const Colour* from, std::uint8_t* to, int count)
{
    SDL_ConvertPixels(count, 1, SDL_PIXELFORMAT_XBGR8888, from, count * 4, screenFormat, to,
                      count * SDL_BYTESPERPIXEL(screenFormat));
}

Uint32 BackgroundPixel(const SDL_PixelFormat* format)
{
    return SDL_MapRGB(format, windowBackground & 0xFF, (windowBackground >> 8) & 0xFF,
                      (windowBackground >> 16) & 0xFF);
}

// `screen` becomes the window surface SDL has now, which holds no frame
// yet; or nothing, a zero-sized screen, if SDL has none. Unless the X
// server paints the background, it is filled with it, to be shown until
// the first frame.
void AttachScreen(SDL_Surface* surface)
{
    if (surface == nullptr) {
        SaverWindow.screen = {nullptr, 0, 0, 0, 0, ConvertToXbgr, {}};
        return;
    }
    const SDL_PixelFormat* format = surface->format;
    if (!serverPaintsBackground)
        SDL_FillRect(surface, nullptr, BackgroundPixel(format));
    screenFormat = format->format;
    auto convert = ConvertToScreenFormat;
    if (screenFormat == SDL_PIXELFORMAT_RGB888 || screenFormat == SDL_PIXELFORMAT_ARGB8888)
        convert = ConvertToXrgb;
    else if (screenFormat == SDL_PIXELFORMAT_XBGR8888 || screenFormat == SDL_PIXELFORMAT_ABGR8888)
        convert = ConvertToXbgr;
    SaverWindow.screen = {static_cast<std::uint8_t*>(surface->pixels),
                          surface->pitch,
                          surface->w,
                          surface->h,
                          format->BytesPerPixel,
                          convert,
                          {}};
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
    windowBackground = background;
    SDL_Surface* surface = SDL_GetWindowSurface(SaverWindow.window);
    if (surface == nullptr)
        return false;
    // The server showing the background from the start, nothing of ours
    // is filled and copied before the first frame.
    serverPaintsBackground =
        LetServerPaintBackground(SaverWindow.window, BackgroundPixel(surface->format));
    AttachScreen(surface);
    AskForFullScreen(SaverWindow.window);
    CatchLostDisplay();
    SDL_ShowCursor(SDL_DISABLE);
    SDL_ShowWindow(SaverWindow.window);
    SDL_RaiseWindow(SaverWindow.window);
    return true;
}

void ShowLatestFrame()
{
    SDL_LockMutex(SaverWindow.frameLock);
    SaverWindow.framePending = false;
    const WindowPixels& screen = SaverWindow.screen;
    const bool holdsWindow = screen.holds.surface != 0 || !serverPaintsBackground;
    if (screen.pixels != nullptr && holdsWindow)
        SDL_UpdateWindowSurface(SaverWindow.window);
    SDL_UnlockMutex(SaverWindow.frameLock);
}

// SDL frees the old surface in SDL_GetWindowSurface, which is why the
// render thread must be kept off it here.
void ReattachScreen()
{
    SDL_LockMutex(SaverWindow.frameLock);
    AttachScreen(SDL_GetWindowSurface(SaverWindow.window));
    SDL_UnlockMutex(SaverWindow.frameLock);
}

// Render thread: only what changed since the last frame is written, and
// never while the main thread shows the pixels.
void PresentFrame(Surface*, Surface* backBuffer)
{
    SDL_LockMutex(SaverWindow.frameLock);
    PresentPixels(SaverWindow.screen, backBuffer);
    const bool announce = !SaverWindow.framePending;
    SaverWindow.framePending = true;
    SDL_UnlockMutex(SaverWindow.frameLock);
    if (!announce)
        return;
    SDL_Event event{};
    event.type = SaverWindow.frameEvent;
    SDL_PushEvent(&event);
}
