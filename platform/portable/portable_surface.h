// The portable build's surface: a plain 32-bit pixel buffer it owns.
#pragma once

#include <vector>

#include "platform/surface.h"

struct Surface {
    std::vector<Colour> pixels; // rows top to bottom, `width` pixels each
    int width;
    int height;
};
