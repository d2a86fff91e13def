// vendrel-render: frames of the saver's animation, drawn off-screen through
// the same frame function, with no pause, to files or to nothing (timing).
//
//   vendrel-render (--scene FILE | --seed N --size WxH) [--backdrop K]
//                  [--frames N] [--out DIR [--every K]] [--dump-particles FILE]
//                  [--report-gdi-objects]
//
//   --scene FILE           the particles of a scene file (tools/scene_file.h)
//   --seed N --size WxH    150 particles spawned as the saver spawns them
//   --backdrop K           backdrop 0..4 instead of the scene's (default 0)
//   --frames N             frames to render, 0..1000000 (default 1)
//   --out DIR              writes DIR/frame-0001.bmp, ... (DIR is made if missing)
//   --every K              writes only every K-th frame (default 1)
//   --dump-particles FILE  the particles after the last frame, as a scene file
//   --report-gdi-objects   prints the GDI objects held before and after the
//                          frames (Windows; Wine always counts 0)
//
// Bad input: one line on stderr, exit code 2, nothing written.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "backdrop/backdrops.h"
#include "platform/system.h"
#include "scene/frame.h"
#include "tools/bmp_writer.h"
#include "tools/render_options.h"
#include "tools/scene_file.h"

namespace {

constexpr int EXIT_BAD_INPUT = 2;
// Seven full-screen surfaces live at once (window, five backdrops, back
// buffer); the Windows build is a 32-bit process and must hold them all.
constexpr long long PIXEL_LIMIT = 1LL << 25;
// Larger than any scene needs; it keeps a wrong path (a device) from hanging us.
constexpr std::size_t SCENE_FILE_LIMIT = 1 << 20;

Failure ReadText(const std::string& path, std::string& text)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return {path + ": cannot open"};
    text.resize(SCENE_FILE_LIMIT + 1);
    text.resize(std::fread(text.data(), 1, text.size(), file));
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        return {path + ": cannot read"};
    if (text.size() > SCENE_FILE_LIMIT)
        return {path + ": larger than 1 MiB, not a scene file"};
    return {};
}

Failure LoadScene(const Options& o, Scene& scene)
{
    std::string text;
    if (Failure f = ReadText(o.scenePath, text); !f.message.empty())
        return f;
    SceneParse parse = ParseScene(text);
    if (parse.errorLine != 0)
        return {o.scenePath + ":" + std::to_string(parse.errorLine) + ": " + parse.error};
    scene = std::move(parse.scene);
    return {};
}

// The saver's own start: seed, palette, then every particle spawned anywhere.
Scene SpawnScene(const Options& o)
{
    Scene scene{o.width, o.height, 0, std::vector<Particle>(PARTICLE_COUNT)};
    std::srand(o.seed);
    ScreenWidth = scene.width;
    ScreenHeight = scene.height;
    SetUpPalette();
    for (Particle& p : scene.particles)
        SpawnParticle(p, SpawnMode::Initial, std::rand);
    return scene;
}

// Whether `path` can be written, leaving it as it was: an existing file is
// opened for appending, a new one made and removed again.
bool CanWrite(const std::string& path)
{
    std::error_code ec;
    const bool existed = std::filesystem::exists(path, ec);
    std::FILE* file = std::fopen(path.c_str(), existed ? "ab" : "wb");
    if (file == nullptr)
        return false;
    std::fclose(file);
    if (!existed)
        std::remove(path.c_str());
    return true;
}

// Checked before the first frame, so that a bad destination leaves nothing
// behind; a folder made here is removed again if it cannot be written in.
Failure PrepareOutputs(const Options& o)
{
    if (!o.dumpPath.empty() && !CanWrite(o.dumpPath))
        return {o.dumpPath + ": cannot write"};
    if (o.outDir.empty())
        return {};
    std::error_code ec;
    const bool existed = std::filesystem::exists(o.outDir, ec);
    std::filesystem::create_directories(o.outDir, ec);
    if (!std::filesystem::is_directory(o.outDir, ec))
        return {o.outDir + ": cannot make the output folder"};
    if (CanWrite(o.outDir + "/.vendrel-render-probe"))
        return {};
    if (!existed)
        std::filesystem::remove(o.outDir, ec);
    return {o.outDir + ": cannot write in the output folder"};
}

std::string FramePath(const std::string& dir, int frame)
{
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%04d.bmp", frame);
    return dir + name;
}

Failure WriteText(const std::string& path, const std::string& text)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return {path + ": cannot write"};
    const bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) != 0 || !ok)
        return {path + ": cannot write"};
    return {};
}

// The window the saver would snapshot: its background colour, nothing else.
Failure Render(const Options& o, Scene& scene)
{
    ScreenWidth = scene.width;
    ScreenHeight = scene.height;
    SetUpPalette();
    Surface* window = CreateMemorySurface(scene.width, scene.height);
    FillSurface(window, BACKGROUND_COLOUR);
    Backdrops backdrops = BuildBackdrops(window, LoadLogo, ReportMissingLogo);
    Surface* backBuffer = CreateCompatibleSurface(window, scene.width, scene.height);
    Surface* backdrop = backdrops.surfaces[scene.backdrop];

    Failure failure;
    const int count = static_cast<int>(scene.particles.size());
    const int gdiObjectsBefore = GdiObjectCount();
    for (int frame = 1; frame <= o.frames && failure.message.empty(); ++frame) {
        ComposeFrame(backBuffer, backdrop, scene.particles.data(), count, std::rand);
        const bool wanted = !o.outDir.empty() && frame % o.every == 0;
        if (wanted && !WriteBmp(backBuffer, FramePath(o.outDir, frame)))
            failure = {FramePath(o.outDir, frame) + ": cannot write"};
    }
    if (o.reportGdiObjects)
        std::printf("GDI objects: %d before the frames, %d after %d frames\n", gdiObjectsBefore,
                    GdiObjectCount(), o.frames);
    ReleaseSurface(backBuffer);
    ReleaseBackdrops(backdrops);
    ReleaseSurface(window);
    if (failure.message.empty() && !o.dumpPath.empty())
        failure = WriteText(o.dumpPath, FormatScene(scene));
    return failure;
}

Failure Run(int argc, char** argv)
{
    Options o;
    if (Failure f = ParseOptions(argc, argv, o); !f.message.empty())
        return f;
    Scene scene;
    if (o.seeded)
        scene = SpawnScene(o);
    else if (Failure f = LoadScene(o, scene); !f.message.empty())
        return f;
    if (o.backdrop >= 0)
        scene.backdrop = o.backdrop;
    if (static_cast<long long>(scene.width) * scene.height > PIXEL_LIMIT)
        return {std::to_string(scene.width) + "x" + std::to_string(scene.height) +
                " is more than the 33554432 pixels vendrel-render can hold"};
    if (Failure f = PrepareOutputs(o); !f.message.empty())
        return f;
    return Render(o, scene);
}

} // namespace

int main(int argc, char** argv)
{
    try {
        const Failure f = Run(argc, argv);
        if (f.message.empty())
            return 0;
        // File names reach the messages as given, newlines and all.
        std::fprintf(stderr, "vendrel-render: %s\n", Printable(f.message).c_str());
        return EXIT_BAD_INPUT;
    } catch (const std::bad_alloc&) {
        std::fputs("vendrel-render: out of memory\n", stderr);
        return 1;
    }
}
