#include "surface_test_util.h"

#include <cstring>
#include <vector>

#include "platform/portable/rasterizer/rows.h"

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

// Row by row, and rows the two share without reading them.
bool SamePixels(Surface* a, Surface* b)
{
    if (a->width != b->width || a->height != b->height)
        return false;
    const std::size_t bytes = static_cast<std::size_t>(a->width) * sizeof(Colour);
    for (int y = 0; y < a->height; ++y)
        if (RowOf(a, y) != RowOf(b, y) && std::memcmp(RowOf(a, y), RowOf(b, y), bytes) != 0)
            return false;
    return true;
}
