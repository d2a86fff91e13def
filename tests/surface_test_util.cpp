#include "surface_test_util.h"

#include <vector>

std::string MaskOf(Surface* surface, Colour background, Colour pen, Colour brush)
{
    const std::vector<Colour> pixels = ReadPixels(surface);
    const int width = SurfaceWidth(surface);
    std::string mask;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        if (i > 0 && i % width == 0)
            mask += '\n';
        const Colour c = pixels[i];
        mask += c == background ? '.' : c == pen ? 'p' : c == brush ? 'b' : '#';
    }
    return mask;
}

Surface* FilledSurface(int width, int height, Colour colour)
{
    Surface* s = CreateMemorySurface(width, height);
    FillSurface(s, colour);
    return s;
}
