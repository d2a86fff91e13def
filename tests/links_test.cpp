#include <gtest/gtest.h>

#include <cmath>

#include "scene/links.h"
#include "surface_test_util.h"

namespace {

TEST(LinkShade, BrighterTheCloser)
{
    EXPECT_EQ(LinkShade(0.0), 135);
    EXPECT_EQ(LinkShade(10.7), 124);
    EXPECT_EQ(LinkShade(45.0), 90);
    EXPECT_EQ(LinkShade(89.5), 45);
    EXPECT_EQ(LinkShade(90.0), 45);
    EXPECT_EQ(LinkShade(90.000001), std::nullopt);
    EXPECT_EQ(LinkShade(std::nextafter(90.0, 91.0)), std::nullopt);
}

Particle At(double x, double y)
{
    return Particle{x, y, 0.5, -0.5, 3, 0x00FFFFFF};
}

std::string Linked(const Particle& a, const Particle& b, int w, int h)
{
    Surface* s = CreateMemorySurface(w, h);
    DrawLink(s, a, b);
    std::string mask = MaskOf(s, 0, 0x002D2D2D, 0x00878787);
    ReleaseSurface(s);
    return mask;
}

TEST(DrawLink, ExactlyNinetyApartIsLinkedInGray45)
{
    Surface* s = CreateMemorySurface(100, 2);
    DrawLink(s, At(0, 0), At(90, 0));
    const std::vector<Colour> pixels = ReadPixels(s);
    EXPECT_EQ(pixels[0], 0x002D2D2Du);
    EXPECT_EQ(pixels[89], 0x002D2D2Du);
    EXPECT_EQ(pixels[90], 0u) << "the end pixel is left out";
    FillSurface(s, 0);
    DrawLink(s, At(0, 0), At(90.000001, 0));
    EXPECT_EQ(ReadPixels(s), std::vector<Colour>(200, 0));
    ReleaseSurface(s);
}

TEST(DrawLink, SquaresJustAboveTheLimitStillFollowTheRoot)
{
    // A square a hair above 8100 still roots to exactly 90.0: linked.
    const Particle a = At(0, 0), b = At(90, 9.6e-7);
    const double squared = 90.0 * 90.0 + 9.6e-7 * 9.6e-7;
    ASSERT_GT(squared, 8100.0);
    ASSERT_EQ(std::sqrt(squared), 90.0);
    EXPECT_TRUE(MayLink(squared));
    Surface* s = CreateMemorySurface(100, 1);
    DrawLink(s, a, b);
    EXPECT_EQ(ReadPixels(s)[0], 0x002D2D2Du);
    ReleaseSurface(s);
}

TEST(DrawLink, CoincidentParticlesPaintNothing)
{
    EXPECT_EQ(Linked(At(1.5, 1.5), At(1.5, 1.5), 3, 3), "...\n...\n...");
}

TEST(DrawLink, EndsAreTruncatedTowardZero)
{
    Surface* s = CreateMemorySurface(64, 12);
    DrawLink(s, At(10.9, 10.9), At(60.2, 10.9));
    const std::vector<Colour> pixels = ReadPixels(s);
    EXPECT_EQ(pixels[10 * 64 + 9], 0u);
    EXPECT_NE(pixels[10 * 64 + 10], 0u);
    EXPECT_NE(pixels[10 * 64 + 59], 0u);
    EXPECT_EQ(pixels[10 * 64 + 60], 0u);
    ReleaseSurface(s);
    // -0.7 truncates to 0, not -1: the line starts on column 0.
    EXPECT_EQ(Linked(At(-0.7, 0.2), At(3.9, 0.2), 4, 1), "###.")
        << "from (0, 0) to (3, 0), end left out";
}

TEST(DrawLink, LeavesTheParticlesAlone)
{
    const Particle a = At(5, 5), b = At(20, 9);
    Particle a2 = a, b2 = b;
    Surface* s = CreateMemorySurface(32, 32);
    DrawLink(s, a2, b2);
    ReleaseSurface(s);
    for (const auto& [before, after] : {std::pair{a, a2}, std::pair{b, b2}}) {
        EXPECT_EQ(before.x, after.x);
        EXPECT_EQ(before.y, after.y);
        EXPECT_EQ(before.vx, after.vx);
        EXPECT_EQ(before.vy, after.vy);
        EXPECT_EQ(before.radius, after.radius);
        EXPECT_EQ(before.colour, after.colour);
    }
}

} // namespace
