// Any bytes as a scene file. Each input is either refused with a message
// that names one of its lines, or read into a scene inside the format's
// limits that formats back to the same bits and draws two frames, each
// presented to window pixels, without touching memory outside a surface
// (the fuzz build's sanitizers watch). The second frame restores what the
// first drew and presents only what changed.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "backdrop/backdrops.h"
#include "platform/portable/rasterizer/window_pixels.h"
#include "scene/frame.h"
#include "tools/scene_file.h"

namespace {

// Wide enough for a logo stamp, links and circles to cross every edge, and
// small enough for thousands of inputs a second. Drawing clips, so the
// scene's own screen may be far larger than the surfaces.
constexpr int SURFACE_SIDE_LIMIT = 64;

void Require(bool holds, const char* what, std::string_view input)
{
    if (holds)
        return;
    std::fprintf(stderr, "broken: %s\ninput:\n%.*s\n", what, static_cast<int>(input.size()),
                 input.data());
    std::abort();
}

// Lines as ParseScene splits them: one per '\n', and a last one without it;
// an empty text still has line 1, as an editor numbers it.
int LineCount(std::string_view text)
{
    int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    if (!text.empty() && text.back() != '\n')
        ++lines;
    return std::max(lines, 1);
}

bool IsOneLine(std::string_view message)
{
    return std::all_of(message.begin(), message.end(),
                       [](char c) { return c >= 0x20 && c < 0x7F; });
}

bool IsCoordinate(double v)
{
    return std::isfinite(v) && std::fabs(v) <= SCENE_MAGNITUDE_LIMIT;
}

bool IsWithinFormat(const Scene& s)
{
    if (s.width < 1 || s.width > SCENE_SIZE_LIMIT || s.height < 1 || s.height > SCENE_SIZE_LIMIT)
        return false;
    if (s.backdrop < 0 || s.backdrop >= BACKDROP_COUNT)
        return false;
    if (s.particles.empty() || s.particles.size() > static_cast<std::size_t>(PARTICLE_COUNT))
        return false;
    return std::all_of(s.particles.begin(), s.particles.end(), [](const Particle& p) {
        return IsCoordinate(p.x) && IsCoordinate(p.y) && IsCoordinate(p.vx) && IsCoordinate(p.vy) &&
               p.radius >= 1 && p.radius <= SCENE_RADIUS_LIMIT && p.colour <= 0x00FFFFFF;
    });
}

bool SameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool SameScene(const Scene& a, const Scene& b)
{
    if (a.width != b.width || a.height != b.height || a.backdrop != b.backdrop ||
        a.particles.size() != b.particles.size())
        return false;
    for (std::size_t i = 0; i < a.particles.size(); ++i) {
        const Particle &p = a.particles[i], &q = b.particles[i];
        if (!SameBits(p.x, q.x) || !SameBits(p.y, q.y) || !SameBits(p.vx, q.vx) ||
            !SameBits(p.vy, q.vy) || p.radius != q.radius || p.colour != q.colour)
            return false;
    }
    return true;
}

Surface* TestLogo(Surface* like)
{
    Surface* logo = CreateCompatibleSurface(like, LOGO_WIDTH, LOGO_HEIGHT);
    FillSurface(logo, 0x00FFFFFF);
    return logo;
}

Surface* NoLogo(Surface*)
{
    return nullptr;
}

void IgnoreMissingLogo() {}

// As vendrel-render draws its frames, on surfaces cut down to the limit:
// the backdrops are snapshots of ScreenWidth x ScreenHeight, so they are
// built at the surfaces' size, and the frames then run on the scene's.
void DrawTwoFrames(Scene& scene, bool withLogo)
{
    const int width = std::min(scene.width, SURFACE_SIDE_LIMIT);
    const int height = std::min(scene.height, SURFACE_SIDE_LIMIT);
    ScreenWidth = width;
    ScreenHeight = height;
    SetUpPalette();
    Surface* window = CreateMemorySurface(width, height);
    FillSurface(window, BACKGROUND_COLOUR);
    Backdrops backdrops = BuildBackdrops(window, withLogo ? TestLogo : NoLogo, IgnoreMissingLogo);
    Surface* backBuffer = CreateCompatibleSurface(window, width, height);
    ScreenWidth = scene.width;
    ScreenHeight = scene.height;
    std::srand(1); // the same respawns each time an input is replayed
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
    WindowPixels shown{pixels.data(), width * 4, width, height, 4, ConvertToXrgb, {}, {}};
    for (int frame = 0; frame < 2; ++frame) {
        ComposeFrame(backBuffer, backdrops.surfaces[scene.backdrop], scene.particles.data(),
                     static_cast<int>(scene.particles.size()), std::rand);
        PresentPixels(shown, backBuffer);
    }
    ReleaseSurface(backBuffer);
    ReleaseBackdrops(backdrops);
    ReleaseSurface(window);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    SceneParse parse = ParseScene(text);
    if (parse.errorLine != 0) {
        Require(!parse.error.empty(), "a refusal without a message", text);
        Require(IsOneLine(parse.error), "a message that is not one printable line", text);
        Require(parse.errorLine >= 1 && parse.errorLine <= LineCount(text),
                "a refusal naming a line the input does not have", text);
        return 0;
    }
    Require(parse.error.empty(), "a message with a scene", text);
    Require(IsWithinFormat(parse.scene), "a scene beyond the format's limits", text);
    const SceneParse again = ParseScene(FormatScene(parse.scene));
    Require(again.errorLine == 0 && SameScene(again.scene, parse.scene),
            "a scene that does not format back to the same bits", text);
    // Half the inputs, by length, go without the logo: both ways of
    // building the backdrops run.
    DrawTwoFrames(parse.scene, size % 2 == 0);
    return 0;
}
