// Surfaces as BMP files, for looking at frames and comparing them byte for
// byte between the builds.
#pragma once

#include <string>

#include "platform/surface.h"

// The whole surface as an uncompressed 24-bit BMP, rows bottom-up, no
// colour table. Returns false if the file could not be written in full.
bool WriteBmp(Surface* surface, const std::string& path);
