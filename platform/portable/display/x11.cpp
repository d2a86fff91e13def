#include "platform/portable/display/x11.h"

#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>
#include <X11/extensions/scrnsaver.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr char PROGRAM[] = "vendrel-screensaver";

Display* display = nullptr; // SDL's connection, once a window is watched
Window drawnWindow = 0;
bool drawnWindowHosted = false;
std::vector<Window> ancestors; // watched for their map state, below the root
int drawnWidth = 0, drawnHeight = 0;
ScreenRect covered{};
int saverEventBase = -1; // MIT-SCREEN-SAVER's first event, where it exists
bool dpms = false;
bool xwayland = false;

bool X11WindowOf(SDL_Window* window, SDL_SysWMinfo& info)
{
    SDL_VERSION(&info.version);
    return SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11;
}

int EndOnLostDisplay(Display*)
{
    ReportLostDisplay();
    std::_Exit(1);
}

int EndOnXError(Display* from, XErrorEvent* error)
{
    const bool gone = error->error_code == BadWindow || error->error_code == BadDrawable;
    if (drawnWindow != 0 && error->resourceid == drawnWindow && gone) {
        ReportWindowGone();
        std::_Exit(1);
    }
    char text[160];
    XGetErrorText(from, error->error_code, text, sizeof text);
    std::fprintf(stderr, "%s: X error: %s (request %d.%d)\n", PROGRAM, text, error->request_code,
                 error->minor_code);
    std::_Exit(1);
}

bool trappedError = false;
XErrorHandler previousHandler = nullptr;

int TrapXError(Display*, XErrorEvent*)
{
    trappedError = true;
    return 0;
}

// The window's map state follows its parents': mapped under an unmapped
// parent it is unviewable, and no event of its own says when the parent is
// mapped. So each parent up to the root is watched too. On a reparent the
// line of parents is walked again.
void WatchAncestors()
{
    ancestors.clear();
    TrapXErrors(); // a parent may go at any moment
    Window at = drawnWindow, root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    while (XQueryTree(display, at, &root, &parent, &children, &count) != 0) {
        if (children != nullptr)
            XFree(children);
        if (parent == 0 || parent == root)
            break;
        XWindowAttributes attributes{};
        XGetWindowAttributes(display, parent, &attributes);
        XSelectInput(display, parent, attributes.your_event_mask | StructureNotifyMask);
        ancestors.push_back(parent);
        at = parent;
    }
    XErrorsCaught(display);
}

bool Viewable()
{
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, drawnWindow, &attributes);
    return attributes.map_state == IsViewable;
}

bool Watched(Window window)
{
    return window == drawnWindow ||
           std::find(ancestors.begin(), ancestors.end(), window) != ancestors.end();
}

bool SaverIsOn(int state)
{
    return state == ScreenSaverOn || state == ScreenSaverCycle;
}

} // namespace

void CatchXFailures()
{
    XInitThreads();
    XSetIOErrorHandler(EndOnLostDisplay);
    XSetErrorHandler(EndOnXError);
}

bool WatchX11Window(SDL_Window* window, bool hosted, const ScreenRect& covers, Sight& sight)
{
    SDL_SysWMinfo info;
    if (!X11WindowOf(window, info))
        return false;
    display = info.info.x11.display;
    drawnWindow = info.info.x11.window;
    drawnWindowHosted = hosted;
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);

    XWindowAttributes attributes{};
    XGetWindowAttributes(display, drawnWindow, &attributes);
    drawnWidth = attributes.width;
    drawnHeight = attributes.height;
    covered = covers;
    // On a window of our own SDL has chosen its events; on the host's the
    // saver adds only notices, never input, which belongs to the host.
    const long events = hosted ? ExposureMask | StructureNotifyMask | VisibilityChangeMask
                               : attributes.your_event_mask | VisibilityChangeMask;
    XSelectInput(display, drawnWindow, events);
    WatchAncestors();
    if (!hosted)
        WatchMonitors(display);
    // Asked only now that its changes are reported.
    sight.unmapped = !Viewable();

    int errorBase = 0;
    const Window root = DefaultRootWindow(display);
    if (XScreenSaverQueryExtension(display, &saverEventBase, &errorBase)) {
        XScreenSaverSelectInput(display, root, ScreenSaverNotifyMask);
        if (XScreenSaverInfo* saver = XScreenSaverAllocInfo()) {
            if (XScreenSaverQueryInfo(display, root, saver))
                sight.serverSaverOn = SaverIsOn(saver->state);
            XFree(saver);
        }
    } else {
        saverEventBase = -1;
    }
    int dpmsEvents = 0, dpmsErrors = 0;
    dpms = DPMSQueryExtension(display, &dpmsEvents, &dpmsErrors) && DPMSCapable(display);
    // XWayland names an extension after itself from 23.1 on; before that an
    // X11 client of a Wayland session can only tell by the session.
    int opcode = 0, firstEvent = 0, firstError = 0;
    xwayland = XQueryExtension(display, "XWAYLAND", &opcode, &firstEvent, &firstError) ||
               std::getenv("WAYLAND_DISPLAY") != nullptr;
    CheckMonitor(sight);
    return true;
}

int X11ConnectionFd()
{
    return display == nullptr ? -1 : ConnectionNumber(display);
}

bool X11ReadyToSleep()
{
    XFlush(display);
    return XEventsQueued(display, QueuedAlready) == 0;
}

void CheckMapState(Sight& sight)
{
    if (display != nullptr)
        sight.unmapped = !Viewable();
}

XNews ReadXEvent(const SDL_SysWMmsg* message, Sight& sight)
{
    if (display == nullptr || message->subsystem != SDL_SYSWM_X11)
        return XNews::Nothing;
    const XEvent& event = message->msg.x11.event;
    if (saverEventBase >= 0 && event.type == saverEventBase + ScreenSaverNotify) {
        const auto& notice = reinterpret_cast<const XScreenSaverNotifyEvent&>(event);
        sight.serverSaverOn = SaverIsOn(notice.state);
        return XNews::Sight;
    }
    if (!drawnWindowHosted && MonitorsChanged(display, event))
        return PrimaryMonitor(display) == covered ? XNews::Nothing : XNews::Resized;
    switch (event.type) {
    case MapNotify:
    case UnmapNotify:
    case ReparentNotify:
        if (!Watched(event.xany.window))
            return XNews::Nothing;
        if (event.type == ReparentNotify)
            WatchAncestors();
        sight.unmapped = !Viewable();
        return XNews::Sight;
    }
    if (event.xany.window != drawnWindow)
        return XNews::Nothing;
    switch (event.type) {
    case ConfigureNotify: {
        const bool resized =
            event.xconfigure.width != drawnWidth || event.xconfigure.height != drawnHeight;
        drawnWidth = event.xconfigure.width;
        drawnHeight = event.xconfigure.height;
        return drawnWindowHosted && resized ? XNews::Resized : XNews::Nothing;
    }
    case VisibilityNotify:
        sight.obscured = event.xvisibility.state == VisibilityFullyObscured;
        return XNews::Sight;
    case DestroyNotify:
        return event.xdestroywindow.window == drawnWindow ? XNews::WindowGone : XNews::Nothing;
    }
    return XNews::Nothing;
}

void ReportLostDisplay()
{
    std::fprintf(stderr, "%s: lost the connection to the display\n", PROGRAM);
}

void ReportWindowGone()
{
    if (drawnWindowHosted)
        std::fprintf(stderr, "%s: the window in XSCREENSAVER_WINDOW (0x%lx) is gone\n", PROGRAM,
                     drawnWindow);
    else
        std::fprintf(stderr, "%s: the saver window was destroyed\n", PROGRAM);
}

void CheckMonitor(Sight& sight)
{
    CARD16 level = DPMSModeOn;
    BOOL enabled = False;
    if (dpms)
        DPMSInfo(display, &level, &enabled);
    sight.monitorOff = MonitorIsOff(dpms, enabled, static_cast<PowerLevel>(level));
}

bool HasDpms()
{
    return dpms;
}

bool IsXWayland()
{
    return xwayland;
}

// SDL's X11 windows have no background of their own, so the desktop would
// show through them until the first whole-window copy.
void LetServerPaintBackground(SDL_Window* window, Colour background)
{
    SDL_SysWMinfo info;
    if (!X11WindowOf(window, info))
        return;
    XWindowAttributes attributes{};
    XGetWindowAttributes(info.info.x11.display, info.info.x11.window, &attributes);
    const Visual* visual = attributes.visual;
    XSetWindowBackground(info.info.x11.display, info.info.x11.window,
                         PixelOf(visual->red_mask, visual->green_mask, visual->blue_mask,
                                 attributes.depth, background));
}

unsigned long PixelOf(unsigned long red, unsigned long green, unsigned long blue, int depth,
                      Colour colour)
{
    auto channel = [](unsigned long mask, unsigned value) {
        if (mask == 0)
            return 0ul;
        const int shift = __builtin_ctzl(mask), bits = __builtin_popcountl(mask);
        return (static_cast<unsigned long>(value) >> (8 - std::min(bits, 8)) << shift) & mask;
    };
    const unsigned long all = depth >= 32 ? 0xFFFFFFFFul : (1ul << depth) - 1;
    return channel(red, colour & 0xFF) | channel(green, (colour >> 8) & 0xFF) |
           channel(blue, (colour >> 16) & 0xFF) | (all & ~(red | green | blue));
}

void TrapXErrors()
{
    trappedError = false;
    previousHandler = XSetErrorHandler(TrapXError);
}

bool XErrorsCaught(Display* display)
{
    XSync(display, False);
    XSetErrorHandler(previousHandler);
    return trappedError;
}

// A window manager that tiles (i3) or keeps room for panels (openbox with
// tint2) would otherwise leave its panel over the saver or shrink it.
// Before mapping, the state is a property the window manager reads.
void AskForFullScreen(SDL_Window* window)
{
    SDL_SysWMinfo info;
    if (!X11WindowOf(window, info))
        return;
    Display* own = info.info.x11.display;
    const Atom fullScreen = XInternAtom(own, "_NET_WM_STATE_FULLSCREEN", False);
    XChangeProperty(own, info.info.x11.window, XInternAtom(own, "_NET_WM_STATE", False), XA_ATOM,
                    32, PropModeReplace, reinterpret_cast<const unsigned char*>(&fullScreen), 1);
}

// XWayland's window manager (wlroots) watches a window's properties only
// from when it has seen the window created, and on the map writes back the
// state it knows of: a property set before it looked is lost, and sway
// tiles the saver. The request as a message, once mapped, cannot be missed.
void RepeatFullScreenRequest(SDL_Window* window)
{
    SDL_SysWMinfo info;
    if (!X11WindowOf(window, info))
        return;
    Display* own = info.info.x11.display;
    constexpr long ADD = 1, FROM_APPLICATION = 1;
    XEvent request{};
    request.xclient.type = ClientMessage;
    request.xclient.window = info.info.x11.window;
    request.xclient.message_type = XInternAtom(own, "_NET_WM_STATE", False);
    request.xclient.format = 32;
    request.xclient.data.l[0] = ADD;
    request.xclient.data.l[1] =
        static_cast<long>(XInternAtom(own, "_NET_WM_STATE_FULLSCREEN", False));
    request.xclient.data.l[3] = FROM_APPLICATION;
    XSendEvent(own, DefaultRootWindow(own), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &request);
    XFlush(own);
}
