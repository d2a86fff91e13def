// What each way SDL offers of putting a whole 0x00BBGGRR frame on a window
// costs this process, per frame, at the display's size. The saver keeps the
// cheapest one that stays correct; run it with bench/present-bench.sh.
#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

constexpr int WARM_UP_FRAMES = 20;
constexpr int TIMED_FRAMES = 200;

using Colour = Uint32; // 0x00BBGGRR

struct Cost {
    double cpuMs;  // this process, all threads, per frame
    double wallMs; // per frame
};

double Seconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void Scribble(std::vector<Colour>& frame, int n)
{
    // A moving band, so no layer can skip an unchanged frame.
    const std::size_t step = frame.size() / 64 + 1;
    for (std::size_t k = static_cast<std::size_t>(n) % step; k < frame.size(); k += step)
        frame[k] = 0x00FFFFFF;
}

void SwapRedBlue(const Colour* from, Uint32* to, std::size_t count)
{
    for (std::size_t k = 0; k < count; ++k) {
        const Uint32 p = from[k];
        to[k] = ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
    }
}

template <typename PresentOne> Cost Measure(PresentOne present)
{
    for (int n = 0; n < WARM_UP_FRAMES; ++n)
        present(n);
    const double cpu0 = Seconds(CLOCK_PROCESS_CPUTIME_ID), wall0 = Seconds(CLOCK_MONOTONIC);
    for (int n = 0; n < TIMED_FRAMES; ++n) {
        present(n);
        SDL_PumpEvents();
    }
    const double cpu1 = Seconds(CLOCK_PROCESS_CPUTIME_ID), wall1 = Seconds(CLOCK_MONOTONIC);
    return {(cpu1 - cpu0) * 1000.0 / TIMED_FRAMES, (wall1 - wall0) * 1000.0 / TIMED_FRAMES};
}

SDL_Window* OpenWindow(int w, int h)
{
    SDL_Window* window = SDL_CreateWindow("present bench", 0, 0, w, h, SDL_WINDOW_BORDERLESS);
    SDL_Event e;
    for (int n = 0; n < 10; ++n) {
        while (SDL_PollEvent(&e)) {
        }
        SDL_Delay(10);
    }
    return window;
}

void Report(const char* name, Cost c)
{
    std::printf("%-52s cpu %6.3f ms  wall %6.3f ms\n", name, c.cpuMs, c.wallMs);
}

void BenchWindowSurface(int w, int h, std::vector<Colour>& frame, bool sdlConvert)
{
    SDL_Window* window = OpenWindow(w, h);
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    if (surface == nullptr) {
        std::printf("window surface: %s\n", SDL_GetError());
        SDL_DestroyWindow(window);
        return;
    }
    std::printf("(window surface %s) ", SDL_GetPixelFormatName(surface->format->format));
    const Cost c = Measure([&](int n) {
        Scribble(frame, n);
        if (sdlConvert)
            SDL_ConvertPixels(w, h, SDL_PIXELFORMAT_XBGR8888, frame.data(), w * 4,
                              surface->format->format, surface->pixels, surface->pitch);
        else
            SwapRedBlue(frame.data(), static_cast<Uint32*>(surface->pixels), frame.size());
        SDL_UpdateWindowSurface(window);
    });
    Report(sdlConvert ? "window surface, SDL_ConvertPixels" : "window surface, own red/blue swap",
           c);
    SDL_DestroyWindow(window);
}

void BenchRenderer(int w, int h, std::vector<Colour>& frame, Uint32 flags, const char* name)
{
    SDL_Window* window = OpenWindow(w, h);
    SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, flags);
    if (renderer == nullptr) {
        std::printf("%s: %s\n", name, SDL_GetError());
        SDL_DestroyWindow(window);
        return;
    }
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(renderer, &info);
    SDL_Texture* texture =
        SDL_CreateTexture(renderer, SDL_PIXELFORMAT_XBGR8888, SDL_TEXTUREACCESS_STREAMING, w, h);
    const Cost c = Measure([&](int n) {
        Scribble(frame, n);
        void* pixels = nullptr;
        int pitch = 0;
        SDL_LockTexture(texture, nullptr, &pixels, &pitch);
        for (int y = 0; y < h; ++y)
            std::memcpy(static_cast<Uint8*>(pixels) + static_cast<std::size_t>(y) * pitch,
                        frame.data() + static_cast<std::size_t>(y) * w, static_cast<size_t>(w) * 4);
        SDL_UnlockTexture(texture);
        SDL_RenderCopy(renderer, texture, nullptr, nullptr);
        SDL_RenderPresent(renderer);
    });
    char label[96];
    std::snprintf(label, sizeof label, "%s (%s), streaming XBGR8888", name, info.name);
    Report(label, c);
    SDL_DestroyTexture(texture);
    SDL_DestroyRenderer(renderer);
    SDL_DestroyWindow(window);
}

void BenchHandOffCopy(std::vector<Colour>& frame)
{
    std::vector<Colour> staging(frame.size());
    const Cost c = Measure([&](int n) {
        Scribble(frame, n);
        std::memcpy(staging.data(), frame.data(), frame.size() * sizeof(Colour));
    });
    Report("hand-off copy alone (memcpy of one frame)", c);
}

} // namespace

// One path per run: SDL decides once per process whether window surfaces go
// through a renderer of its own, so the paths cannot share a process.
int main(int argc, char** argv)
{
    const char* path = argc > 1 ? argv[1] : "";
    const bool native = std::strcmp(path, "surface-native") == 0 ||
                        std::strcmp(path, "convert-native") == 0 ||
                        std::strcmp(path, "software-native") == 0;
    // Left alone, SDL on X11 backs a window surface with an OpenGL texture.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, native ? "0" : "1");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "present-bench: %s\n", SDL_GetError());
        return 1;
    }
    SDL_Rect bounds{};
    SDL_GetDisplayBounds(0, &bounds);
    std::vector<Colour> frame(static_cast<std::size_t>(bounds.w) * bounds.h, 0x00222222);
    std::printf("[%dx%d %s] ", bounds.w, bounds.h, path);
    if (std::strcmp(path, "copy") == 0)
        BenchHandOffCopy(frame);
    else if (std::strcmp(path, "surface-native") == 0 || std::strcmp(path, "surface-gl") == 0)
        BenchWindowSurface(bounds.w, bounds.h, frame, false);
    else if (std::strcmp(path, "convert-native") == 0)
        BenchWindowSurface(bounds.w, bounds.h, frame, true);
    else if (std::strcmp(path, "software-native") == 0)
        BenchRenderer(bounds.w, bounds.h, frame, SDL_RENDERER_SOFTWARE, "software renderer");
    else if (std::strcmp(path, "opengl") == 0)
        BenchRenderer(bounds.w, bounds.h, frame, SDL_RENDERER_ACCELERATED, "accelerated renderer");
    else
        std::fprintf(stderr, "present-bench: unknown path \"%s\"\n", path);
    SDL_Quit();
    return 0;
}
