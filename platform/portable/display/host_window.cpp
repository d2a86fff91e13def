#include "platform/portable/display/host_window.h"

#include <X11/Xlib.h>

#include <charconv>
#include <cstdio>
#include <cstring>

#include "platform/portable/display/x11.h"

namespace {

// X ids have 29 bits; anything wider names no window.
constexpr unsigned long LARGEST_ID = 0x1FFFFFFF;
constexpr std::size_t SHOWN_CHARACTERS = 40;

// The value as it may appear in a one-line message.
std::string Quoted(const char* value)
{
    std::string out = "'";
    for (std::size_t k = 0; value[k] != '\0'; ++k) {
        if (k == SHOWN_CHARACTERS) {
            out += "...";
            break;
        }
        const auto c = static_cast<unsigned char>(value[k]);
        if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "'";
}

} // namespace

HostWindowName ParseHostWindow(const char* value)
{
    if (value == nullptr || value[0] == '\0')
        return {0, {}};
    const char* digits = value;
    int base = 10;
    if (value[0] == '0' && (value[1] == 'x' || value[1] == 'X')) {
        digits = value + 2;
        base = 16;
    }
    const char* end = value + std::strlen(value);
    unsigned long id = 0;
    const auto [stop, error] = std::from_chars(digits, end, id, base);
    const std::string name = std::string(HOST_WINDOW_VARIABLE) + "=" + Quoted(value);
    if (digits == end || error == std::errc::invalid_argument || stop != end)
        return {0, name + " is not a window id (hex as 0x40000C, or decimal)"};
    if (error == std::errc::result_out_of_range || id > LARGEST_ID)
        return {0, name + " is too large to be a window id"};
    if (id == 0)
        return {0, name + " names no window"};
    return {id, {}};
}

std::string CheckHostWindow(unsigned long id, int& width, int& height)
{
    Display* own = XOpenDisplay(nullptr);
    if (own == nullptr)
        return "cannot open the display '" + std::string(XDisplayName(nullptr)) + "'";
    TrapXErrors();
    XWindowAttributes attributes{};
    const Status status = XGetWindowAttributes(own, id, &attributes);
    const bool failed = XErrorsCaught(own);
    std::string problem;
    if (status == 0 || failed)
        problem = "names no window on this display";
    else if (attributes.screen != DefaultScreenOfDisplay(own))
        problem = "names a window of another screen than " + std::string(XDisplayString(own));
    else if (attributes.c_class == InputOnly)
        problem = "names a window that cannot be drawn on";
    else if (attributes.visual->c_class != TrueColor)
        problem = "names a window whose visual is not true colour";
    width = attributes.width;
    height = attributes.height;
    XCloseDisplay(own);
    return problem;
}
