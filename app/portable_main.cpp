// The portable saver: SDL's window and event loop around the shared scene.
//
// main opens one borderless window over the primary display and waits for
// events. The first time the window is shown or exposed it starts the
// render thread on the window's frame surface, then the rotation thread.
// The first key, button, wheel or moving mouse runs the stop: the render
// thread is halted after the same pauses as on Windows, and main returns 0.
//
// Inside a screen-saver framework (host_window.h) it draws on the window
// the framework names instead, and the framework, which owns the input,
// ends it with a signal. SIGTERM, SIGINT and SIGHUP end it at any moment
// with exit code 0. Nothing else is read from the command line, the
// environment or a file.
#include <SDL.h>
#include <SDL_syswm.h>

#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#ifdef __linux__
#include <sys/prctl.h>
#endif

#include "app/portable_triggers.h"
#include "app/stop_rules.h"
#include "backdrop/rotation.h"
#include "platform/portable/display/host_window.h"
#include "platform/portable/display/message_box.h"
#include "platform/portable/display/wait.h"
#include "platform/portable/display/wayland_presenter.h"
#include "platform/portable/display/window.h"
#include "platform/portable/display/x11.h"
#include "platform/system.h"
#include "scene/render_thread.h"
#include "scene/scene.h"

namespace {

constexpr char SAVER_NAME[] = "Vendrel Screensaver";
constexpr char PROGRAM[] = "vendrel-screensaver";
// A host that ends the saver waits for it to be gone, so a stop by signal
// gives the last frame only this long; a render thread held up longer (by
// the missing-logo message) goes with the process.
constexpr int SIGNAL_FRAME_WAIT_MS = 50;

bool drawingStarted = false;
std::atomic<bool> eventLoopRunning{false};
volatile std::sig_atomic_t stopSignalled = 0;

// Before the event loop there is nothing to finish: the process just ends.
// A second signal ends it at once too, should the orderly stop hang.
void OnStopSignal(int)
{
    if (!eventLoopRunning.load(std::memory_order_relaxed) || stopSignalled != 0)
        _exit(0);
    stopSignalled = 1;
    WakeEventLoop();
}

void CatchStopSignals()
{
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}

int RenderThreadEntry(void* frame)
{
    return RenderThread(static_cast<Surface*>(frame));
}

// The rotation waits with the frames while nobody can see them.
void SleepAndWaitForSight(int ms)
{
    SleepMs(ms);
    WaitWhileRenderThreadWaits();
}

int RotationThreadEntry(void*)
{
    return RotationThread(SleepAndWaitForSight);
}

// Both threads run detached, as on Windows: nothing waits for them. Later
// exposures only repaint, so there is never a second pair.
void StartDrawing()
{
    if (drawingStarted)
        return;
    drawingStarted = true;
    WindowSurfaceInUse.store(true, std::memory_order_release);
    // The stop signals go to the main thread, whose wait they cut short.
    sigset_t stops, before;
    sigemptyset(&stops);
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&stops, signal);
    pthread_sigmask(SIG_BLOCK, &stops, &before);
    SDL_DetachThread(SDL_CreateThread(RenderThreadEntry, "render", SaverWindow.frame));
    SDL_DetachThread(SDL_CreateThread(RotationThreadEntry, "rotation", nullptr));
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
}

// Whether the window can be seen is told by the X server's map state
// (x11.h), parents and all, not by SDL's shown and hidden.
void HandleWindowEvent(const SDL_WindowEvent& window)
{
    switch (window.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED: ShowWholeFrameNext(); return;
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_RESTORED: break;
    case SDL_WINDOWEVENT_ENTER: NotePointerEntry(window.timestamp); return;
    case SDL_WINDOWEVENT_EXPOSED: break;
    default: return;
    }
    ShowWholeFrameNext();
    StartDrawing();
}

// DPMS sends no events, so it is asked, at most once a second; the wait
// for events lasts until the next time (-1: forever, without DPMS).
int CheckMonitorWhenDue()
{
    static Uint64 due = 0;
    if (!HasDpms())
        return -1;
    const Uint64 now = SDL_GetTicks64();
    if (now >= due) {
        CheckMonitor(SaverWindow.sight);
        ApplySight();
        due = now + MONITOR_CHECK_MS;
    }
    return static_cast<int>(due - now);
}

int Stop(int pauseMs, int frameWaitMs)
{
    EndMessage();
    ReleaseRenderThread();
    HaltRendering(pauseMs, frameWaitMs);
    return 0;
}

// Once the window's area has changed (a host resized its window, the
// primary monitor moved or changed size) the saver starts over at the new
// size: the same program in the same process, which its host knows by its
// id. A host that drags its window's edge sends many changes: the last
// one settles first.
constexpr Uint64 SETTLE_MS = 250;
char** arguments = nullptr;
Uint64 startOverAt = 0;

void StartOver()
{
    EndMessage();
    execv("/proc/self/exe", arguments);
    std::fprintf(stderr, "%s: cannot start over at the window's new size\n", PROGRAM);
    startOverAt = 0;
}

// How long the wait for events may last: until DPMS is due to be asked,
// or the window's new size has settled (-1: forever).
int WaitLimit()
{
    const int monitor = CheckMonitorWhenDue();
    if (startOverAt == 0)
        return monitor;
    const Uint64 now = SDL_GetTicks64();
    if (now >= startOverAt)
        StartOver();
    const int settle = static_cast<int>(startOverAt > now ? startOverAt - now : 0);
    return monitor < 0 ? settle : std::min(monitor, settle);
}

// Returns the exit code once a stop has run, with the render thread off the
// window, or -1 when the window has gone.
int RunEventLoop()
{
    eventLoopRunning.store(true, std::memory_order_relaxed);
    // A host's window is mostly on the screen already, and says so no more.
    if (SaverWindow.hosted && !SaverWindow.sight.unmapped)
        StartDrawing();
    for (;;) {
        if (stopSignalled != 0)
            return Stop(0, SIGNAL_FRAME_WAIT_MS);
        SDL_Event event;
        bool followsEntry = false;
        while (SDL_PollEvent(&event) != 0) {
            if (event.type == SDL_SYSWMEVENT) {
                const XNews news = ReadXEvent(event.syswm.msg, SaverWindow.sight);
                if (news == XNews::Sight) {
                    ApplySight();
                    if (CanBeSeen(SaverWindow.sight))
                        StartDrawing();
                }
                if (news == XNews::Resized)
                    startOverAt = SDL_GetTicks64() + SETTLE_MS;
                if (news == XNews::WindowGone) {
                    ReportWindowGone();
                    Stop(0, SIGNAL_FRAME_WAIT_MS);
                    return -1;
                }
                continue;
            }
            if (event.type == SDL_QUIT && WaylandConnectionLost()) {
                ReportLostDisplay();
                Stop(0, SIGNAL_FRAME_WAIT_MS);
                return -1;
            }
            if (event.type == SDL_WINDOWEVENT) {
                HandleWindowEvent(event.window);
                followsEntry = event.window.event == SDL_WINDOWEVENT_ENTER;
                continue;
            }
            const int pauseMs = StopPauseFor(event, followsEntry);
            followsEntry = false;
            if (pauseMs != NO_STOP)
                return Stop(pauseMs, STOP_FRAME_WAIT_MS);
        }
        const int message = ServeMessage();
        WaitForWindowWork(WaitLimit(), message);
    }
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

// The host's window, checked before SDL starts so that a bad one is told
// in one line; 0 when not hosted, -1 when refused.
long HostWindow()
{
    const char* value = std::getenv(HOST_WINDOW_VARIABLE);
    const HostWindowName host = ParseHostWindow(value);
    if (!host.problem.empty()) {
        std::fprintf(stderr, "%s: %s\n", PROGRAM, host.problem.c_str());
        return -1;
    }
    if (host.id == 0)
        return 0;
    int width = 0, height = 0;
    const std::string problem = CheckHostWindow(host.id, width, height);
    if (!problem.empty()) {
        std::fprintf(stderr, "%s: %s=%s %s\n", PROGRAM, HOST_WINDOW_VARIABLE, value,
                     problem.c_str());
        return -1;
    }
    return static_cast<long>(host.id);
}

} // namespace

int main(int, char** argv)
{
    TieChildrenToProcess();
    if (const int shown = RunAsMessage(); shown >= 0)
        return shown;
    arguments = argv;
    CatchStopSignals();
    CatchXFailures();
    const long host = HostWindow();
    if (host < 0)
        return 1;
    // A screen saver leaves the desktop's idle timers, its locker and the
    // monitor's power saving alone. SDL, made for games, would keep them
    // from ever firing while it runs, so the hint is forced, whatever the
    // environment says.
    SDL_SetHintWithPriority(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1", SDL_HINT_OVERRIDE);
    SDL_SetHintWithPriority(SDL_HINT_NO_SIGNAL_HANDLERS, "1", SDL_HINT_OVERRIDE);
    // On a Wayland desktop a Wayland window of its own, whose frames the
    // compositor asks for: half the cost of XWayland while drawing, and
    // nothing while unseen (README, "Wayland"); XWayland where the Wayland
    // window cannot be made. Left to choose, SDL would fall back on its
    // off-screen driver and run unseen where there is no display.
    // SDL_VIDEODRIVER overrides this, but not for a host's window, which is
    // always an X11 one.
    if (host != 0)
        SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "x11", SDL_HINT_OVERRIDE);
    else if (std::getenv("WAYLAND_DISPLAY") != nullptr)
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "wayland,x11");
    else // libwayland, asked for nothing, would say so on stderr
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "%s: no display to run on: %s\n", PROGRAM, SDL_GetError());
        return 1;
    }
    const bool opened = host != 0
                            ? OpenHostedWindow(static_cast<unsigned long>(host), BACKGROUND_COLOUR)
                            : OpenSaverWindow(SAVER_NAME, BACKGROUND_COLOUR);
    if (!opened) {
        std::fprintf(stderr, "%s: cannot open the saver window: %s\n", PROGRAM, SDL_GetError());
        SDL_Quit();
        return 1;
    }
    const int exitCode = RunEventLoop();
    if (exitCode < 0)
        return 1;
    // A render thread still on the window (held up by the missing-logo
    // message, say) goes with the process; SDL must outlive its last frame.
    if (!WindowSurfaceInUse.load(std::memory_order_acquire))
        SDL_Quit();
    return exitCode;
}
