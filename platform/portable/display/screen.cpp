#include "platform/portable/display/screen.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>

namespace {

int randrEventBase = -1;

} // namespace

ScreenRect PrimaryMonitor(Display* display)
{
    const ScreenRect whole{0, 0, DisplayWidth(display, DefaultScreen(display)),
                           DisplayHeight(display, DefaultScreen(display))};
    int events = 0, errors = 0, count = 0;
    if (!XRRQueryExtension(display, &events, &errors))
        return whole;
    XRRMonitorInfo* monitors = XRRGetMonitors(display, DefaultRootWindow(display), True, &count);
    if (monitors == nullptr)
        return whole;
    int pick = 0;
    while (pick < count && !monitors[pick].primary)
        ++pick;
    pick = pick < count ? pick : 0;
    ScreenRect chosen = whole;
    if (count > 0)
        chosen = {monitors[pick].x, monitors[pick].y, monitors[pick].width, monitors[pick].height};
    XRRFreeMonitors(monitors);
    // Within the screen: a monitor may reach past a screen made smaller.
    const int x1 = std::min(chosen.x + chosen.width, whole.width);
    const int y1 = std::min(chosen.y + chosen.height, whole.height);
    chosen = {std::max(chosen.x, 0), std::max(chosen.y, 0), 0, 0};
    chosen.width = x1 - chosen.x;
    chosen.height = y1 - chosen.y;
    return chosen.width > 0 && chosen.height > 0 ? chosen : whole;
}

// A screen made larger or smaller resizes the root window, which says so
// whatever RandR tells this connection; SDL watches the outputs on the root
// window itself, and its notices stay selected beside ours.
void WatchMonitors(Display* display)
{
    const Window root = DefaultRootWindow(display);
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, root, &attributes);
    XSelectInput(display, root, attributes.your_event_mask | StructureNotifyMask);
    int errors = 0;
    if (!XRRQueryExtension(display, &randrEventBase, &errors)) {
        randrEventBase = -1;
        return;
    }
    XRRSelectInput(display, root,
                   RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
}

// Xlib's idea of the screen's size follows either notice only once told.
bool MonitorsChanged(Display* display, const XEvent& event)
{
    const bool resized =
        event.type == ConfigureNotify && event.xconfigure.window == DefaultRootWindow(display);
    if (resized || (randrEventBase >= 0 && event.type == randrEventBase + RRScreenChangeNotify)) {
        XRRUpdateConfiguration(const_cast<XEvent*>(&event));
        return true;
    }
    return randrEventBase >= 0 && event.type == randrEventBase + RRNotify;
}
