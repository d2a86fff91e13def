// How soon a saver shows itself: starts it RUNS times on this X display
// (run it inside tests/harness/xvfb.sh) and, polling a 600x600 area in the
// middle of the screen with XGetImage every few milliseconds, takes the
// time from launch to the window's background and to the first frame (a
// dot or a link on it). Prints the medians and the saver's peak memory.
//
//   vendrel-startup-probe RUNS COMMAND ARGS...
//
// The saver is ended with SIGTERM after each start; for a saver that Wine
// runs, the command's whole process group is.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int AREA = 600;
constexpr auto POLL = std::chrono::milliseconds(4);
constexpr auto GIVE_UP = std::chrono::seconds(60);
constexpr unsigned long BACKGROUND = 0x222222;
constexpr double BACKGROUND_SHARE = 0.9; // the window covers the area
constexpr int DRAWN_PIXELS = 10;         // and something is drawn on it

using Clock = std::chrono::steady_clock;

struct Start {
    double backgroundMs = -1;
    double frameMs = -1;
    long peakKiB = -1;
};

// What the area shows now: the share of background pixels, and how many
// others there are.
std::pair<double, int> Look(Display* display, int width, int height)
{
    const int side = std::min({AREA, width, height});
    XImage* image = XGetImage(display, DefaultRootWindow(display), (width - side) / 2,
                              (height - side) / 2, side, side, AllPlanes, ZPixmap);
    if (image == nullptr)
        return {0, 0};
    int background = 0;
    for (int y = 0; y < side; ++y) {
        if (image->bits_per_pixel != 32) {
            for (int x = 0; x < side; ++x)
                background += (XGetPixel(image, x, y) & 0xFFFFFF) == BACKGROUND;
            continue;
        }
        const auto* row =
            reinterpret_cast<const std::uint32_t*>(image->data + y * image->bytes_per_line);
        for (int x = 0; x < side; ++x)
            background += (row[x] & 0xFFFFFF) == BACKGROUND;
    }
    XDestroyImage(image);
    const int all = side * side;
    return {static_cast<double>(background) / all, all - background};
}

// The largest peak resident size among the processes of the group.
long PeakKiB(pid_t group)
{
    long peak = -1;
    std::FILE* list = popen(("pgrep -g " + std::to_string(group)).c_str(), "r");
    if (list == nullptr)
        return peak;
    int pid = 0;
    while (std::fscanf(list, "%d", &pid) == 1) {
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("VmHWM:", 0) == 0)
                peak = std::max(peak, std::atol(line.c_str() + 6));
    }
    pclose(list);
    return peak;
}

Start Measure(Display* display, int width, int height, char** command)
{
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    pid_t pid = 0;
    const Clock::time_point launched = Clock::now();
    Start start;
    if (posix_spawnp(&pid, command[0], nullptr, &attributes, command, environ) != 0) {
        std::fprintf(stderr, "startup-probe: cannot start %s\n", command[0]);
        std::exit(1);
    }
    auto since = [&] {
        return std::chrono::duration<double, std::milli>(Clock::now() - launched).count();
    };
    while (start.frameMs < 0 && Clock::now() - launched < GIVE_UP) {
        const auto [share, others] = Look(display, width, height);
        if (share >= BACKGROUND_SHARE && start.backgroundMs < 0)
            start.backgroundMs = since();
        if (share >= BACKGROUND_SHARE && others >= DRAWN_PIXELS)
            start.frameMs = since();
        std::this_thread::sleep_for(POLL);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    start.peakKiB = PeakKiB(pid);
    kill(-pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    return start;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fputs("usage: vendrel-startup-probe RUNS COMMAND ARGS...\n", stderr);
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr || runs < 1) {
        std::fputs("startup-probe: no X display, or no runs\n", stderr);
        return 1;
    }
    const int width = DisplayWidth(display, DefaultScreen(display));
    const int height = DisplayHeight(display, DefaultScreen(display));
    std::vector<double> background, frame, peak;
    for (int k = 0; k < runs; ++k) {
        const Start s = Measure(display, width, height, argv + 2);
        std::printf("  start %d: background %.0f ms, first frame %.0f ms, peak %.1f MiB\n", k + 1,
                    s.backgroundMs, s.frameMs, s.peakKiB / 1024.0);
        background.push_back(s.backgroundMs);
        frame.push_back(s.frameMs);
        peak.push_back(s.peakKiB / 1024.0);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    std::printf("%dx%d: background %.0f ms, first frame %.0f ms, peak %.1f MiB (medians of %d)\n",
                width, height, Median(background), Median(frame), Median(peak), runs);
    XCloseDisplay(display);
    return 0;
}
