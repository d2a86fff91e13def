// The portable saver: SDL's window and event loop around the shared scene.
//
// main opens one borderless window over the primary display and waits for
// events. The first time the window is shown or exposed it starts the
// render thread on the window's frame surface, then the rotation thread.
// The first key, button, wheel or moving mouse runs the stop: the render
// thread is halted after the same pauses as on Windows, and main returns 0.
// Nothing is read from the command line, the environment or a file.
#include <SDL.h>

#include <cstdio>

#ifdef __linux__
#include <pthread.h>
#include <sys/prctl.h>

#include <csignal>
#endif

#include "app/stop_rules.h"
#include "backdrop/rotation.h"
#include "platform/portable/window.h"
#include "platform/system.h"
#include "scene/render_thread.h"
#include "scene/scene.h"

namespace {

constexpr char SAVER_NAME[] = "Vendrel Screensaver";
constexpr char PROGRAM[] = "vendrel-screensaver";
constexpr int NO_STOP = -1;

bool drawingStarted = false;

int RenderThreadEntry(void* frame)
{
    return RenderThread(static_cast<Surface*>(frame));
}

int RotationThreadEntry(void*)
{
    return RotationThread(SleepMs);
}

// Both threads run detached, as on Windows: nothing waits for them. Later
// exposures only repaint, so there is never a second pair.
void StartDrawing()
{
    if (drawingStarted)
        return;
    drawingStarted = true;
    WindowSurfaceInUse.store(true, std::memory_order_release);
    SDL_DetachThread(SDL_CreateThread(RenderThreadEntry, "render", SaverWindow.frame));
    SDL_DetachThread(SDL_CreateThread(RotationThreadEntry, "rotation", nullptr));
}

// Windows turns a key with Alt held, and F10, into a system key.
Trigger KeyTrigger(const SDL_KeyboardEvent& key)
{
    if (key.keysym.sym == SDLK_F10 || (key.keysym.mod & KMOD_ALT) != 0)
        return Trigger::SystemKey;
    return Trigger::Key;
}

// SDL has no raw mouse input of its own; a motion event that actually
// moves stands for it. The one SDL sends as the window appears under a
// still pointer carries no movement and ends nothing.
int StopPauseFor(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_KEYDOWN: return StopPauseMs(KeyTrigger(event.key));
    case SDL_MOUSEBUTTONDOWN: return StopPauseMs(Trigger::MouseButton);
    case SDL_MOUSEWHEEL: return StopPauseMs(Trigger::Wheel);
    case SDL_MOUSEMOTION:
        if (!RawMouseIsInput(event.motion.xrel, event.motion.yrel, 0))
            return NO_STOP;
        return StopPauseMs(Trigger::RawInput);
    case SDL_QUIT: return 0; // closed by the window manager, or the session ends
    }
    return NO_STOP;
}

void HandleWindowEvent(const SDL_WindowEvent& window)
{
    if (window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
        ReattachScreen();
    if (window.event != SDL_WINDOWEVENT_SHOWN && window.event != SDL_WINDOWEVENT_EXPOSED)
        return;
    ShowLatestFrame();
    StartDrawing();
}

// Returns the exit code once a stop has run, with the render thread off the
// window.
int RunEventLoop()
{
    SDL_Event event;
    while (SDL_WaitEvent(&event) != 0) {
        if (event.type == SaverWindow.frameEvent) {
            ShowLatestFrame();
            continue;
        }
        if (event.type == SDL_WINDOWEVENT) {
            HandleWindowEvent(event.window);
            continue;
        }
        const int pauseMs = StopPauseFor(event);
        if (pauseMs == NO_STOP)
            continue;
        HaltRendering(pauseMs);
        return 0;
    }
    std::fprintf(stderr, "%s: lost the event queue: %s\n", PROGRAM, SDL_GetError());
    HaltRendering(0);
    return 1;
}

#ifdef __linux__
void DieWithParent()
{
    prctl(PR_SET_PDEATHSIG, SIGKILL);
}
#endif

// SDL shows X11 message boxes from a forked child. Should the saver end
// with the missing-logo message still up, that box must go with it, as a
// Windows message box goes with its process.
void TieChildrenToProcess()
{
#ifdef __linux__
    pthread_atfork(nullptr, nullptr, DieWithParent);
#endif
}

} // namespace

int main(int, char**)
{
    TieChildrenToProcess();
    // An X11 screen saver first of all (Wayland desktops have XWayland). Left
    // to choose, SDL would fall back on its off-screen driver and run unseen
    // where there is no display; SDL_VIDEODRIVER still overrides this.
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "%s: no display to run on: %s\n", PROGRAM, SDL_GetError());
        return 1;
    }
    if (!OpenSaverWindow(SAVER_NAME, BACKGROUND_COLOUR)) {
        std::fprintf(stderr, "%s: cannot open the saver window: %s\n", PROGRAM, SDL_GetError());
        SDL_Quit();
        return 1;
    }
    const int exitCode = RunEventLoop();
    // A render thread still on the window (held up by the missing-logo
    // message, say) goes with the process; SDL must outlive its last frame.
    if (!WindowSurfaceInUse.load(std::memory_order_acquire))
        SDL_Quit();
    return exitCode;
}
