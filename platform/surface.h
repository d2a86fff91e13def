// Surfaces: true-colour pixel areas with GDI's drawing rules.
//
// The Windows build makes each call with GDI; the portable build draws into
// plain pixel buffers with the same pixels. Coordinates are integer pixels,
// origin top-left, and may lie anywhere: everything is clipped to the surface.
#pragma once

#include <cstdint>
#include <vector>

using Colour = std::uint32_t; // 0x00BBGGRR

struct Surface; // defined by each platform

// A new surface of its own width x height, compatible with `like`. Its
// pixels are black until drawn on.
Surface* CreateCompatibleSurface(Surface* like, int width, int height);

// A free-standing off-screen surface, for callers that have no window.
Surface* CreateMemorySurface(int width, int height);

void ReleaseSurface(Surface* surface);

int SurfaceWidth(const Surface* surface);
int SurfaceHeight(const Surface* surface);

// SRCCOPY: the width x height rectangle at (sx, sy) of `source` onto
// (dx, dy) of `target`, clipped to both surfaces.
void CopyRect(Surface* target, int dx, int dy, int width, int height, Surface* source, int sx,
              int sy);

// A 1-px solid line from (x0, y0) towards (x1, y1); the end pixel is left out.
void DrawLine(Surface* surface, int x0, int y0, int x1, int y1, Colour colour);

// An ellipse in the box (left, top)-(right, bottom), the right and bottom
// edges excluded, outlined with a 1-px `pen` and filled with `brush`.
void DrawEllipse(Surface* surface, int left, int top, int right, int bottom, Colour pen,
                 Colour brush);

void FillSurface(Surface* surface, Colour colour);

// Every pixel, row by row from the top, as 0x00BBGGRR.
std::vector<Colour> ReadPixels(Surface* surface);
