// The logo's BMP file, embedded in the portable build at build time.
#pragma once

#include <cstddef>

extern const unsigned char LogoBmp[];
extern const std::size_t LogoBmpSize; // 0 in a build made without the logo
