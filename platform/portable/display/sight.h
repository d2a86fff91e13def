// Whether anybody can see the saver's window. While nobody can, the render
// thread waits instead of drawing, and the process sleeps: a screen saver
// spends most of its hours with the monitor off.
#pragma once

// Each of these alone hides the window.
struct Sight {
    bool serverSaverOn = false; // the X server's own saver is showing
    bool monitorOff = false;    // DPMS has put the monitor in standby, suspend or off
    bool obscured = false;      // wholly covered by other windows
    bool unmapped = false;      // not mapped, or minimised
};

inline bool CanBeSeen(const Sight& sight)
{
    return !sight.serverSaverOn && !sight.monitorOff && !sight.obscured && !sight.unmapped;
}

// DPMS power levels, as the DPMS extension numbers them.
enum class PowerLevel { On = 0, Standby = 1, Suspend = 2, Off = 3 };

// What DPMS says of the monitor. A server without the extension, or with
// DPMS disabled, leaves the monitor on, whatever level it reports.
inline bool MonitorIsOff(bool hasDpms, bool dpmsEnabled, PowerLevel level)
{
    return hasDpms && dpmsEnabled && level != PowerLevel::On;
}

// How often DPMS is asked: it sends no events, and a monitor that comes
// back on should see the animation within about a second.
inline constexpr int MONITOR_CHECK_MS = 1000;

// While the render thread waits for somebody to see the window, or for the
// compositor to ask for a frame, what keeps time with the frames waits with
// it: the backdrop's rotation goes on from where it stopped.
void RenderThreadWaits(bool waiting); // render thread, around its wait
void WaitWhileRenderThreadWaits();    // any other thread
void StopWaitingForRenderThread();    // main thread, as the stop begins

// Whether the stop has begun, and a descriptor readable from then on: a
// presenter waiting on its display waits on this too.
bool RenderThreadStopped();
int RenderThreadStopFd();
