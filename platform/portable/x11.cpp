// SDL loads Xlib at run time, and so do we: the program needs no X11 to
// link, and on another video driver these find nothing and do nothing.
#include "platform/portable/x11.h"

#include <SDL_syswm.h>
#include <X11/Xatom.h>

#include <cstdio>
#include <cstdlib>

namespace {

void* XlibFunction(const char* name)
{
    if (SDL_strcmp(SDL_GetCurrentVideoDriver(), "x11") != 0)
        return nullptr;
    void* xlib = SDL_LoadObject("libX11.so.6");
    return xlib == nullptr ? nullptr : SDL_LoadFunction(xlib, name);
}

template <typename Function> Function* Xlib(const char* name)
{
    return reinterpret_cast<Function*>(XlibFunction(name));
}

bool X11WindowOf(SDL_Window* window, SDL_SysWMinfo& info)
{
    SDL_VERSION(&info.version);
    return SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11;
}

int EndOnLostDisplay(Display*)
{
    std::fputs("vendrel-screensaver: lost the connection to the display\n", stderr);
    std::_Exit(1);
}

} // namespace

void CatchLostDisplay()
{
    using IoErrorHandler = int(Display*);
    auto set = Xlib<IoErrorHandler*(IoErrorHandler*)>("XSetIOErrorHandler");
    if (set != nullptr)
        set(EndOnLostDisplay);
}

// SDL's X11 windows have no background of their own, so the desktop would
// show through them until the first whole-window copy.
bool LetServerPaintBackground(SDL_Window* window, Uint32 pixel)
{
    auto set = Xlib<int(Display*, Window, unsigned long)>("XSetWindowBackground");
    SDL_SysWMinfo info;
    if (set == nullptr || !X11WindowOf(window, info))
        return false;
    set(info.info.x11.display, info.info.x11.window, pixel);
    return true;
}

// A window manager that tiles (i3) or keeps room for panels (openbox with
// tint2) would otherwise leave its panel over the saver or shrink it.
// Before mapping, the state is a property the window manager reads.
void AskForFullScreen(SDL_Window* window)
{
    auto intern = Xlib<Atom(Display*, const char*, Bool)>("XInternAtom");
    auto change = Xlib<int(Display*, Window, Atom, Atom, int, int, const unsigned char*, int)>(
        "XChangeProperty");
    SDL_SysWMinfo info;
    if (intern == nullptr || change == nullptr || !X11WindowOf(window, info))
        return;
    Display* display = info.info.x11.display;
    const Atom fullScreen = intern(display, "_NET_WM_STATE_FULLSCREEN", False);
    change(display, info.info.x11.window, intern(display, "_NET_WM_STATE", False), XA_ATOM, 32,
           PropModeReplace, reinterpret_cast<const unsigned char*>(&fullScreen), 1);
}
