// vendrel-render's command line (usage at the top of render_main.cpp), and
// the one-line failures the program reports.
#pragma once

#include <string>
#include <string_view>

inline constexpr int FRAME_LIMIT = 1000000;

struct Options {
    std::string scenePath;
    bool seeded = false;
    unsigned seed = 0;
    int width = 0, height = 0; // --size
    int backdrop = -1;         // -1: the scene's own
    int frames = 1;
    int every = 1; // write every n-th frame
    std::string outDir;
    std::string dumpPath;
    bool reportGdiObjects = false;
};

struct Failure {
    std::string message; // empty: no failure
};

// argv[1] to argv[argc - 1] into `o`: either a whole set of options that
// names one source of particles, or a failure.
Failure ParseOptions(int argc, char** argv, Options& o);

// `text` fit for a one-line message: control characters, such as a newline
// in an argument or a file name, written as \xNN.
std::string Printable(std::string_view text);
