// Draws the reference primitives through the platform's surfaces and writes
// what they painted as text, one record a line. Under Wine the Windows build
// records GDI's pixels; tests/golden/gdi.txt is that output, and the portable
// build must print exactly the same.
//
//   vendrel-gdi-reference [--detail] OUTPUT
//
// Records:
//   L sx sy dx hash       every line from (sx, sy) to (sx + dx, sy + dy) for
//                         dy = -100..100, each alone on a cleared surface,
//                         hashed together (--detail: one F record per line)
//   F x0 y0 x1 y1 S x y   one line's pixels, on a small clipping surface
//   E l t r b rows        one ellipse: '.' untouched, 'p' pen, 'b' brush
//   H l t r b hash        one larger ellipse, its pixels hashed
//   C dx dy w h sx sy rows  one copy of an 8x8 pattern onto a 12x12 surface
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/surface.h"

namespace {

constexpr Colour BLANK = 0x00000000;
constexpr Colour INK = 0x00FFFFFF;
constexpr Colour PEN = 0x000000FF;
constexpr Colour BRUSH = 0x0000FF00;

struct Output {
    FILE* file;
    bool detail;
};

std::uint64_t Fnv(std::uint64_t hash, std::uint64_t value)
{
    for (int i = 0; i < 8; ++i) {
        hash ^= (value >> (8 * i)) & 0xFF;
        hash *= 0x100000001B3ull;
    }
    return hash;
}

// Painted pixels as "x,y" pairs in raster order.
std::string PaintedPixels(const std::vector<Colour>& pixels, int width)
{
    std::string text;
    for (size_t i = 0; i < pixels.size(); ++i) {
        if (pixels[i] == BLANK)
            continue;
        char pair[32];
        std::snprintf(pair, sizeof pair, " %d,%d", static_cast<int>(i) % width,
                      static_cast<int>(i) / width);
        text += pair;
    }
    return text;
}

void RecordLineFans(Output& out)
{
    constexpr int size = 256;
    Surface* surface = CreateMemorySurface(size, size);
    const int starts[][2] = {{128, 128}, {101, 155}};
    for (const auto& start : starts) {
        for (int dx = -100; dx <= 100; ++dx) {
            std::uint64_t hash = 0xCBF29CE484222325ull;
            for (int dy = -100; dy <= 100; ++dy) {
                FillSurface(surface, BLANK);
                DrawLine(surface, start[0], start[1], start[0] + dx, start[1] + dy, INK);
                const std::vector<Colour> pixels = ReadPixels(surface);
                hash = Fnv(hash, static_cast<std::uint64_t>(dy + 1000));
                for (size_t i = 0; i < pixels.size(); ++i)
                    if (pixels[i] != BLANK)
                        hash = Fnv(hash, i);
                if (out.detail)
                    std::fprintf(out.file, "F %d %d %d %d S%s\n", start[0], start[1], start[0] + dx,
                                 start[1] + dy, PaintedPixels(pixels, size).c_str());
            }
            std::fprintf(out.file, "L %d %d %d %016llx\n", start[0], start[1], dx,
                         static_cast<unsigned long long>(hash));
        }
    }
    ReleaseSurface(surface);
}

// Lines that cross or miss a small surface from far away: the clipped part
// must be the very pixels of the whole line.
void RecordClippedLines(Output& out)
{
    constexpr int size = 16;
    Surface* surface = CreateMemorySurface(size, size);
    std::uint32_t state = 12345;
    auto next = [&state](int range) {
        state = state * 1103515245u + 12345u;
        return static_cast<int>((state >> 8) % static_cast<std::uint32_t>(2 * range + 1)) - range;
    };
    const int reaches[] = {20, 300, 100000, 1000000};
    for (int reach : reaches) {
        for (int n = 0; n < 400; ++n) {
            const int x0 = next(reach) + size / 2, y0 = next(reach) + size / 2;
            // Aim through the surface most of the time, so the line is seen.
            const int x1 = n % 4 ? 2 * (size / 2) - x0 + next(8) : next(reach);
            const int y1 = n % 4 ? 2 * (size / 2) - y0 + next(8) : next(reach);
            FillSurface(surface, BLANK);
            DrawLine(surface, x0, y0, x1, y1, INK);
            std::fprintf(out.file, "F %d %d %d %d S%s\n", x0, y0, x1, y1,
                         PaintedPixels(ReadPixels(surface), size).c_str());
        }
    }
    ReleaseSurface(surface);
}

void RecordEllipse(Output& out, Surface* surface, int left, int top, int right, int bottom)
{
    FillSurface(surface, BLANK);
    DrawEllipse(surface, left, top, right, bottom, PEN, BRUSH);
    const std::vector<Colour> pixels = ReadPixels(surface);
    const int width = SurfaceWidth(surface);
    std::string rows;
    for (size_t i = 0; i < pixels.size(); ++i) {
        if (i > 0 && i % width == 0)
            rows += '/';
        rows += pixels[i] == PEN ? 'p' : pixels[i] == BRUSH ? 'b' : pixels[i] == BLANK ? '.' : '?';
    }
    std::fprintf(out.file, "E %d %d %d %d %s\n", left, top, right, bottom, rows.c_str());
}

void RecordEllipses(Output& out)
{
    constexpr int size = 20;
    Surface* surface = CreateMemorySurface(size, size);
    const int origins[][2] = {{2, 1}, {-3, -2}, {9, 12}, {-40, 5}};
    for (int w = 0; w <= 16; ++w)
        for (int h = w - 1; h <= w + 1; ++h) {
            if (h < 0 || h > 16)
                continue;
            for (const auto& o : origins)
                RecordEllipse(out, surface, o[0], o[1], o[0] + w, o[1] + h);
            // The same box given from its other corners.
            RecordEllipse(out, surface, 2 + w, 1 + h, 2, 1);
        }
    ReleaseSurface(surface);

    // Radii up to 100, as scene files may ask for.
    constexpr int big = 212;
    surface = CreateMemorySurface(big, big);
    const int sides[] = {20, 25, 31, 32, 50, 64, 101, 128, 199, 200};
    for (int w : sides)
        for (int h = w - 1; h <= w + 1; ++h) {
            FillSurface(surface, BLANK);
            DrawEllipse(surface, 3, 5, 3 + w, 5 + h, PEN, BRUSH);
            const std::vector<Colour> pixels = ReadPixels(surface);
            std::uint64_t hash = 0xCBF29CE484222325ull;
            for (size_t i = 0; i < pixels.size(); ++i)
                hash = Fnv(hash, pixels[i] == PEN ? 1 : pixels[i] == BRUSH ? 2 : 0);
            std::fprintf(out.file, "H 3 5 %d %d %016llx\n", 3 + w, 5 + h,
                         static_cast<unsigned long long>(hash));
        }
    ReleaseSurface(surface);
}

void RecordCopies(Output& out)
{
    constexpr int source_size = 8;
    constexpr int target_size = 12;
    Surface* source = CreateMemorySurface(source_size, source_size);
    Surface* target = CreateMemorySurface(target_size, target_size);
    // Each source pixel gets its own colour, via 1x1 copies of itself.
    Surface* dot = CreateMemorySurface(1, 1);
    for (int i = 0; i < source_size * source_size; ++i) {
        FillSurface(dot, 0x00010101 * static_cast<Colour>(i + 1));
        CopyRect(source, i % source_size, i / source_size, 1, 1, dot, 0, 0);
    }
    const int placements[][6] = {
        {0, 0, 8, 8, 0, 0},         {2, 3, 150, 139, 0, 0}, {-3, -2, 8, 8, 0, 0},
        {5, 6, 100, 100, 0, 0},     {0, 0, 8, 8, 3, 2},     {1, 1, 8, 8, -2, -3},
        {10, 10, 8, 8, 0, 0},       {-8, 0, 8, 8, 0, 0},    {4, 4, 3, 2, 5, 6},
        {0, 0, 0, 5, 0, 0},         {3, 3, 12, 12, -4, -4}, {-100, -100, 300, 300, 0, 0},
        {11, 11, 1000, 1000, 7, 7}, {6, 0, 20, 2, 6, 6},
    };
    for (const auto& c : placements) {
        FillSurface(target, BLANK);
        CopyRect(target, c[0], c[1], c[2], c[3], source, c[4], c[5]);
        const std::vector<Colour> pixels = ReadPixels(target);
        std::string rows;
        for (size_t i = 0; i < pixels.size(); ++i) {
            if (i > 0 && i % target_size == 0)
                rows += '/';
            const int index = static_cast<int>(pixels[i] & 0xFF);
            rows += index == 0 ? '.' : static_cast<char>('0' + index - 1);
        }
        std::fprintf(out.file, "C %d %d %d %d %d %d %s\n", c[0], c[1], c[2], c[3], c[4], c[5],
                     rows.c_str());
    }
    ReleaseSurface(dot);
    ReleaseSurface(target);
    ReleaseSurface(source);
}

} // namespace

int main(int argc, char** argv)
{
    Output out{nullptr, false};
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--detail") == 0)
            out.detail = true;
        else
            path = argv[i];
    }
    if (path == nullptr) {
        std::fprintf(stderr, "usage: vendrel-gdi-reference [--detail] OUTPUT\n");
        return 2;
    }
    out.file = std::fopen(path, "wb");
    if (out.file == nullptr) {
        std::fprintf(stderr, "vendrel-gdi-reference: cannot write %s\n", path);
        return 1;
    }
    RecordLineFans(out);
    RecordClippedLines(out);
    RecordEllipses(out);
    RecordCopies(out);
    return std::fclose(out.file) == 0 ? 0 : 1;
}
