// Small surfaces as ASCII masks, so a test shows the pixels it expects.
#pragma once

#include <string>

#include "platform/surface.h"

// One character a pixel, rows joined by '\n': '.' for `background`, 'p' for
// `pen`, 'b' for `brush`, '#' for any other colour.
std::string MaskOf(Surface* surface, Colour background = 0, Colour pen = 0x00FFFFFF,
                   Colour brush = 0x0000FF00);

// A width x height surface filled with `colour`.
Surface* FilledSurface(int width, int height, Colour colour);

// Whether two surfaces of one size hold the same pixels.
bool SamePixels(Surface* a, Surface* b);
