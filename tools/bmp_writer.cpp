#include "tools/bmp_writer.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr std::uint32_t HEADER_BYTES = 14 + 40;  // file header, BITMAPINFOHEADER
constexpr std::uint32_t PIXELS_PER_METRE = 2835; // 72 dpi

void PutLittleEndian(std::vector<unsigned char>& bytes, std::uint32_t value, int count)
{
    for (int i = 0; i < count; ++i)
        bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

// Written field by field, so the bytes are the same whatever the compiler's
// struct packing.
std::vector<unsigned char> Header(int width, int height, std::uint32_t imageBytes)
{
    std::vector<unsigned char> h;
    h.push_back('B');
    h.push_back('M');
    PutLittleEndian(h, HEADER_BYTES + imageBytes, 4);
    PutLittleEndian(h, 0, 4); // reserved
    PutLittleEndian(h, HEADER_BYTES, 4);
    PutLittleEndian(h, 40, 4);
    PutLittleEndian(h, static_cast<std::uint32_t>(width), 4);
    PutLittleEndian(h, static_cast<std::uint32_t>(height), 4); // positive: bottom-up
    PutLittleEndian(h, 1, 2);                                  // planes
    PutLittleEndian(h, 24, 2);                                 // bits per pixel
    PutLittleEndian(h, 0, 4);                                  // BI_RGB
    PutLittleEndian(h, imageBytes, 4);
    PutLittleEndian(h, PIXELS_PER_METRE, 4);
    PutLittleEndian(h, PIXELS_PER_METRE, 4);
    PutLittleEndian(h, 0, 4); // colours used
    PutLittleEndian(h, 0, 4); // colours important
    return h;
}

} // namespace

bool WriteBmp(Surface* surface, const std::string& path)
{
    const int width = SurfaceWidth(surface), height = SurfaceHeight(surface);
    const std::vector<Colour> pixels = ReadPixels(surface);
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    std::vector<unsigned char> image(stride * height, 0);
    for (int y = 0; y < height; ++y) {
        const Colour* row = pixels.data() + static_cast<std::size_t>(height - 1 - y) * width;
        unsigned char* out = image.data() + stride * y;
        // A Colour is 0x00BBGGRR; a BMP pixel is blue, green, red.
        for (int x = 0; x < width; ++x) {
            out[3 * x] = static_cast<unsigned char>(row[x] >> 16);
            out[3 * x + 1] = static_cast<unsigned char>(row[x] >> 8);
            out[3 * x + 2] = static_cast<unsigned char>(row[x]);
        }
    }
    const std::vector<unsigned char> header =
        Header(width, height, static_cast<std::uint32_t>(image.size()));

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    bool ok = std::fwrite(header.data(), 1, header.size(), file) == header.size();
    ok = ok && std::fwrite(image.data(), 1, image.size(), file) == image.size();
    return std::fclose(file) == 0 && ok;
}
