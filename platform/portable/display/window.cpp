#include "platform/portable/display/window.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/portable/rasterizer/rows.h"
#include "platform/portable/display/x11.h"
#include "platform/system.h"

PortableWindow SaverWindow{};

namespace {

// Woken through a pipe: a signal handler may write to it, and the main
// thread can wait on it and the display's connection at once.
struct WakePipe {
    int read = -1, write = -1;
    WakePipe()
    {
        int ends[2];
        if (pipe2(ends, O_NONBLOCK | O_CLOEXEC) == 0) {
            read = ends[0];
            write = ends[1];
        }
    }
};
const WakePipe wake;

// Where SDL's connection is not an X11 one (Wayland), the main thread waits
// in SDL itself, woken by an event of ours; a signal, whose handler cannot
// post one, is seen within this long.
constexpr int SIGNAL_CHECK_MS = 250;
Uint32 wakeEvent = static_cast<Uint32>(-1);

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
// Wayland has no plain one in SDL: there the texture is the only way.
void PreferPlainFramebuffer()
{
    if (SDL_strcmp(SDL_GetCurrentVideoDriver(), "x11") == 0)
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
}

// What both kinds of window share once SDL has one: the lock, the frame
// the scene sees as the window, the window surface.
bool PrepareWindow(int width, int height, Colour background)
{
    SaverWindow.frameLock = SDL_CreateMutex();
    SaverWindow.seenAgain = SDL_CreateCond();
    if (SaverWindow.frameLock == nullptr || SaverWindow.seenAgain == nullptr)
        return false;
    if (wake.read < 0)
        return SDL_SetError("no pipe to wake the event loop with") == 0;
    SaverWindow.frame = CreateMemorySurface(width, height);
    FillSurface(SaverWindow.frame, background);
    windowBackground = background;
    return true;
}

} // namespace

bool OpenSaverWindow(const char* title, Colour background)
{
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
    if (!WatchX11Window(SaverWindow.window, false, SaverWindow.sight)) {
        // Wayland: the compositor places windows itself, and covers its
        // output with one that asks for the full screen.
        wakeEvent = SDL_RegisterEvents(1);
        SDL_SetWindowFullscreen(SaverWindow.window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    }
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
    SDL_LockMutex(SaverWindow.frameLock);
    SaverWindow.stopping = true;
    SDL_CondBroadcast(SaverWindow.seenAgain);
    SDL_UnlockMutex(SaverWindow.frameLock);
}

void WaitForWindowWork(int timeoutMs)
{
    const int display = X11ConnectionFd();
    if (display < 0) {
        const int limit = timeoutMs < 0 ? SIGNAL_CHECK_MS : std::min(timeoutMs, SIGNAL_CHECK_MS);
        SDL_WaitEventTimeout(nullptr, limit);
        return;
    }
    if (!X11ReadyToSleep())
        return;
    pollfd fds[2] = {{wake.read, POLLIN, 0}, {display, POLLIN, 0}};
    if (poll(fds, 2, timeoutMs) > 0 && (fds[0].revents & POLLIN) != 0) {
        char drained[64];
        while (read(wake.read, drained, sizeof drained) > 0) {
        }
    }
}

void WakeEventLoop()
{
    const int saved = errno;
    const char one = 1;
    [[maybe_unused]] const ssize_t written = write(wake.write, &one, 1);
    errno = saved;
}

namespace {

// From the render thread: the pipe for an X11 connection, an event of SDL's
// otherwise.
void AnnounceFrame()
{
    if (wakeEvent == static_cast<Uint32>(-1)) {
        WakeEventLoop();
        return;
    }
    SDL_Event event{};
    event.type = wakeEvent;
    SDL_PushEvent(&event);
}

} // namespace

// Render thread: only what changed since the last frame is written, and
// never while the main thread shows the pixels. While nobody can see the
// window it waits here, with the next frame ready.
void PresentFrame(Surface*, Surface* backBuffer)
{
    SDL_LockMutex(SaverWindow.frameLock);
    while (SaverWindow.unseen && !SaverWindow.stopping)
        SDL_CondWait(SaverWindow.seenAgain, SaverWindow.frameLock);
    PresentPixels(SaverWindow.screen, backBuffer);
    const bool announce = !SaverWindow.framePending;
    SaverWindow.framePending = true;
    SDL_UnlockMutex(SaverWindow.frameLock);
    if (announce)
        AnnounceFrame();
}
