// The scene-file parser: what it reads, exactly, and what it refuses.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "tools/scene_file.h"

namespace {

const std::string SCREEN = "screen 640 480\n";
const std::string ONE_PARTICLE = "particle 1 2 3 4 5 0x00FFFFFF\n";

std::uint64_t Bits(double v)
{
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

std::string Particles(int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += ONE_PARTICLE;
    return text;
}

TEST(SceneFile, ReadsEveryField)
{
    const SceneParse parse = ParseScene("# a scene\n"
                                        "\n"
                                        "  screen\t1920 1080\r\n"
                                        "backdrop 4\n"
                                        "   # indented comment\n"
                                        "particle -0.5 1e2 0.25 -3.125e-1 6 0x00F8B133\n"
                                        "particle 10.7 20.2 0 0 100 0xff\n");
    ASSERT_EQ(parse.errorLine, 0) << parse.error;
    const Scene& s = parse.scene;
    EXPECT_EQ(s.width, 1920);
    EXPECT_EQ(s.height, 1080);
    EXPECT_EQ(s.backdrop, 4);
    ASSERT_EQ(s.particles.size(), 2u);
    const Particle& p = s.particles[0];
    EXPECT_EQ(p.x, -0.5);
    EXPECT_EQ(p.y, 100.0);
    EXPECT_EQ(p.vx, 0.25);
    EXPECT_EQ(p.vy, -0.3125);
    EXPECT_EQ(p.radius, 6);
    EXPECT_EQ(p.colour, 0x00F8B133u);
    EXPECT_EQ(s.particles[1].colour, 0x000000FFu);
    EXPECT_EQ(s.particles[1].radius, 100);
    EXPECT_EQ(ParseScene(SCREEN + ONE_PARTICLE).scene.backdrop, 0) << "backdrop defaults to 0";
}

// Correct rounding is what lets both builds start from the same bits.
TEST(SceneFile, RoundsDecimalsCorrectly)
{
    const SceneParse parse =
        ParseScene(SCREEN + "particle 0.1 90.00000000000001 130.00000000000001 "
                            "2.2250738585072011e-308 2 0x00000000\n");
    ASSERT_EQ(parse.errorLine, 0) << parse.error;
    const Particle& p = parse.scene.particles[0];
    EXPECT_EQ(Bits(p.x), 0x3FB999999999999Aull);
    EXPECT_EQ(p.y, std::nextafter(90.0, 100.0)) << "one step above 90 is a different double";
    EXPECT_EQ(p.vx, 130.0) << "a tenth of a step above 130 rounds back to 130";
    EXPECT_EQ(Bits(p.vy), 0x000FFFFFFFFFFFFFull) << "the largest subnormal";
}

TEST(SceneFile, AcceptsTheLimits)
{
    const SceneParse parse = ParseScene("screen 16384 1\n"
                                        "particle -1e7 1e7 -10000000 10000000.0 1 0x00FFFFFF\n" +
                                        Particles(PARTICLE_COUNT - 1));
    ASSERT_EQ(parse.errorLine, 0) << parse.error;
    EXPECT_EQ(parse.scene.particles.size(), static_cast<std::size_t>(PARTICLE_COUNT));
    EXPECT_EQ(parse.scene.particles[0].x, -1e7);
    EXPECT_EQ(ParseScene("screen 1 16384\n" + ONE_PARTICLE).errorLine, 0);
}

struct BadScene {
    std::string text;
    int line;
    const char* says; // a part of the message
};

TEST(SceneFile, RefusesBadInputNamingTheLine)
{
    const BadScene cases[] = {
        {"", 1, "no screen record"},
        {"# only a comment\n\n", 2, "no screen record"},
        {SCREEN, 1, "no particle records"},
        {SCREEN + "backdrop 2\n", 2, "no particle records"},
        {ONE_PARTICLE, 1, "first record"},
        {"backdrop 1\n" + SCREEN, 1, "first record"},
        {SCREEN + "circle 1 2\n", 2, "unknown record 'circle'"},
        {SCREEN + "Particle 1 2 3 4 5 0x00FFFFFF\n", 2, "unknown record"},
        {SCREEN + SCREEN + ONE_PARTICLE, 2, "second screen"},
        {"screen 640\n", 1, "takes 2 fields, found 1"},
        {"screen 640 480 32\n", 1, "found 3"},
        {"screen 0 480\n", 1, "outside 1..16384"},
        {"screen 640 16385\n", 1, "outside 1..16384"},
        {"screen -1 480\n", 1, "outside"},
        {"screen 640.0 480\n", 1, "not an integer"},
        {"screen +640 480\n", 1, "not an integer"},
        {"screen 99999999999 480\n", 1, "not an integer"},
        {SCREEN + "backdrop 5\n" + ONE_PARTICLE, 2, "outside 0..4"},
        {SCREEN + "backdrop -1\n" + ONE_PARTICLE, 2, "outside 0..4"},
        {SCREEN + "backdrop\n" + ONE_PARTICLE, 2, "takes 1 fields"},
        {SCREEN + "backdrop 1\nbackdrop 2\n" + ONE_PARTICLE, 3, "second backdrop"},
        {SCREEN + ONE_PARTICLE + "backdrop 1\n", 3, "before the particles"},
        {SCREEN + "particle 1 2 3 4 5\n", 2, "takes 6 fields, found 5"},
        {SCREEN + "particle 1 2 3 4 5 0x00FFFFFF 7\n", 2, "found 7"},
        {SCREEN + "particle nan 2 3 4 5 0x00FFFFFF\n", 2, "x 'nan' is not finite"},
        {SCREEN + "particle 1 -NaN 3 4 5 0x00FFFFFF\n", 2, "y '-NaN' is not finite"},
        {SCREEN + "particle 1 2 inf 4 5 0x00FFFFFF\n", 2, "vx 'inf' is not finite"},
        {SCREEN + "particle 1 2 3 -Infinity 5 0x00FFFFFF\n", 2, "vy '-Infinity'"},
        {SCREEN + "particle 1e400 2 3 4 5 0x00FFFFFF\n", 2, "out of range"},
        {SCREEN + "particle 1 2 1e-400 4 5 0x00FFFFFF\n", 2, "out of range"},
        {SCREEN + "particle 10000000.000000002 2 3 4 5 0x00FFFFFF\n", 2, "beyond +-1e7"},
        {SCREEN + "particle 1 2 3 -2e7 5 0x00FFFFFF\n", 2, "vy -2e7 is beyond"},
        {SCREEN + "particle 1,5 2 3 4 5 0x00FFFFFF\n", 2, "not a decimal number"},
        {SCREEN + "particle 1.5.2 2 3 4 5 0x00FFFFFF\n", 2, "not a decimal number"},
        {SCREEN + "particle 0x10 2 3 4 5 0x00FFFFFF\n", 2, "not a decimal number"},
        {SCREEN + "particle +1 2 3 4 5 0x00FFFFFF\n", 2, "not a decimal number"},
        {SCREEN + "particle 1 2 3 4 0 0x00FFFFFF\n", 2, "radius 0 is outside 1..100"},
        {SCREEN + "particle 1 2 3 4 101 0x00FFFFFF\n", 2, "radius 101"},
        {SCREEN + "particle 1 2 3 4 2.5 0x00FFFFFF\n", 2, "radius '2.5' is not an integer"},
        {SCREEN + "particle 1 2 3 4 5 00FFFFFF\n", 2, "not hex 0x00BBGGRR"},
        {SCREEN + "particle 1 2 3 4 5 0x\n", 2, "not hex"},
        {SCREEN + "particle 1 2 3 4 5 0x01000000\n", 2, "not hex"},
        {SCREEN + "particle 1 2 3 4 5 0x0000000FF\n", 2, "not hex"},
        {SCREEN + "particle 1 2 3 4 5 0xGG\n", 2, "not hex"},
        {SCREEN + "particle 1 2 3 4 5 0x-1\n", 2, "not hex"},
        {SCREEN + Particles(PARTICLE_COUNT + 1), PARTICLE_COUNT + 2, "more than 150"},
        {SCREEN + "particle 1 2 3 4 5 0x00FFFFFF \xC2\xB5\n", 2, "ASCII"},
        {SCREEN + std::string("particle 1 2\0 3 4 5 0x00FFFFFF\n", 31), 2, "ASCII"},
    };
    for (const BadScene& c : cases) {
        const SceneParse parse = ParseScene(c.text);
        EXPECT_EQ(parse.errorLine, c.line) << c.text << "\n  said: " << parse.error;
        EXPECT_NE(parse.error.find(c.says), std::string::npos)
            << c.text << "\n  said: " << parse.error << "\n  expected: " << c.says;
    }
}

// The particle dump is a scene file that reads back to the very same bits.
TEST(SceneFile, FormattedScenesReadBackExactly)
{
    Scene scene{320, 200, 3, {}};
    const double values[] = {
        0.1,
        -0.0,
        1e7,
        -1e7,
        std::nextafter(90.0, 0.0),
        5e-324,
        1.0 / 3.0,
        static_cast<double>(37.0f / 276.0f),
        299.99999999999994,
        -12345.678901234567,
    };
    int k = 0;
    for (double v : values) {
        scene.particles.push_back({v, -v, v / 7, v / 3, static_cast<std::int16_t>(1 + k % 100),
                                   static_cast<Colour>(0x00010203 * k)});
        ++k;
    }
    const SceneParse parse = ParseScene(FormatScene(scene));
    ASSERT_EQ(parse.errorLine, 0) << parse.error << "\n" << FormatScene(scene);
    EXPECT_EQ(parse.scene.width, 320);
    EXPECT_EQ(parse.scene.height, 200);
    EXPECT_EQ(parse.scene.backdrop, 3);
    ASSERT_EQ(parse.scene.particles.size(), scene.particles.size());
    for (std::size_t i = 0; i < scene.particles.size(); ++i) {
        const Particle &a = scene.particles[i], &b = parse.scene.particles[i];
        EXPECT_EQ(Bits(a.x), Bits(b.x)) << i;
        EXPECT_EQ(Bits(a.y), Bits(b.y)) << i;
        EXPECT_EQ(Bits(a.vx), Bits(b.vx)) << i;
        EXPECT_EQ(Bits(a.vy), Bits(b.vy)) << i;
        EXPECT_EQ(a.radius, b.radius) << i;
        EXPECT_EQ(a.colour, b.colour) << i;
    }
}

} // namespace
