// Scene files: a screen size, a backdrop and up to 150 particles as text,
// so a frame can be reproduced exactly on either build.
//
//   # comment                       (lines whose first non-blank is '#')
//   screen W H                      first record; 1..16384 each
//   backdrop K                      optional, before the particles; 0..4
//   particle x y vx vy radius colour  1 to 150, in index order
//
// x, y, vx and vy are decimal doubles, correctly rounded; their magnitude is
// at most 1e7, so every position a frame reaches stays far inside the range
// where each conversion to a pixel is defined. radius is 1..100 and colour
// is hex 0x00BBGGRR.
#pragma once

#include <charconv>
#include <string>
#include <string_view>
#include <vector>

#include "scene/scene.h"

inline constexpr int SCENE_SIZE_LIMIT = 16384;
inline constexpr double SCENE_MAGNITUDE_LIMIT = 1e7;
inline constexpr int SCENE_RADIUS_LIMIT = 100;

struct Scene {
    int width = 0;
    int height = 0;
    int backdrop = 0;
    std::vector<Particle> particles;
};

// On failure `errorLine` names the offending line (1-based) and `error` says
// what is wrong with it; on success `errorLine` is 0.
struct SceneParse {
    Scene scene;
    int errorLine = 0;
    std::string error;
};

SceneParse ParseScene(std::string_view text);

// The whole of `text` as one integer, or false.
template <typename Number> bool ParseWhole(std::string_view text, Number& value, int base = 10)
{
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
    return ec == std::errc() && ptr == end;
}

// The scene as text that ParseScene reads back to the same bits: every
// double in its shortest exact decimal form.
std::string FormatScene(const Scene& scene);
