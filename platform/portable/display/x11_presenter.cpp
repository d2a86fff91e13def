#include "platform/portable/display/x11_presenter.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/portable/display/window.h"
#include "platform/portable/display/x11.h"
#include "platform/portable/rasterizer/window_pixels.h"

// The render thread writes what changed in a frame into an image in
// shared memory and asks the server to copy the changed rectangles from it
// into the window, the last request asking to be told when it is done.
// It writes the image again only once told, which has normally long
// happened by the end of the 30 ms pause: no round trip to the server, and
// the main thread is not woken for a frame at all. A display without
// MIT-SHM (a remote one) gets the rectangles in plain XPutImage requests,
// which carry their pixels.
namespace {

// A host may paint its own window too (xscreensaver does, for a few seconds
// as it starts), and only an exposure would tell: there the whole frame
// goes out again once a second.
constexpr Uint64 HOSTED_WHOLE_SHOW_MS = 1000;

struct X11State {
    Display* display = nullptr; // the render thread's own connection
    Window window = 0;
    GC gc = nullptr;
    XImage* image = nullptr;
    XShmSegmentInfo segment{};
    bool shared = false;   // the image is in shared memory
    int completion = -1;   // the event that says a copy is done
    bool copying = false;  // the server may still read the image
    WindowPixels pixels{}; // the image
    Uint32 format = 0;     // for ConvertToFormat
    bool hosted = false;
    Uint64 lastWhole = 0;
};
// Never destroyed: the render thread may still be presenting as the
// process ends, detached as it is.
X11State& x11 = *new X11State;

// Any true-colour layout SDL knows, one run at a time; the usual ones have
// converters of their own, several times faster.
bool ConvertToFormat(const Colour* from, std::uint8_t* to, int count)
{
    SDL_ConvertPixels(count, 1, SDL_PIXELFORMAT_XBGR8888, from, count * 4, x11.format, to,
                      count * SDL_BYTESPERPIXEL(x11.format));
    return true;
}

bool (*ConverterFor(const XImage* image, int depth))(const Colour*, std::uint8_t*, int)
{
    const bool words = image->bits_per_pixel == 32 && image->byte_order == LSBFirst;
    if (words && image->red_mask == 0xFF0000 && image->green_mask == 0xFF00 &&
        image->blue_mask == 0xFF)
        return depth == 32 ? ConvertToArgb : ConvertToXrgb;
    if (words && depth == 24 && image->red_mask == 0xFF && image->green_mask == 0xFF00 &&
        image->blue_mask == 0xFF0000)
        return ConvertToXbgr;
    x11.format = SDL_MasksToPixelFormatEnum(image->bits_per_pixel, image->red_mask,
                                            image->green_mask, image->blue_mask, 0);
    return x11.format == SDL_PIXELFORMAT_UNKNOWN ? nullptr : ConvertToFormat;
}

// The image in a shared-memory segment the server has attached. The segment
// is marked for removal at once: it goes with the last of the two to let
// go of it, however either ends.
bool MakeSharedImage(Visual* visual, int depth, int width, int height)
{
    int major = 0, minor = 0;
    Bool pixmaps = False;
    if (!XShmQueryVersion(x11.display, &major, &minor, &pixmaps))
        return false;
    x11.image =
        XShmCreateImage(x11.display, visual, depth, ZPixmap, nullptr, &x11.segment, width, height);
    if (x11.image == nullptr)
        return false;
    x11.segment.shmid =
        shmget(IPC_PRIVATE, static_cast<std::size_t>(x11.image->bytes_per_line) * height,
               IPC_CREAT | 0600);
    void* memory =
        x11.segment.shmid < 0 ? reinterpret_cast<void*>(-1) : shmat(x11.segment.shmid, nullptr, 0);
    bool attached = memory != reinterpret_cast<void*>(-1);
    if (attached) {
        x11.segment.shmaddr = x11.image->data = static_cast<char*>(memory);
        x11.segment.readOnly = False;
        TrapXErrors();
        XShmAttach(x11.display, &x11.segment);
        attached = !XErrorsCaught(x11.display);
    }
    if (x11.segment.shmid >= 0)
        shmctl(x11.segment.shmid, IPC_RMID, nullptr);
    if (!attached) {
        if (memory != reinterpret_cast<void*>(-1))
            shmdt(memory);
        x11.image->data = nullptr;
        XDestroyImage(x11.image);
        x11.image = nullptr;
        return false;
    }
    x11.completion = XShmGetEventBase(x11.display) + ShmCompletion;
    return true;
}

bool MakePlainImage(Visual* visual, int depth, int width, int height)
{
    x11.image = XCreateImage(x11.display, visual, depth, ZPixmap, 0, nullptr, width, height, 32, 0);
    if (x11.image == nullptr)
        return false;
    x11.image->data = static_cast<char*>(
        std::calloc(static_cast<std::size_t>(x11.image->bytes_per_line), height));
    return x11.image->data != nullptr;
}

// Render thread: until the server has done with the image, or the stop.
bool AwaitCopy()
{
    while (x11.copying) {
        while (x11.copying && XPending(x11.display) > 0) {
            XEvent event;
            XNextEvent(x11.display, &event);
            x11.copying = event.type != x11.completion;
        }
        if (!x11.copying)
            break;
        if (RenderThreadStopped())
            return false;
        pollfd fds[2] = {{ConnectionNumber(x11.display), POLLIN, 0},
                         {RenderThreadStopFd(), POLLIN, 0}};
        poll(fds, 2, -1);
    }
    return true;
}

void Send(const std::vector<PixelRect>& rects)
{
    for (std::size_t k = 0; k < rects.size(); ++k) {
        const PixelRect& r = rects[k];
        if (x11.shared)
            XShmPutImage(x11.display, x11.window, x11.gc, x11.image, r.x, r.y, r.x, r.y,
                         static_cast<unsigned>(r.width), static_cast<unsigned>(r.height),
                         k + 1 == rects.size());
        else
            XPutImage(x11.display, x11.window, x11.gc, x11.image, r.x, r.y, r.x, r.y,
                      static_cast<unsigned>(r.width), static_cast<unsigned>(r.height));
    }
    x11.copying = x11.shared && !rects.empty();
    XFlush(x11.display);
}

void PresentOnX11(Surface* frame)
{
    bool whole = false;
    if (!AwaitSight(whole) || !AwaitCopy())
        return;
    PresentPixels(x11.pixels, frame);
    const Uint64 now = SDL_GetTicks64();
    if (x11.hosted && now - x11.lastWhole >= HOSTED_WHOLE_SHOW_MS)
        whole = true;
    if (whole) {
        DamageWhole(x11.pixels.changed);
        x11.lastWhole = now;
    }
    Send(DamageRects(x11.pixels.changed, x11.pixels.width, x11.pixels.height));
    ClearDamage(x11.pixels.changed, x11.pixels.width, x11.pixels.height);
}

void FinishX11()
{
    AwaitCopy();
    XSync(x11.display, False);
}

} // namespace

bool OpenX11Presenter(unsigned long id, int width, int height, bool hosted, Presenter& presenter)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(SaverWindow.window, &info) || info.subsystem != SDL_SYSWM_X11)
        return SDL_SetError("the window is not an X11 one") == 0;
    x11.display = XOpenDisplay(DisplayString(info.info.x11.display));
    if (x11.display == nullptr)
        return SDL_SetError("cannot open the display again for the frames") == 0;
    x11.window = id;
    x11.hosted = hosted;
    XWindowAttributes attributes{};
    TrapXErrors();
    const Status found = XGetWindowAttributes(x11.display, x11.window, &attributes);
    if (XErrorsCaught(x11.display) || found == 0)
        return SDL_SetError("the window is gone") == 0;
    x11.shared = MakeSharedImage(attributes.visual, attributes.depth, width, height);
    if (!x11.shared && !MakePlainImage(attributes.visual, attributes.depth, width, height))
        return SDL_SetError("no image of %dx%d pixels for the frames", width, height) == 0;
    auto convert = ConverterFor(x11.image, attributes.depth);
    if (convert == nullptr)
        return SDL_SetError("no way to write the window's pixels") == 0;
    x11.pixels = {reinterpret_cast<std::uint8_t*>(x11.image->data),
                  x11.image->bytes_per_line,
                  width,
                  height,
                  x11.image->bits_per_pixel / 8,
                  convert,
                  {},
                  {}};
    ClearDamage(x11.pixels.changed, width, height);
    XGCValues values{};
    values.graphics_exposures = False;
    x11.gc = XCreateGC(x11.display, x11.window, GCGraphicsExposures, &values);
    presenter = {PresentOnX11, FinishX11};
    return true;
}
