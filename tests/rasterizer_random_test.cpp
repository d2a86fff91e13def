// Random lines, ellipses and copies against plain references. Each shape
// drawn on a small surface must paint exactly the part of the whole shape
// that lies on it: the reference draws the whole shape on a canvas with a
// guard band wide enough that nothing is clipped, then crops. Seeds are
// fixed, so a failure reproduces.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "platform/surface.h"

namespace {

constexpr Colour PEN = 0x00FFFFFF;
constexpr Colour BRUSH = 0x0000FF00;
constexpr int REACH = 80; // how far beyond the surface a near shape may go

struct Case {
    int width, height;
    int a, b, c, d; // line ends or box corners
};

std::vector<Colour> Crop(Surface* big, int offset, int width, int height)
{
    const std::vector<Colour> all = ReadPixels(big);
    const int bigWidth = SurfaceWidth(big);
    std::vector<Colour> part;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            part.push_back(all[static_cast<std::size_t>(y + offset) * bigWidth + x + offset]);
    return part;
}

Case NearCase(std::mt19937& rng)
{
    std::uniform_int_distribution<int> size(1, 64);
    Case c{size(rng), size(rng), 0, 0, 0, 0};
    std::uniform_int_distribution<int> x(-REACH, c.width + REACH), y(-REACH, c.height + REACH);
    c.a = x(rng), c.b = y(rng), c.c = x(rng), c.d = y(rng);
    return c;
}

template <typename Draw> void ExpectSameAsUnclipped(const Case& c, Draw draw)
{
    Surface* small = CreateMemorySurface(c.width, c.height);
    const int g = REACH + 1;
    Surface* big = CreateMemorySurface(c.width + 2 * g, c.height + 2 * g);
    draw(small, 0);
    draw(big, g);
    ASSERT_EQ(ReadPixels(small), Crop(big, g, c.width, c.height))
        << c.width << "x" << c.height << " shape " << c.a << "," << c.b << " " << c.c << "," << c.d;
    ReleaseSurface(big);
    ReleaseSurface(small);
}

TEST(RandomShapes, NearLinesClipToThePixelsOfTheWholeLine)
{
    std::mt19937 rng(20261208);
    for (int n = 0; n < 100000; ++n) {
        const Case c = NearCase(rng);
        ExpectSameAsUnclipped(
            c, [&c](Surface* s, int o) { DrawLine(s, c.a + o, c.b + o, c.c + o, c.d + o, PEN); });
    }
}

// A line's pixels straight from the definition: each pixel's minor coordinate
// i * d / n rounded to nearest with ties to the smaller coordinate.
std::vector<Colour> ReferenceLine(int width, int height, std::int64_t x0, std::int64_t y0,
                                  std::int64_t x1, std::int64_t y1)
{
    std::vector<Colour> pixels(static_cast<std::size_t>(width) * height, 0);
    const bool xMajor = std::llabs(x1 - x0) >= std::llabs(y1 - y0);
    const std::int64_t n = xMajor ? std::llabs(x1 - x0) : std::llabs(y1 - y0);
    const std::int64_t d = xMajor ? y1 - y0 : x1 - x0;
    const int majorSize = xMajor ? width : height;
    for (int m = 0; m < majorSize; ++m) {
        const std::int64_t start = xMajor ? x0 : y0, end = xMajor ? x1 : y1;
        const std::int64_t i = end >= start ? m - start : start - m;
        if (n == 0 || i < 0 || i >= n)
            continue;
        // round(i*d/n), ties down: floor((2*i*d + n - 1) / (2n)) for the
        // floor of a possibly negative numerator.
        const __int128 num = static_cast<__int128>(2) * i * d + n - 1;
        const __int128 den = 2 * static_cast<__int128>(n);
        __int128 q = num / den;
        if (num % den != 0 && num < 0)
            --q;
        const std::int64_t minor = (xMajor ? y0 : x0) + static_cast<std::int64_t>(q);
        const int minorSize = xMajor ? height : width;
        if (minor < 0 || minor >= minorSize)
            continue;
        const int x = xMajor ? m : static_cast<int>(minor),
                  y = xMajor ? static_cast<int>(minor) : m;
        pixels[static_cast<std::size_t>(y) * width + x] = PEN;
    }
    return pixels;
}

// Being cheap, the definition takes millions: a third of the lines from far
// to far, a third from far through the surface, a third near it.
TEST(RandomShapes, LinesMatchTheDefinition)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> size(1, 64), far(-1000000, 1000000), near(-8, 72),
        close(-REACH, 64 + REACH);
    for (int n = 0; n < 2000000; ++n) {
        const int w = size(rng), h = size(rng);
        int x0 = far(rng), y0 = far(rng), x1 = far(rng), y1 = far(rng);
        if (n % 3 == 1) {
            x1 = 2 * near(rng) - x0;
            y1 = 2 * near(rng) - y0;
        } else if (n % 3 == 2) {
            x0 = close(rng), y0 = close(rng), x1 = close(rng), y1 = close(rng);
        }
        Surface* s = CreateMemorySurface(w, h);
        DrawLine(s, x0, y0, x1, y1, PEN);
        ASSERT_EQ(ReadPixels(s), ReferenceLine(w, h, x0, y0, x1, y1))
            << w << "x" << h << " line " << x0 << "," << y0 << " to " << x1 << "," << y1;
        ReleaseSurface(s);
    }
}

TEST(RandomShapes, NearEllipsesClipToThePixelsOfTheWholeEllipse)
{
    std::mt19937 rng(42);
    for (int n = 0; n < 100000; ++n) {
        Case c = NearCase(rng);
        ExpectSameAsUnclipped(c, [&c](Surface* s, int o) {
            DrawEllipse(s, c.a + o, c.b + o, c.c + o, c.d + o, PEN, BRUSH);
        });
    }
}

TEST(RandomShapes, FarAndHugeEllipsesStayOnTheSurfaceAndSymmetric)
{
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> size(1, 64), far(-1000000, 1000000), half(1, 100000);
    for (int n = 0; n < 2000; ++n) {
        const int w = size(rng), h = size(rng);
        Surface* s = CreateMemorySurface(w, h);
        // A small box far away paints nothing.
        const int x = far(rng), y = far(rng);
        if (std::abs(x) > 200 && std::abs(y) > 200) {
            DrawEllipse(s, x, y, x + 12, y + 11, PEN, BRUSH);
            ASSERT_EQ(ReadPixels(s), std::vector<Colour>(static_cast<std::size_t>(w) * h, 0));
        }
        // A huge box centred on the surface paints a mirror-symmetric patch.
        const int rx = half(rng), ry = half(rng);
        DrawEllipse(s, -rx, -ry, w + rx, h + ry, PEN, BRUSH);
        const std::vector<Colour> p = ReadPixels(s);
        for (int yy = 0; yy < h; ++yy)
            for (int xx = 0; xx < w; ++xx)
                ASSERT_EQ(p[yy * w + xx], p[(h - 1 - yy) * w + (w - 1 - xx)])
                    << w << "x" << h << " box radii " << rx << "," << ry;
        ReleaseSurface(s);
    }
}

TEST(RandomShapes, CopiesMatchAPixelByPixelCopy)
{
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> size(1, 64), pos(-100, 100), extent(0, 150);
    for (int n = 0; n < 100000; ++n) {
        const int sw = size(rng), sh = size(rng), tw = size(rng), th = size(rng);
        Surface* source = CreateMemorySurface(sw, sh);
        Surface* target = CreateMemorySurface(tw, th);
        std::vector<Colour> sp(static_cast<std::size_t>(sw) * sh);
        for (std::size_t i = 0; i < sp.size(); ++i)
            sp[i] = static_cast<Colour>(i + 1);
        for (int y = 0; y < sh; ++y)
            for (int x = 0; x < sw; ++x) // a 1-px line paints one pixel
                DrawLine(source, x, y, x + 1, y, sp[static_cast<std::size_t>(y) * sw + x]);
        const int dx = pos(rng), dy = pos(rng), w = extent(rng), h = extent(rng);
        const int sx = pos(rng) / 4, sy = pos(rng) / 4;
        CopyRect(target, dx, dy, w, h, source, sx, sy);
        std::vector<Colour> expected(static_cast<std::size_t>(tw) * th, 0);
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i) {
                const int tx = dx + i, ty = dy + j, ux = sx + i, uy = sy + j;
                if (tx >= 0 && tx < tw && ty >= 0 && ty < th && ux >= 0 && ux < sw && uy >= 0 &&
                    uy < sh)
                    expected[static_cast<std::size_t>(ty) * tw + tx] =
                        sp[static_cast<std::size_t>(uy) * sw + ux];
            }
        ASSERT_EQ(ReadPixels(target), expected);
        ReleaseSurface(target);
        ReleaseSurface(source);
    }
}

} // namespace
