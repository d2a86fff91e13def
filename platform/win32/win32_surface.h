// The Windows build's surface: a device context with its bitmap.
#pragma once

#include <windows.h>

#include "platform/surface.h"

struct Surface {
    HDC dc;
    HBITMAP bitmap;         // null for a surface that only wraps a device context
    HGDIOBJ previousBitmap; // selected back before the bitmap is deleted
    int width;
    int height;
};

// Lends a device context someone else owns (the window's paint surface):
// ReleaseSurface frees the record only.
Surface* WrapDeviceContext(HDC dc, int width, int height);
