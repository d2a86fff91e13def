// The rectangle the standalone window covers, and telling when it moves:
// the primary monitor as RandR has it (its first monitor if none is
// primary), or the whole screen where RandR tells nothing.
#pragma once

typedef struct _XDisplay Display; // as Xlib has it
union _XEvent;

struct ScreenRect {
    int x, y, width, height;
    bool operator==(const ScreenRect&) const = default;
};

ScreenRect PrimaryMonitor(Display* display);

// From now on MonitorsChanged reads RandR's notices on `display`.
void WatchMonitors(Display* display);

// Whether the event says that the monitors or the screen's size changed.
bool MonitorsChanged(Display* display, const _XEvent& event);
