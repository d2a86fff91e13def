#include "platform/portable/display/wait.h"

#include <SDL.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "platform/portable/display/wayland_presenter.h"
#include "platform/portable/display/x11.h"

WakePipe::WakePipe()
{
    int ends[2];
    if (pipe2(ends, O_NONBLOCK | O_CLOEXEC) == 0) {
        read = ends[0];
        write = ends[1];
    }
}

void Wake(const WakePipe& pipe)
{
    const int saved = errno;
    const char one = 1;
    [[maybe_unused]] const ssize_t written = ::write(pipe.write, &one, 1);
    errno = saved;
}

namespace {

// The main thread waits on it and the display's connection at once.
const WakePipe wake;

void DrainWakePipe()
{
    char drained[64];
    while (read(wake.read, drained, sizeof drained) > 0) {
    }
}

// The render thread reads the same connection for its frames: both take
// part in libwayland's reading protocol, so neither sleeps on events that
// the other has read.
void WaitOnWayland(int timeoutMs, int also)
{
    const int display = WaylandPrepareToSleep();
    if (display < 0)
        return;
    pollfd fds[3] = {{wake.read, POLLIN, 0}, {display, POLLIN, 0}, {also, POLLIN, 0}};
    const bool woken = poll(fds, also < 0 ? 2 : 3, timeoutMs) > 0;
    WaylandWoke(woken && (fds[1].revents & POLLIN) != 0);
    if (woken && (fds[0].revents & POLLIN) != 0)
        DrainWakePipe();
}

} // namespace

bool CanWakeEventLoop()
{
    return wake.read >= 0;
}

void WaitForWindowWork(int timeoutMs, int also)
{
    if (SDL_strcmp(SDL_GetCurrentVideoDriver(), "wayland") == 0) {
        WaitOnWayland(timeoutMs, also);
        return;
    }
    const int display = X11ConnectionFd();
    if (!X11ReadyToSleep())
        return;
    pollfd fds[3] = {{wake.read, POLLIN, 0}, {display, POLLIN, 0}, {also, POLLIN, 0}};
    if (poll(fds, also < 0 ? 2 : 3, timeoutMs) > 0 && (fds[0].revents & POLLIN) != 0)
        DrainWakePipe();
}

void WakeEventLoop()
{
    Wake(wake);
}
