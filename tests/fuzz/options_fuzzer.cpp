// Any bytes as vendrel-render's arguments, one argument per NUL-separated
// piece. Each list is either refused with a one-line message, or read into
// options that name exactly one source of particles and stay in range.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "scene/scene.h"
#include "tools/render_options.h"
#include "tools/scene_file.h"

namespace {

void Require(bool holds, const char* what, const std::vector<std::string>& words)
{
    if (holds)
        return;
    std::fprintf(stderr, "broken: %s\narguments:", what);
    for (const std::string& word : words)
        std::fprintf(stderr, " '%s'", word.c_str());
    std::fputc('\n', stderr);
    std::abort();
}

// Empty bytes give no arguments; otherwise each NUL ends one, so empty
// arguments occur too.
std::vector<std::string> SplitArguments(std::string_view bytes)
{
    std::vector<std::string> words{"vendrel-render"};
    if (bytes.empty())
        return words;
    std::size_t begin = 0;
    while (true) {
        const std::size_t end = bytes.find('\0', begin);
        words.emplace_back(bytes.substr(begin, end - begin));
        if (end == std::string_view::npos)
            return words;
        begin = end + 1;
    }
}

bool IsOneLine(std::string_view message)
{
    return std::none_of(message.begin(), message.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F;
    });
}

bool IsSide(int v)
{
    return v >= 1 && v <= SCENE_SIZE_LIMIT;
}

bool IsConsistent(const Options& o)
{
    const bool oneSource = o.seeded != !o.scenePath.empty();
    const bool sized =
        o.seeded ? IsSide(o.width) && IsSide(o.height) : o.width == 0 && o.height == 0;
    return oneSource && sized && o.frames >= 0 && o.frames <= FRAME_LIMIT && o.every >= 1 &&
           o.every <= FRAME_LIMIT && o.backdrop >= -1 && o.backdrop < BACKDROP_COUNT;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> words =
        SplitArguments(std::string_view(reinterpret_cast<const char*>(data), size));
    // As main receives them: writable strings and a null after the last.
    std::vector<std::string> copies = words;
    std::vector<char*> argv;
    for (std::string& word : copies)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    Options o;
    const Failure f = ParseOptions(static_cast<int>(words.size()), argv.data(), o);
    if (!f.message.empty())
        Require(IsOneLine(f.message), "a message that is not one line", words);
    else
        Require(IsConsistent(o), "options out of range or without one source", words);
    return 0;
}
