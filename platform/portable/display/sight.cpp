#include "platform/portable/display/sight.h"

#include <condition_variable>
#include <mutex>

namespace {

std::mutex gate;
std::condition_variable opened;
bool renderThreadWaits = false;
bool stopping = false;

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
    opened.wait(lock, [] { return !renderThreadWaits || stopping; });
}

void StopWaitingForRenderThread()
{
    {
        const std::lock_guard<std::mutex> lock(gate);
        stopping = true;
    }
    opened.notify_all();
}
