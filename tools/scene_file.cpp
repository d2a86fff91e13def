#include "tools/scene_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <initializer_list>

namespace {

using Fields = std::vector<std::string_view>;

// What the records so far have given, for the rules on order.
struct Seen {
    bool screen = false;
    bool backdrop = false;
};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

// Printable ASCII and blanks only: a stray byte is an error, not a surprise.
bool IsAsciiText(std::string_view line)
{
    for (char c : line) {
        const auto u = static_cast<unsigned char>(c);
        if (!IsBlank(c) && (u < 0x20 || u > 0x7E))
            return false;
    }
    return true;
}

Fields SplitFields(std::string_view line)
{
    Fields fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i]))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && !IsBlank(line[i]))
            ++i;
        if (i > start)
            fields.push_back(line.substr(start, i - start));
    }
    return fields;
}

// GCC 12 warns (-Wrestrict, wrongly) on "literal" + std::string; joining
// views avoids that pattern.
std::string Cat(std::initializer_list<std::string_view> parts)
{
    std::string text;
    for (std::string_view part : parts)
        text += part;
    return text;
}

std::string Quoted(std::string_view text)
{
    return Cat({"'", text, "'"});
}

std::string ParseInteger(std::string_view text, const char* what, int low, int high, int& value)
{
    if (!ParseWhole(text, value))
        return Cat({what, " ", Quoted(text), " is not an integer"});
    if (value < low || value > high)
        return Cat(
            {what, " ", text, " is outside ", std::to_string(low), "..", std::to_string(high)});
    return {};
}

// std::from_chars rounds correctly on every build, where a C runtime's
// strtod need not; it also reads "nan" and "inf", which are refused here.
std::string ParseCoordinate(std::string_view text, const char* what, double& value)
{
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range)
        return Cat({what, " ", Quoted(text), " is out of range"});
    if (ec != std::errc() || ptr != end)
        return Cat({what, " ", Quoted(text), " is not a decimal number"});
    if (!std::isfinite(value))
        return Cat({what, " ", Quoted(text), " is not finite"});
    if (std::fabs(value) > SCENE_MAGNITUDE_LIMIT)
        return Cat({what, " ", text, " is beyond +-1e7"});
    return {};
}

std::string ParseColour(std::string_view text, Colour& value)
{
    const std::string_view digits = text.substr(text.size() >= 2 ? 2 : text.size());
    const bool prefixed = text.starts_with("0x") || text.starts_with("0X");
    if (!prefixed || digits.empty() || digits.size() > 8 || !ParseWhole(digits, value, 16) ||
        value > 0x00FFFFFF)
        return Cat({"colour ", Quoted(text), " is not hex 0x00BBGGRR"});
    return {};
}

std::string FieldCount(const char* record, std::size_t expected, const Fields& fields)
{
    if (fields.size() == expected + 1)
        return {};
    return Cat({record, " takes ", std::to_string(expected), " fields, found ",
                std::to_string(fields.size() - 1)});
}

std::string ParseScreen(const Fields& fields, Scene& scene)
{
    if (std::string e = FieldCount("screen", 2, fields); !e.empty())
        return e;
    if (std::string e = ParseInteger(fields[1], "width", 1, SCENE_SIZE_LIMIT, scene.width);
        !e.empty())
        return e;
    return ParseInteger(fields[2], "height", 1, SCENE_SIZE_LIMIT, scene.height);
}

std::string ParseBackdrop(const Fields& fields, Scene& scene)
{
    if (std::string e = FieldCount("backdrop", 1, fields); !e.empty())
        return e;
    return ParseInteger(fields[1], "backdrop", 0, BACKDROP_COUNT - 1, scene.backdrop);
}

std::string ParseParticle(const Fields& fields, Particle& p)
{
    if (std::string e = FieldCount("particle", 6, fields); !e.empty())
        return e;
    double* coordinates[] = {&p.x, &p.y, &p.vx, &p.vy};
    const char* names[] = {"x", "y", "vx", "vy"};
    for (int k = 0; k < 4; ++k)
        if (std::string e = ParseCoordinate(fields[1 + k], names[k], *coordinates[k]); !e.empty())
            return e;
    int radius = 0;
    if (std::string e = ParseInteger(fields[5], "radius", 1, SCENE_RADIUS_LIMIT, radius);
        !e.empty())
        return e;
    p.radius = static_cast<std::int16_t>(radius);
    return ParseColour(fields[6], p.colour);
}

// One record against what has been read so far.
std::string ParseRecord(const Fields& fields, Scene& scene, Seen& seen)
{
    const std::string_view kind = fields[0];
    if (kind != "screen" && kind != "backdrop" && kind != "particle")
        return Cat({"unknown record ", Quoted(kind)});
    if (kind == "screen") {
        if (seen.screen)
            return "a second screen record";
        seen.screen = true;
        return ParseScreen(fields, scene);
    }
    if (!seen.screen)
        return "the first record must be 'screen W H'";
    if (kind == "backdrop") {
        if (seen.backdrop)
            return "a second backdrop record";
        if (!scene.particles.empty())
            return "backdrop comes before the particles";
        seen.backdrop = true;
        return ParseBackdrop(fields, scene);
    }
    if (scene.particles.size() == PARTICLE_COUNT)
        return Cat({"more than ", std::to_string(PARTICLE_COUNT), " particles"});
    Particle p{};
    std::string e = ParseParticle(fields, p);
    if (e.empty())
        scene.particles.push_back(p);
    return e;
}

std::string Shortest(double v)
{
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, v);
    return std::string(text, result.ptr);
}

} // namespace

SceneParse ParseScene(std::string_view text)
{
    SceneParse parse;
    Seen seen;
    int lineNumber = 0;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t end = std::min(text.find('\n', begin), text.size());
        const std::string_view line = text.substr(begin, end - begin);
        begin = end + 1;
        ++lineNumber;
        std::string e;
        const Fields fields = SplitFields(line);
        if (!IsAsciiText(line))
            e = "not printable ASCII text";
        else if (fields.empty() || fields[0].starts_with('#'))
            continue;
        else
            e = ParseRecord(fields, parse.scene, seen);
        if (!e.empty()) {
            parse.errorLine = lineNumber;
            parse.error = std::move(e);
            return parse;
        }
    }
    // A missing record is reported at the end of the text.
    if (!seen.screen || parse.scene.particles.empty()) {
        parse.errorLine = std::max(lineNumber, 1);
        parse.error = seen.screen ? "no particle records" : "no screen record";
    }
    return parse;
}

std::string FormatScene(const Scene& scene)
{
    std::string text =
        Cat({"screen ", std::to_string(scene.width), " ", std::to_string(scene.height),
             "\nbackdrop ", std::to_string(scene.backdrop), "\n"});
    for (const Particle& p : scene.particles) {
        char colour[16];
        std::snprintf(colour, sizeof colour, "0x%08X", static_cast<unsigned>(p.colour));
        text += Cat({"particle ", Shortest(p.x), " ", Shortest(p.y), " ", Shortest(p.vx), " ",
                     Shortest(p.vy), " ", std::to_string(p.radius), " ", colour, "\n"});
    }
    return text;
}
