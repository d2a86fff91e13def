// Surfaces on GDI. Every pen and brush is made, selected, used, deselected
// and deleted around its one drawing call.
#include "platform/win32/win32_surface.h"

namespace {

Surface* AdoptBitmap(HDC dc, HBITMAP bitmap, int width, int height)
{
    HGDIOBJ previous = SelectObject(dc, bitmap);
    return new Surface{dc, bitmap, previous, width, height};
}

BITMAPINFO TopDown32(int width, int height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

} // namespace

Surface* WrapDeviceContext(HDC dc, int width, int height)
{
    return new Surface{dc, nullptr, nullptr, width, height};
}

Surface* CreateCompatibleSurface(Surface* like, int width, int height)
{
    HDC dc = CreateCompatibleDC(like->dc);
    return AdoptBitmap(dc, CreateCompatibleBitmap(like->dc, width, height), width, height);
}

Surface* CreateMemorySurface(int width, int height)
{
    // A 32-bit DIB, so the surface is true colour whatever the screen's depth.
    const BITMAPINFO info = TopDown32(width, height);
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    Surface* surface = AdoptBitmap(dc, bitmap, width, height);
    FillSurface(surface, 0);
    return surface;
}

void ReleaseSurface(Surface* surface)
{
    if (surface == nullptr)
        return;
    if (surface->bitmap != nullptr) {
        SelectObject(surface->dc, surface->previousBitmap);
        DeleteObject(surface->bitmap);
        DeleteDC(surface->dc);
    }
    delete surface;
}

int SurfaceWidth(const Surface* surface)
{
    return surface->width;
}
int SurfaceHeight(const Surface* surface)
{
    return surface->height;
}

void CopyRect(Surface* target, int dx, int dy, int width, int height, Surface* source, int sx,
              int sy)
{
    BitBlt(target->dc, dx, dy, width, height, source->dc, sx, sy, SRCCOPY);
}

void DrawLine(Surface* surface, int x0, int y0, int x1, int y1, Colour colour)
{
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HGDIOBJ previous = SelectObject(surface->dc, pen);
    MoveToEx(surface->dc, x0, y0, nullptr);
    LineTo(surface->dc, x1, y1);
    SelectObject(surface->dc, previous);
    DeleteObject(pen);
}

void DrawEllipse(Surface* surface, int left, int top, int right, int bottom, Colour pen,
                 Colour brush)
{
    HPEN outline = CreatePen(PS_SOLID, 1, pen);
    HBRUSH fill = CreateSolidBrush(brush);
    HGDIOBJ previousPen = SelectObject(surface->dc, outline);
    HGDIOBJ previousBrush = SelectObject(surface->dc, fill);
    Ellipse(surface->dc, left, top, right, bottom);
    SelectObject(surface->dc, previousBrush);
    SelectObject(surface->dc, previousPen);
    DeleteObject(fill);
    DeleteObject(outline);
}

void FillSurface(Surface* surface, Colour colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    const RECT all{0, 0, surface->width, surface->height};
    FillRect(surface->dc, &all, brush);
    DeleteObject(brush);
}

std::vector<Colour> ReadPixels(Surface* surface)
{
    std::vector<Colour> pixels(static_cast<size_t>(surface->width) * surface->height);
    if (surface->bitmap == nullptr || pixels.empty())
        return pixels;
    BITMAPINFO info = TopDown32(surface->width, surface->height);
    // GetDIBits wants the bitmap out of its device context.
    SelectObject(surface->dc, surface->previousBitmap);
    GetDIBits(surface->dc, surface->bitmap, 0, surface->height, pixels.data(), &info,
              DIB_RGB_COLORS);
    SelectObject(surface->dc, surface->bitmap);
    // DIB rows hold 0x00RRGGBB; a Colour is 0x00BBGGRR.
    for (Colour& p : pixels)
        p = (p & 0x0000FF00) | (p >> 16 & 0xFF) | (p & 0xFF) << 16;
    return pixels;
}
