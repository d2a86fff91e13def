// The window a screen-saver framework hands its saver to draw on.
//
// xscreensaver, xsecurelock, xfce4-screensaver and mate-screensaver each
// make the window (one per monitor, or a small preview) and name it in the
// environment, in XSCREENSAVER_WINDOW: xscreensaver writes it in hex
// (0x40000C), xsecurelock in decimal. A saver there draws on that window
// and nothing else; the host owns the input and ends the saver with
// SIGTERM.
#pragma once

#include <string>

inline constexpr char HOST_WINDOW_VARIABLE[] = "XSCREENSAVER_WINDOW";

struct HostWindowName {
    unsigned long id;    // 0 when not hosted, or not a window
    std::string problem; // empty when the value names a window
};

// Reads the variable's value; null or empty means not hosted.
HostWindowName ParseHostWindow(const char* value);

// Whether the window `id` can be drawn on, on this display's default
// screen; if so its size, and otherwise what is wrong, in words. It runs
// before SDL starts, on a connection of its own.
std::string CheckHostWindow(unsigned long id, int& width, int& height);
