#include "platform/portable/display/sight.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "platform/portable/display/wait.h"

namespace {

// Never destroyed: the render thread may still be at them as the process
// ends, detached as it is.
std::mutex& gate = *new std::mutex;
std::condition_variable& opened = *new std::condition_variable;
bool renderThreadWaits = false;
std::atomic<bool> stopping{false};
const WakePipe stop;

} // namespace

void RenderThreadWaits(bool waiting)
{
    {
        const std::lock_guard<std::mutex> lock(gate);
        renderThreadWaits = waiting;
    }
    if (!waiting)
        opened.notify_all();
}

void WaitWhileRenderThreadWaits()
{
    std::unique_lock<std::mutex> lock(gate);
    opened.wait(lock, [] { return !renderThreadWaits || stopping.load(); });
}

void StopWaitingForRenderThread()
{
    {
        const std::lock_guard<std::mutex> lock(gate);
        stopping.store(true);
    }
    opened.notify_all();
    Wake(stop);
}

bool RenderThreadStopped()
{
    return stopping.load();
}

int RenderThreadStopFd()
{
    return stop.read;
}
