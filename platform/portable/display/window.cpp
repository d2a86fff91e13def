#include "platform/portable/display/window.h"

#include <algorithm>
#include <vector>

#include "platform/portable/display/wait.h"
#include "platform/portable/display/wayland_presenter.h"
#include "platform/portable/display/x11.h"
#include "platform/system.h"

PortableWindow SaverWindow{};

namespace {

Colour windowBackground;
bool serverPaintsBackground; // the X server fills what shows of the window
Uint32 screenFormat;         // for ConvertToScreenFormat; set with `screen`
std::vector<SDL_Rect> rects; // main thread: what goes to the display
constexpr Uint64 HOSTED_WHOLE_SHOW_MS = 1000;
Uint64 lastWholeShow = 0;

// Any layout SDL knows, one run at a time; X11's usual ones have their own
// converters, several times faster.
bool ConvertToScreenFormat(const Colour* from, std::uint8_t* to, int count)
{
    SDL_ConvertPixels(count, 1, SDL_PIXELFORMAT_XBGR8888, from, count * 4, screenFormat, to,
                      count * SDL_BYTESPERPIXEL(screenFormat));
    return true;
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
    WindowPixels& screen = SaverWindow.screen;
    if (surface == nullptr) {
        screen = {nullptr, 0, 0, 0, 0, ConvertToXbgr, {}, {}};
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
    screen = {static_cast<std::uint8_t*>(surface->pixels),
              surface->pitch,
              surface->w,
              surface->h,
              format->BytesPerPixel,
              convert,
              {},
              {}};
    ClearDamage(screen.changed, screen.width, screen.height);
    // Filled, the background goes out whole with the first show.
    if (!serverPaintsBackground)
        DamageWhole(screen.changed);
}

// Left to itself SDL backs an X11 window surface with an OpenGL texture,
// which on a software GL costs twenty times the plain shared-memory image.
void PreferPlainFramebuffer()
{
    if (SDL_strcmp(SDL_GetCurrentVideoDriver(), "x11") == 0)
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
}

// Render thread: only what changed since the last frame is written, and
// never while the main thread shows the pixels. While nobody can see the
// window it waits here, with the next frame ready.
void PresentToWindowSurface(Surface* frame)
{
    SDL_LockMutex(SaverWindow.frameLock);
    RenderThreadWaits(SaverWindow.unseen && !SaverWindow.stopping);
    while (SaverWindow.unseen && !SaverWindow.stopping)
        SDL_CondWait(SaverWindow.seenAgain, SaverWindow.frameLock);
    RenderThreadWaits(false);
    PresentPixels(SaverWindow.screen, frame);
    const bool announce = !SaverWindow.framePending;
    SaverWindow.framePending = true;
    SDL_UnlockMutex(SaverWindow.frameLock);
    if (announce)
        WakeEventLoopForFrame();
}

void ReleaseWindowSurface()
{
    SDL_LockMutex(SaverWindow.frameLock);
    SaverWindow.stopping = true;
    SDL_CondBroadcast(SaverWindow.seenAgain);
    SDL_UnlockMutex(SaverWindow.frameLock);
}

// What both kinds of window share once SDL has one: the lock, the frame
// the scene sees as the window, the window surface.
bool PrepareWindow(int width, int height, Colour background)
{
    SaverWindow.frameLock = SDL_CreateMutex();
    SaverWindow.seenAgain = SDL_CreateCond();
    if (SaverWindow.frameLock == nullptr || SaverWindow.seenAgain == nullptr)
        return false;
    if (!CanWakeEventLoop())
        return SDL_SetError("no pipe to wake the event loop with") == 0;
    SaverWindow.frame = CreateMemorySurface(width, height);
    FillSurface(SaverWindow.frame, background);
    windowBackground = background;
    SaverWindow.presenter = {PresentToWindowSurface, ReleaseWindowSurface};
    return true;
}

} // namespace

namespace {

// On Wayland the compositor places windows itself, and covers its output
// with one that asks for the full screen. The frames are ours, on SDL's
// window (wayland_presenter.h), at the output's size in pixels.
bool OpenWaylandWindow(const char* title, Colour background)
{
    SDL_Rect screen{};
    if (SDL_GetDisplayBounds(0, &screen) != 0)
        return false;
    SaverWindow.window =
        SDL_CreateWindow(title, 0, 0, screen.w, screen.h,
                         SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN | SDL_WINDOW_FULLSCREEN_DESKTOP |
                             SDL_WINDOW_ALLOW_HIGHDPI);
    if (SaverWindow.window == nullptr)
        return false;
    SDL_ShowCursor(SDL_DISABLE);
    SDL_ShowWindow(SaverWindow.window);
    int width = 0, height = 0, points = 0;
    SDL_GetWindowSizeInPixels(SaverWindow.window, &width, &height);
    SDL_GetWindowSize(SaverWindow.window, &points, nullptr);
    return PrepareWindow(width, height, background) &&
           OpenWaylandPresenter(SaverWindow.window, width, height, points > 0 ? width / points : 1,
                                background, SaverWindow.presenter);
}

} // namespace

bool OpenSaverWindow(const char* title, Colour background)
{
    if (SDL_strcmp(SDL_GetCurrentVideoDriver(), "wayland") == 0)
        return OpenWaylandWindow(title, background);
    SDL_Rect screen{};
    if (SDL_GetDisplayBounds(0, &screen) != 0)
        return false;
    const int width = screen.x + screen.w, height = screen.y + screen.h;
    PreferPlainFramebuffer();
    SaverWindow.window =
        SDL_CreateWindow(title, 0, 0, width, height, SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
    if (SaverWindow.window == nullptr || !PrepareWindow(width, height, background))
        return false;
    SDL_Surface* surface = SDL_GetWindowSurface(SaverWindow.window);
    if (surface == nullptr)
        return false;
    // The server showing the background from the start, nothing of ours
    // is filled and copied before the first frame.
    serverPaintsBackground =
        LetServerPaintBackground(SaverWindow.window, BackgroundPixel(surface->format));
    AttachScreen(surface);
    WatchX11Window(SaverWindow.window, false, SaverWindow.sight);
    ApplySight();
    AskForFullScreen(SaverWindow.window);
    SDL_ShowCursor(SDL_DISABLE);
    SDL_ShowWindow(SaverWindow.window);
    RepeatFullScreenRequest(SaverWindow.window);
    SDL_RaiseWindow(SaverWindow.window);
    return true;
}

bool OpenHostedWindow(unsigned long id, Colour background)
{
    PreferPlainFramebuffer();
    SaverWindow.window = SDL_CreateWindowFrom(reinterpret_cast<void*>(id));
    SaverWindow.hosted = true;
    if (SaverWindow.window == nullptr)
        return false;
    int width = 0, height = 0;
    SDL_GetWindowSize(SaverWindow.window, &width, &height);
    if (!PrepareWindow(width, height, background))
        return false;
    SDL_Surface* surface = SDL_GetWindowSurface(SaverWindow.window);
    if (surface == nullptr)
        return false;
    AttachScreen(surface);
    WatchX11Window(SaverWindow.window, true, SaverWindow.sight);
    ApplySight();
    return true;
}

void ShowLatestFrame(bool whole)
{
    SDL_LockMutex(SaverWindow.frameLock);
    SaverWindow.framePending = false;
    WindowPixels& screen = SaverWindow.screen;
    const bool holdsWindow = screen.holds.surface != 0 || !serverPaintsBackground;
    if (screen.pixels != nullptr && holdsWindow) {
        // A host may paint its own window too (xscreensaver does, for a
        // few seconds as it starts), and only an exposure would tell: there
        // the whole window goes out again once a second.
        const Uint64 now = SDL_GetTicks64();
        if (SaverWindow.hosted && now - lastWholeShow >= HOSTED_WHOLE_SHOW_MS)
            whole = true;
        if (whole) {
            DamageWhole(screen.changed);
            lastWholeShow = now;
        }
        rects.clear();
        for (const PixelRect& r : DamageRects(screen.changed, screen.width, screen.height))
            rects.push_back({r.x, r.y, r.width, r.height});
        if (!rects.empty())
            SDL_UpdateWindowSurfaceRects(SaverWindow.window, rects.data(),
                                         static_cast<int>(rects.size()));
        ClearDamage(screen.changed, screen.width, screen.height);
    }
    SDL_UnlockMutex(SaverWindow.frameLock);
}

// SDL frees the old surface in SDL_GetWindowSurface, which is why the
// render thread must be kept off it here.
void ReattachScreen()
{
    if (SaverWindow.presenter.present != PresentToWindowSurface)
        return;
    SDL_LockMutex(SaverWindow.frameLock);
    AttachScreen(SDL_GetWindowSurface(SaverWindow.window));
    SDL_UnlockMutex(SaverWindow.frameLock);
}

void ApplySight()
{
    SDL_LockMutex(SaverWindow.frameLock);
    const bool unseen = !CanBeSeen(SaverWindow.sight);
    if (SaverWindow.unseen && !unseen) {
        // Whatever covered it may have left anything on the screen.
        DamageWhole(SaverWindow.screen.changed);
        SDL_CondBroadcast(SaverWindow.seenAgain);
    }
    SaverWindow.unseen = unseen;
    SDL_UnlockMutex(SaverWindow.frameLock);
}

void ReleaseRenderThread()
{
    StopWaitingForRenderThread();
    SaverWindow.presenter.release();
}
