#include "platform/portable/display/wayland_presenter.h"

#include <SDL_syswm.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/portable/display/sight.h"
#include "platform/portable/rasterizer/window_pixels.h"

// Our buffers go on SDL's own surface. A subsurface of our own over it
// would keep SDL out of the way too, but the compositor then composes two
// surfaces over the changed area: under sway's software renderer that cost
// it three times as much (README, "Wayland").
//
// SDL asks for a frame callback on its surface, and each time one fires it
// damages the whole buffer and asks again: every frame of ours would carry
// whole-surface damage. So the surface's own events go to a queue that
// nobody dispatches: SDL's next request lands there and never fires, and
// our damage is the surface's. SDL then hears nothing of the outputs the
// surface enters, which it would use only to change the buffer scale; the
// saver keeps the scale it started with. Once the window is shown SDL
// commits the surface only when asked to change the window, which the saver
// never does, so no commit of SDL's carries half a frame of ours.
//
// The render thread presents, and dispatches the queue of our own that all
// our objects live on, so that SDL's dispatch on the main thread and ours
// never take each other's events. Both threads read the shared connection
// through libwayland's prepare_read protocol: whichever reads, reads for
// both.
namespace {

// sway's software renderer holds the buffer shown until the next replaces
// it, so the next frame goes into the other one, which holds the frame
// before the last: the frame knows what changed since that one too.
constexpr int BUFFER_COUNT = 2;
// wlroots merges an output's damage into its bounding box beyond 20
// rectangles; sent as that one box, its bookkeeping of a hundred small ones
// goes too (README, "Wayland").
constexpr std::size_t DAMAGE_RECTS_LIMIT = 20;

struct Buffer {
    wl_buffer* buffer = nullptr;
    WindowPixels pixels{};
    bool held = false; // the compositor has it: never written then
};

struct WaylandState {
    wl_display* display = nullptr;
    wl_event_queue* queue = nullptr; // the render thread's
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    wl_surface* surface = nullptr; // SDL's, as seen from our queue
    Buffer buffers[BUFFER_COUNT];
    std::vector<PixelRect> lastSent; // what the last commit changed
    bool framePending = false;       // the compositor has not asked for the next frame yet
    int width = 0, height = 0, scale = 1;
};
// Never destroyed: the render thread may still be presenting as the
// process ends, detached as it is.
WaylandState& wayland = *new WaylandState;

void OnGlobal(void*, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t version)
{
    if (std::strcmp(interface, wl_compositor_interface.name) == 0)
        wayland.compositor = static_cast<wl_compositor*>(
            wl_registry_bind(registry, name, &wl_compositor_interface, std::min(version, 4u)));
    else if (std::strcmp(interface, wl_shm_interface.name) == 0)
        wayland.shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
}

void OnGlobalRemoved(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener REGISTRY_LISTENER{OnGlobal, OnGlobalRemoved};

void OnRelease(void* data, wl_buffer*)
{
    static_cast<Buffer*>(data)->held = false;
}

const wl_buffer_listener BUFFER_LISTENER{OnRelease};

void OnFrameDone(void*, wl_callback* callback, std::uint32_t)
{
    wl_callback_destroy(callback);
    wayland.framePending = false;
}

const wl_callback_listener FRAME_LISTENER{OnFrameDone};

template <typename Proxy> Proxy* OnOurQueue(Proxy* proxy)
{
    auto* wrapper = static_cast<Proxy*>(wl_proxy_create_wrapper(proxy));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper), wayland.queue);
    return wrapper;
}

// The globals we need, bound on our own queue.
bool BindGlobals()
{
    wl_display* display = OnOurQueue(wayland.display);
    wl_registry* registry = wl_display_get_registry(display);
    wl_proxy_wrapper_destroy(display);
    wl_registry_add_listener(registry, &REGISTRY_LISTENER, nullptr);
    wl_display_roundtrip_queue(wayland.display, wayland.queue);
    wl_registry_destroy(registry);
    return wayland.compositor != nullptr && wayland.shm != nullptr;
}

// One file of shared memory for all the buffers, each width x height
// pixels of XRGB8888, which every compositor takes. The memory outlives the
// pool and the file.
bool MakeBuffers()
{
    const int stride = wayland.width * 4;
    const std::size_t image = static_cast<std::size_t>(stride) * wayland.height;
    const std::size_t bytes = image * BUFFER_COUNT;
    if (bytes > static_cast<std::size_t>(INT32_MAX))
        return SDL_SetError("a %dx%d window is too large to share", wayland.width,
                            wayland.height) == 0;
    const int file = memfd_create("vendrel-screensaver", MFD_CLOEXEC);
    if (file < 0 || ftruncate(file, static_cast<off_t>(bytes)) != 0) {
        if (file >= 0)
            close(file);
        return SDL_SetError("no shared memory for the frames") == 0;
    }
    void* mapped = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
    wl_shm_pool* pool = mapped == MAP_FAILED ? nullptr
                                             : wl_shm_create_pool(wayland.shm, file,
                                                                  static_cast<std::int32_t>(bytes));
    close(file);
    if (pool == nullptr)
        return SDL_SetError("no shared memory for the frames") == 0;
    for (int k = 0; k < BUFFER_COUNT; ++k) {
        Buffer& buffer = wayland.buffers[k];
        buffer.buffer =
            wl_shm_pool_create_buffer(pool, static_cast<std::int32_t>(image * k), wayland.width,
                                      wayland.height, stride, WL_SHM_FORMAT_XRGB8888);
        wl_buffer_add_listener(buffer.buffer, &BUFFER_LISTENER, &buffer);
        buffer.pixels = {static_cast<std::uint8_t*>(mapped) + image * k,
                         stride,
                         wayland.width,
                         wayland.height,
                         4,
                         ConvertToXrgb,
                         {},
                         {}};
        ClearDamage(buffer.pixels.changed, wayland.width, wayland.height);
    }
    wl_shm_pool_destroy(pool);
    return true;
}

// Render thread: dispatches our queue until `done` holds; false if the stop
// began or the connection failed first. It sleeps on the connection and the
// stop's pipe, never by a timeout.
template <typename Done> bool DispatchUntil(Done done)
{
    wl_display* display = wayland.display;
    while (!done()) {
        if (RenderThreadStopped())
            return false;
        if (wl_display_prepare_read_queue(display, wayland.queue) != 0) {
            if (wl_display_dispatch_queue_pending(display, wayland.queue) < 0)
                return false;
            continue;
        }
        wl_display_flush(display);
        pollfd fds[2] = {{wl_display_get_fd(display), POLLIN, 0},
                         {RenderThreadStopFd(), POLLIN, 0}};
        RenderThreadWaits(true);
        const bool woken = poll(fds, 2, -1) > 0;
        RenderThreadWaits(false);
        if (woken && (fds[0].revents & POLLIN) != 0) {
            if (wl_display_read_events(display) != 0)
                return false;
        } else {
            wl_display_cancel_read(display);
            if (woken && (fds[0].revents & (POLLERR | POLLHUP)) != 0)
                return false;
        }
        if (wl_display_dispatch_queue_pending(display, wayland.queue) < 0)
            return false;
    }
    return true;
}

Buffer* FreeBuffer()
{
    for (Buffer& buffer : wayland.buffers)
        if (!buffer.held)
            return &buffer;
    return nullptr;
}

// In buffer pixels where the compositor takes them so; one older than that
// takes surface coordinates, rounded outwards.
void DamageRect(const PixelRect& r)
{
    if (wl_surface_get_version(wayland.surface) >= WL_SURFACE_DAMAGE_BUFFER_SINCE_VERSION) {
        wl_surface_damage_buffer(wayland.surface, r.x, r.y, r.width, r.height);
        return;
    }
    const int s = wayland.scale;
    const int x0 = r.x / s, y0 = r.y / s;
    wl_surface_damage(wayland.surface, x0, y0, (r.x + r.width + s - 1) / s - x0,
                      (r.y + r.height + s - 1) / s - y0);
}

void Damage(const std::vector<PixelRect>& rects)
{
    if (rects.size() <= DAMAGE_RECTS_LIMIT) {
        for (const PixelRect& r : rects)
            DamageRect(r);
        return;
    }
    int x0 = wayland.width, y0 = wayland.height, x1 = 0, y1 = 0;
    for (const PixelRect& r : rects) {
        x0 = std::min(x0, r.x);
        y0 = std::min(y0, r.y);
        x1 = std::max(x1, r.x + r.width);
        y1 = std::max(y1, r.y + r.height);
    }
    DamageRect({x0, y0, x1 - x0, y1 - y0});
}

// `buffer` on the surface, and the next frame asked for. What changed in
// it since the frame before the last, or since the last frame, changed
// since the last frame shown.
void Commit(Buffer& buffer, std::vector<PixelRect> rects)
{
    wl_surface_attach(wayland.surface, buffer.buffer, 0, 0);
    std::swap(rects, wayland.lastSent);
    rects.insert(rects.end(), wayland.lastSent.begin(), wayland.lastSent.end());
    Damage(rects);
    wl_callback_add_listener(wl_surface_frame(wayland.surface), &FRAME_LISTENER, nullptr);
    wl_surface_commit(wayland.surface);
    wl_display_flush(wayland.display);
    buffer.held = true;
    wayland.framePending = true;
}

// Each frame waits for the compositor to ask for it: while nothing of the
// window is shown (another workspace, the outputs off, a window over it)
// no callback comes, and the render thread sleeps here.
void PresentOnWayland(Surface* frame)
{
    if (!DispatchUntil([] { return !wayland.framePending; }) ||
        !DispatchUntil([] { return FreeBuffer() != nullptr; }))
        return;
    Buffer& buffer = *FreeBuffer();
    PresentPixels(buffer.pixels, frame);
    std::vector<PixelRect> rects =
        DamageRects(buffer.pixels.changed, wayland.width, wayland.height);
    ClearDamage(buffer.pixels.changed, wayland.width, wayland.height);
    // Both empty: this frame is the one before the last, and the last too.
    if (!rects.empty() || !wayland.lastSent.empty())
        Commit(buffer, std::move(rects));
}

void FinishWayland()
{
    wl_display_roundtrip_queue(wayland.display, wayland.queue);
}

} // namespace

bool OpenWaylandPresenter(SDL_Window* window, int width, int height, int scale, Colour background,
                          Presenter& presenter)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_WAYLAND)
        return SDL_SetError("the window is not a Wayland one") == 0;
    wayland.display = info.info.wl.display;
    wayland.width = width;
    wayland.height = height;
    wayland.queue = wl_display_create_queue(wayland.display);
    if (!BindGlobals())
        return SDL_SetError("the compositor offers no shared memory") == 0;
    if (!MakeBuffers())
        return false;
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(info.info.wl.surface),
                       wl_display_create_queue(wayland.display));
    wayland.surface = OnOurQueue(info.info.wl.surface);
    wayland.scale = std::max(scale, 1);
    wl_surface_set_buffer_scale(wayland.surface, wayland.scale);
    // The background, shown from now until the first frame.
    Buffer& first = wayland.buffers[0];
    std::uint32_t fill = 0;
    ConvertToXrgb(&background, reinterpret_cast<std::uint8_t*>(&fill), 1);
    std::fill_n(reinterpret_cast<std::uint32_t*>(first.pixels.pixels),
                static_cast<std::size_t>(width) * height, fill);
    Commit(first, {{0, 0, width, height}});
    presenter = {PresentOnWayland, FinishWayland};
    return true;
}

int WaylandPrepareToSleep()
{
    if (wl_display_prepare_read(wayland.display) != 0)
        return -1;
    wl_display_flush(wayland.display);
    return wl_display_get_fd(wayland.display);
}

void WaylandWoke(bool readable)
{
    if (readable)
        wl_display_read_events(wayland.display);
    else
        wl_display_cancel_read(wayland.display);
}

bool WaylandConnectionLost()
{
    return wayland.display != nullptr && wl_display_get_error(wayland.display) != 0;
}
