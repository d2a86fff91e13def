// The pixel rules, one small picture each. The whole golden set from GDI is
// checked by the gdi_golden test; these pin each rule where a reader sees it.
#include <gtest/gtest.h>

#include "surface_test_util.h"

namespace {

constexpr Colour PEN = 0x00FFFFFF;
constexpr Colour BRUSH = 0x0000FF00;

std::string Line(int w, int h, int x0, int y0, int x1, int y1)
{
    Surface* s = CreateMemorySurface(w, h);
    DrawLine(s, x0, y0, x1, y1, PEN);
    std::string mask = MaskOf(s);
    ReleaseSurface(s);
    return mask;
}

std::string Ellipse(int w, int h, int l, int t, int r, int b)
{
    Surface* s = CreateMemorySurface(w, h);
    DrawEllipse(s, l, t, r, b, PEN, BRUSH);
    std::string mask = MaskOf(s);
    ReleaseSurface(s);
    return mask;
}

TEST(Lines, LeaveOutTheEndPixel)
{
    EXPECT_EQ(Line(6, 1, 0, 0, 4, 0), "pppp..");
    EXPECT_EQ(Line(6, 1, 4, 0, 0, 0), ".pppp.");
    EXPECT_EQ(Line(3, 3, 1, 1, 1, 1), "...\n...\n...") << "a line to its own start paints nothing";
}

// A tie between two minor positions goes to the smaller coordinate, whichever
// way the line runs.
TEST(Lines, TiesGoTowardsTheSmallerCoordinate)
{
    EXPECT_EQ(Line(4, 2, 0, 0, 2, 1), "pp..\n....");
    EXPECT_EQ(Line(4, 2, 0, 1, 2, 0), ".p..\np...") << "rising: the tie goes up to row 0";
    EXPECT_EQ(Line(4, 3, 0, 2, 2, 1), "....\n.p..\np...");
    EXPECT_EQ(Line(2, 4, 0, 0, 1, 2), "p.\np.\n..\n..");
    EXPECT_EQ(Line(2, 4, 1, 0, 0, 2), ".p\np.\n..\n..");
}

TEST(Lines, ClippingKeepsThePixelsOfTheWholeLine)
{
    // The visible part of a line from far away is the part of the whole line.
    const std::string whole = Line(40, 8, 0, 0, 33, 7);
    Surface* s = CreateMemorySurface(8, 8);
    DrawLine(s, -16, 0, 17, 7, PEN);
    std::string clipped = MaskOf(s);
    ReleaseSurface(s);
    std::string expected;
    for (int y = 0; y < 8; ++y)
        expected += whole.substr(y * 41 + 16, 8) + (y < 7 ? "\n" : "");
    EXPECT_EQ(clipped, expected);
    EXPECT_EQ(Line(4, 2, -1000000, 1, 1000000, 1), "....\npppp");
    EXPECT_EQ(Line(4, 2, -1000000, -5, -900000, 1), "....\n....");
}

TEST(Ellipses, ExcludeTheRightAndBottomEdge)
{
    EXPECT_EQ(Ellipse(6, 6, 1, 1, 5, 5), "......\n..pp..\n.pbbp.\n.pbbp.\n..pp..\n......");
    EXPECT_EQ(Ellipse(5, 5, 1, 1, 4, 4), ".....\n..p..\n.pbp.\n..p..\n.....");
    EXPECT_EQ(Ellipse(5, 5, 4, 4, 1, 1), ".....\n..p..\n.pbp.\n..p..\n.....")
        << "corners given the other way round";
}

TEST(Ellipses, DegenerateBoxes)
{
    EXPECT_EQ(Ellipse(3, 3, 1, 1, 2, 2), "...\n...\n...") << "1 x 1 paints nothing";
    EXPECT_EQ(Ellipse(3, 3, 1, 1, 1, 3), "...\n...\n...") << "no width";
    EXPECT_EQ(Ellipse(3, 4, 0, 0, 2, 3), "pp.\npp.\npp.\n...") << "2 x 3 is all outline";
}

TEST(Ellipses, PartlyOffTheSurface)
{
    // A radius-3 dot at the top-left corner, as a particle leaving the screen.
    EXPECT_EQ(Ellipse(4, 4, -3, -3, 3, 3), "bbp.\nbp..\np...\n....");
    EXPECT_EQ(Ellipse(4, 4, -3000000, -3, -2999994, 3), "....\n....\n....\n....");
}

TEST(Copies, ClipToBothSurfaces)
{
    Surface* source = FilledSurface(2, 2, BRUSH);
    Surface* target = CreateMemorySurface(4, 3);
    CopyRect(target, 1, 1, 150, 139, source, 0, 0);
    EXPECT_EQ(MaskOf(target), "....\n.bb.\n.bb.");
    FillSurface(target, 0);
    CopyRect(target, -1, 0, 3, 3, source, 0, 0);
    EXPECT_EQ(MaskOf(target), "b...\nb...\n....");
    FillSurface(target, 0);
    CopyRect(target, 0, 0, 3, 3, source, -1, 1);
    EXPECT_EQ(MaskOf(target), ".bb.\n....\n....") << "source origin off the source";
    ReleaseSurface(target);
    ReleaseSurface(source);
}

TEST(Copies, WithinOneSurfaceAsIfThroughACopyOfTheSource)
{
    Surface* s = CreateMemorySurface(3, 4);
    DrawLine(s, 0, 0, 1, 0, PEN); // a mark at (0, 0) and one at (1, 1)
    DrawLine(s, 1, 1, 2, 1, BRUSH);
    CopyRect(s, 0, 1, 2, 3, s, 0, 0); // down by one row, overlapping
    EXPECT_EQ(MaskOf(s), "p..\np..\n.b.\n...");
    CopyRect(s, 0, 0, 2, 3, s, 0, 1); // and back up
    EXPECT_EQ(MaskOf(s), "p..\n.b.\n...\n...");
    ReleaseSurface(s);
}

} // namespace
