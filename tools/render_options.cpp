#include "tools/render_options.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "scene/scene.h"
#include "tools/scene_file.h"

namespace {

bool ParseSize(std::string_view text, int& width, int& height)
{
    const std::size_t x = text.find('x');
    if (x == std::string_view::npos)
        return false;
    return ParseWhole(text.substr(0, x), width) && ParseWhole(text.substr(x + 1), height) &&
           width >= 1 && width <= SCENE_SIZE_LIMIT && height >= 1 && height <= SCENE_SIZE_LIMIT;
}

Failure ParseOption(std::string_view name, std::string_view value, Options& o)
{
    const std::string quoted = std::string("'").append(Printable(value)).append("'");
    if (name == "--scene") {
        o.scenePath = value;
    } else if (name == "--seed") {
        if (!ParseWhole(value, o.seed))
            return {"--seed " + quoted + " is not an integer 0..4294967295"};
        o.seeded = true;
    } else if (name == "--size") {
        if (!ParseSize(value, o.width, o.height))
            return {"--size " + quoted + " is not WxH with each side 1..16384"};
    } else if (name == "--backdrop") {
        if (!ParseWhole(value, o.backdrop) || o.backdrop < 0 || o.backdrop >= BACKDROP_COUNT)
            return {"--backdrop " + quoted + " is not 0..4"};
    } else if (name == "--frames") {
        if (!ParseWhole(value, o.frames) || o.frames < 0 || o.frames > FRAME_LIMIT)
            return {"--frames " + quoted + " is not 0..1000000"};
    } else if (name == "--every") {
        if (!ParseWhole(value, o.every) || o.every < 1 || o.every > FRAME_LIMIT)
            return {"--every " + quoted + " is not 1..1000000"};
    } else if (name == "--out") {
        o.outDir = value;
    } else if (name == "--dump-particles") {
        o.dumpPath = value;
    } else {
        return {std::string("unknown option '").append(Printable(name)).append("'")};
    }
    return {};
}

} // namespace

std::string Printable(std::string_view text)
{
    std::string printable;
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u != 0x7F) {
            printable += c;
            continue;
        }
        constexpr char hex[] = "0123456789ABCDEF";
        printable += "\\x";
        printable += hex[u >> 4];
        printable += hex[u & 0xF];
    }
    return printable;
}

Failure ParseOptions(int argc, char** argv, Options& o)
{
    std::vector<std::string_view> seen;
    for (int i = 1; i < argc; i += 2) {
        if (std::find(seen.begin(), seen.end(), argv[i]) != seen.end())
            return {Printable(argv[i]) + " is given twice"};
        seen.push_back(argv[i]);
        if (std::string_view(argv[i]) == "--report-gdi-objects") {
            o.reportGdiObjects = true;
            --i; // takes no value
            continue;
        }
        if (i + 1 >= argc)
            return {Printable(argv[i]) + " needs a value"};
        if (Failure f = ParseOption(argv[i], argv[i + 1], o); !f.message.empty())
            return f;
    }
    if (o.seeded == !o.scenePath.empty())
        return {"give either --scene FILE or --seed N --size WxH"};
    if (o.seeded != (o.width > 0))
        return {"--seed and --size go together"};
    return {};
}
