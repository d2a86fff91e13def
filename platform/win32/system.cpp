#include "platform/system.h"

#include "platform/win32/win32_surface.h"
#include "resources/resource_ids.h"

void SleepMs(int ms)
{
    Sleep(static_cast<DWORD>(ms));
}

ScreenSize DesktopSize()
{
    RECT desktop{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    return {desktop.right, desktop.bottom};
}

Surface* LoadLogo(Surface* like)
{
    HANDLE image = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_LOGO), IMAGE_BITMAP,
                              0, 0, LR_DEFAULTCOLOR);
    if (image == nullptr)
        return nullptr;
    BITMAP size{};
    GetObjectA(image, sizeof size, &size);
    HDC dc = CreateCompatibleDC(like->dc);
    HGDIOBJ previous = SelectObject(dc, image);
    return new Surface{dc, static_cast<HBITMAP>(image), previous, size.bmWidth, size.bmHeight};
}

void ReportMissingLogo()
{
    MessageBoxA(nullptr, "Hello", "Hello", MB_OK);
}

int GdiObjectCount()
{
    return static_cast<int>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
}

void PresentFrame(Surface* window, Surface* backBuffer)
{
    CopyRect(window, 0, 0, backBuffer->width, backBuffer->height, backBuffer, 0, 0);
}
