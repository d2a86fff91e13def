// Posts one message to the saver's window, for end-to-end tests of paths no
// device produces on its own: a raw input record that cannot be read, or a
// key that arrives before the window's first paint.
//
//   vendrel-post-message [--first] MESSAGE WPARAM LPARAM
//
// Numbers in C notation (0x100). With --first it waits for the window to
// appear and posts at once. The line it prints says whether the window had
// been painted by then. Exit code 0 when posted, 1 when there is no window
// to post to, 2 for a bad command line.
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr char PROGRAM[] = "vendrel-post-message";
constexpr char SAVER_CLASS[] = "Vendrel Screensaver";
constexpr DWORD FIRST_WAIT_MS = 60000; // covers a Wine prefix being made

bool ParseNumber(const char* text, unsigned long* value)
{
    char* end = nullptr;
    errno = 0;
    *value = std::strtoul(text, &end, 0);
    return end != text && *end == '\0' && errno == 0 && text[0] != '-';
}

// The time between the window's creation and its first paint is short, so
// the search does not sleep between tries.
HWND FindSaverWindow(bool wait)
{
    const DWORD start = GetTickCount();
    for (;;) {
        HWND window = FindWindowA(SAVER_CLASS, nullptr);
        if (window != nullptr || !wait || GetTickCount() - start > FIRST_WAIT_MS)
            return window;
        Sleep(0);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const bool first = argc > 1 && std::strcmp(argv[1], "--first") == 0;
    const int at = first ? 2 : 1;
    unsigned long message = 0;
    unsigned long wParam = 0;
    unsigned long lParam = 0;
    if (argc - at != 3 || !ParseNumber(argv[at], &message) || message > 0xFFFF ||
        !ParseNumber(argv[at + 1], &wParam) || !ParseNumber(argv[at + 2], &lParam)) {
        std::fprintf(stderr, "usage: %s [--first] MESSAGE WPARAM LPARAM\n", PROGRAM);
        return 2;
    }

    HWND window = FindSaverWindow(first);
    if (window == nullptr) {
        std::fprintf(stderr, "%s: no \"%s\" window\n", PROGRAM, SAVER_CLASS);
        return 1;
    }
    if (!PostMessageA(window, message, wParam, static_cast<LPARAM>(lParam))) {
        std::fprintf(stderr, "%s: PostMessage failed, error %lu\n", PROGRAM, GetLastError());
        return 1;
    }
    // Looked at after posting: a window still waiting for its paint then
    // takes the posted message first, since paints come after posted ones.
    RECT unpainted{};
    const bool painted = GetUpdateRect(window, &unpainted, FALSE) == 0;
    std::printf("posted 0x%04lx %s the first paint\n", message, painted ? "after" : "before");
    return 0;
}
