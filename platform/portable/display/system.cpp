#include "platform/system.h"

#include <SDL.h>

#include <cstdio>

#include "platform/portable/display/message_box.h"
#include "platform/portable/display/window.h"
#include "platform/portable/rasterizer/rows.h"
#include "resources/logo_data.h"

void SleepMs(int ms)
{
    SDL_Delay(static_cast<Uint32>(ms));
}

// The window the saver draws on is the screen: the primary display, or the
// window a host handed over, which may be one monitor or a small preview.
ScreenSize DesktopSize()
{
    if (SaverWindow.frame != nullptr)
        return {SurfaceWidth(SaverWindow.frame), SurfaceHeight(SaverWindow.frame)};
    SDL_Rect bounds{};
    if (SDL_GetDisplayBounds(0, &bounds) != 0)
        return {0, 0};
    return {bounds.x + bounds.w, bounds.y + bounds.h};
}

Surface* LoadLogo(Surface* like)
{
    if (LogoBmpSize == 0)
        return nullptr;
    SDL_Surface* decoded =
        SDL_LoadBMP_RW(SDL_RWFromConstMem(LogoBmp, static_cast<int>(LogoBmpSize)), 1);
    if (decoded == nullptr)
        return nullptr;
    // XBGR8888 holds 0x00BBGGRR, a Colour's own layout.
    SDL_Surface* pixels = SDL_ConvertSurfaceFormat(decoded, SDL_PIXELFORMAT_XBGR8888, 0);
    SDL_FreeSurface(decoded);
    if (pixels == nullptr)
        return nullptr;
    Surface* logo = CreateCompatibleSurface(like, pixels->w, pixels->h);
    NoteWrite(logo);
    for (int y = 0; y < pixels->h; ++y) {
        const auto* row = reinterpret_cast<const Uint32*>(
            static_cast<const Uint8*>(pixels->pixels) + static_cast<size_t>(y) * pixels->pitch);
        Colour* to = WritableRow(logo, y);
        for (int x = 0; x < pixels->w; ++x)
            to[x] = row[x] & 0x00FFFFFF;
    }
    SDL_FreeSurface(pixels);
    return logo;
}

int GdiObjectCount()
{
    return -1;
}

// Under a host a message box would open below the host's windows, unseen,
// and hold the drawing up for good: there the message goes to stderr.
void ReportMissingLogo()
{
    if (SaverWindow.hosted)
        std::fputs("Hello\n", stderr);
    else
        ShowMessageAndWait();
}

void PresentFrame(Surface*, Surface* backBuffer)
{
    SaverWindow.presenter.present(backBuffer);
}
