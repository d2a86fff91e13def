#include "platform/portable/display/window.h"

#include <SDL_syswm.h>

#include "platform/portable/display/wait.h"
#include "platform/portable/display/wayland_presenter.h"
#include "platform/portable/display/x11.h"
#include "platform/portable/display/x11_presenter.h"
#include "platform/portable/rasterizer/rows.h"

PortableWindow SaverWindow{};

namespace {

// What every kind of window shares once SDL has one: the lock, the frame
// the scene sees as the window.
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
    return true;
}

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
    const char* driver = SDL_GetCurrentVideoDriver();
    if (SDL_strcmp(driver, "wayland") == 0)
        return OpenWaylandWindow(title, background);
    if (SDL_strcmp(driver, "x11") != 0)
        return SDL_SetError("it draws on X11 and Wayland only, not on SDL's '%s'", driver) == 0;
    SaverWindow.window =
        SDL_CreateWindow(title, 0, 0, 1, 1, SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SaverWindow.window == nullptr || !SDL_GetWindowWMInfo(SaverWindow.window, &info))
        return false;
    // Exactly the primary monitor, where it is.
    const ScreenRect covers = PrimaryMonitor(info.info.x11.display);
    SDL_SetWindowPosition(SaverWindow.window, covers.x, covers.y);
    SDL_SetWindowSize(SaverWindow.window, covers.width, covers.height);
    if (!PrepareWindow(covers.width, covers.height, background))
        return false;
    // The server shows the background from the start: nothing of ours is
    // filled and sent before the first frame.
    LetServerPaintBackground(SaverWindow.window, background);
    if (!OpenX11Presenter(info.info.x11.window, covers.width, covers.height, false,
                          SaverWindow.presenter))
        return false;
    WatchX11Window(SaverWindow.window, false, covers, SaverWindow.sight);
    ApplySight();
    AskForFullScreen(SaverWindow.window);
    SDL_ShowCursor(SDL_DISABLE);
    SDL_ShowWindow(SaverWindow.window);
    CheckMapState(SaverWindow.sight);
    ApplySight();
    RepeatFullScreenRequest(SaverWindow.window);
    SDL_RaiseWindow(SaverWindow.window);
    return true;
}

bool OpenHostedWindow(unsigned long id, Colour background)
{
    SaverWindow.window = SDL_CreateWindowFrom(reinterpret_cast<void*>(id));
    SaverWindow.hosted = true;
    if (SaverWindow.window == nullptr)
        return false;
    int width = 0, height = 0;
    SDL_GetWindowSize(SaverWindow.window, &width, &height);
    if (!PrepareWindow(width, height, background) ||
        !OpenX11Presenter(id, width, height, true, SaverWindow.presenter))
        return false;
    WatchX11Window(SaverWindow.window, true, {0, 0, width, height}, SaverWindow.sight);
    ApplySight();
    return true;
}

void ShowWholeFrameNext()
{
    SDL_LockMutex(SaverWindow.frameLock);
    SaverWindow.wholeNext = true;
    SDL_UnlockMutex(SaverWindow.frameLock);
}

void ApplySight()
{
    SDL_LockMutex(SaverWindow.frameLock);
    const bool unseen = !CanBeSeen(SaverWindow.sight);
    if (SaverWindow.unseen && !unseen) {
        // Whatever covered it may have left anything on the screen.
        SaverWindow.wholeNext = true;
        SDL_CondBroadcast(SaverWindow.seenAgain);
    }
    SaverWindow.unseen = unseen;
    SDL_UnlockMutex(SaverWindow.frameLock);
}

bool AwaitSight(bool& whole)
{
    SDL_LockMutex(SaverWindow.frameLock);
    RenderThreadWaits(SaverWindow.unseen && !SaverWindow.stopping);
    while (SaverWindow.unseen && !SaverWindow.stopping)
        SDL_CondWait(SaverWindow.seenAgain, SaverWindow.frameLock);
    RenderThreadWaits(false);
    whole = SaverWindow.wholeNext;
    SaverWindow.wholeNext = false;
    const bool going = !SaverWindow.stopping;
    SDL_UnlockMutex(SaverWindow.frameLock);
    return going;
}

void ReleaseRenderThread()
{
    SDL_LockMutex(SaverWindow.frameLock);
    SaverWindow.stopping = true;
    SDL_CondBroadcast(SaverWindow.seenAgain);
    SDL_UnlockMutex(SaverWindow.frameLock);
    StopWaitingForRenderThread();
}
