// One frame of the saver at common screen sizes, beside the floor no frame
// can go below: the two full-screen copies it must make (backdrop into the
// back buffer, back buffer out to the window) as plain memory copies.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/portable/portable_surface.h"
#include "scene/frame.h"

namespace {

// A frame as the render thread makes it, from a seeded start; the particles
// move on from frame to frame as they do on screen.
void Frame(benchmark::State& state)
{
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    ScreenWidth = width;
    ScreenHeight = height;
    std::srand(1);
    SetUpPalette();
    Particle particles[PARTICLE_COUNT];
    for (Particle& p : particles)
        SpawnParticle(p, SpawnMode::Initial, std::rand);
    Surface* window = CreateMemorySurface(width, height);
    FillSurface(window, BACKGROUND_COLOUR);
    Surface* backdrop = CreateCompatibleSurface(window, width, height);
    CopyRect(backdrop, 0, 0, width, height, window, 0, 0);
    Surface* backBuffer = CreateCompatibleSurface(window, width, height);

    for (auto _ : state) {
        ComposeFrame(backBuffer, backdrop, particles, PARTICLE_COUNT, std::rand);
        CopyRect(window, 0, 0, width, height, backBuffer, 0, 0);
        benchmark::ClobberMemory();
    }
    ReleaseSurface(backBuffer);
    ReleaseSurface(backdrop);
    ReleaseSurface(window);
}

void Floor(benchmark::State& state)
{
    const std::size_t pixels = static_cast<std::size_t>(state.range(0)) * state.range(1);
    std::vector<Colour> backdrop(pixels, BACKGROUND_COLOUR), backBuffer(pixels), window(pixels);
    const std::size_t bytes = pixels * sizeof(Colour);
    for (auto _ : state) {
        std::memcpy(backBuffer.data(), backdrop.data(), bytes);
        benchmark::ClobberMemory();
        std::memcpy(window.data(), backBuffer.data(), bytes);
        benchmark::ClobberMemory();
    }
}

void ScreenSizes(benchmark::internal::Benchmark* b)
{
    b->Args({1280, 720})->Args({1920, 1080})->Args({2560, 1440})->Args({3840, 2160});
    b->ArgNames({"w", "h"})->Unit(benchmark::kMicrosecond);
}

} // namespace

BENCHMARK(Frame)->Apply(ScreenSizes);
BENCHMARK(Floor)->Apply(ScreenSizes);

BENCHMARK_MAIN();
