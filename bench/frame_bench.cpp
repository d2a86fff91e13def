// What a frame of the portable saver costs at common screen sizes, beside
// one whole-surface memcpy timed in the same run:
//   Compose   a steady-state frame as the render thread makes it: the last
//             frame's drawing undone from the backdrop, then every particle
//             moved and drawn with its links
//   Present   that frame written into window pixels in X11's layout, as
//             the render thread hands it to the window; its counters say how
//             many rectangles, and how many pixels in them, then go to the
//             X server
//   Copy      one memcpy of a whole screen of pixels
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/portable/rasterizer/window_pixels.h"
#include "scene/frame.h"

namespace {

// The saver's scene from a seeded start, over a plain backdrop, a few
// frames in so that restoring has something to undo.
struct Scene {
    Particle particles[PARTICLE_COUNT];
    Surface* backdrop;
    Surface* backBuffer;
    std::vector<std::uint8_t> windowPixels;
    WindowPixels window;

    Scene(int width, int height)
    {
        ScreenWidth = width;
        ScreenHeight = height;
        std::srand(1);
        SetUpPalette();
        for (Particle& p : particles)
            SpawnParticle(p, SpawnMode::Initial, std::rand);
        backdrop = CreateMemorySurface(width, height);
        FillSurface(backdrop, BACKGROUND_COLOUR);
        backBuffer = CreateCompatibleSurface(backdrop, width, height);
        windowPixels.resize(static_cast<std::size_t>(width) * height * 4);
        window = {windowPixels.data(), width * 4, width, height, 4, ConvertToXrgb, {}, {}};
        for (int k = 0; k < 3; ++k)
            Next();
    }
    ~Scene()
    {
        ReleaseSurface(backBuffer);
        ReleaseSurface(backdrop);
    }
    void Compose() { ComposeFrame(backBuffer, backdrop, particles, PARTICLE_COUNT, std::rand); }
    void Present()
    {
        ClearDamage(window.changed, window.width, window.height);
        PresentPixels(window, backBuffer);
    }
    void Next()
    {
        Compose();
        Present();
    }
};

void Compose(benchmark::State& state)
{
    Scene scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        scene.Compose();
        benchmark::ClobberMemory();
    }
}

// Timed by hand: each present needs a new frame before it, untimed.
void Present(benchmark::State& state)
{
    Scene scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    double sent = 0, pixels = 0;
    for (auto _ : state) {
        scene.Compose();
        const auto start = std::chrono::steady_clock::now();
        scene.Present();
        benchmark::ClobberMemory();
        const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(spent.count());
        const auto rects =
            DamageRects(scene.window.changed, scene.window.width, scene.window.height);
        sent += static_cast<double>(rects.size());
        for (const PixelRect& r : rects)
            pixels += static_cast<double>(r.width) * r.height;
    }
    state.counters["rects"] = benchmark::Counter(sent, benchmark::Counter::kAvgIterations);
    state.counters["pixels_sent"] = benchmark::Counter(pixels, benchmark::Counter::kAvgIterations);
}

void Copy(benchmark::State& state)
{
    const std::size_t pixels = static_cast<std::size_t>(state.range(0)) * state.range(1);
    std::vector<Colour> from(pixels, BACKGROUND_COLOUR), to(pixels, 0);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), pixels * sizeof(Colour));
        benchmark::ClobberMemory();
    }
}

void ScreenSizes(benchmark::internal::Benchmark* b)
{
    b->Args({1280, 720})->Args({1920, 1080})->Args({3840, 2160});
    b->ArgNames({"w", "h"})->Unit(benchmark::kMicrosecond);
}

} // namespace

BENCHMARK(Compose)->Apply(ScreenSizes);
BENCHMARK(Present)->Apply(ScreenSizes)->UseManualTime();
BENCHMARK(Copy)->Apply(ScreenSizes);

BENCHMARK_MAIN();
