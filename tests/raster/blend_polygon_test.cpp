#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "raster/color.h"
#include "raster/polygon.h"

namespace {

TEST(BlendOverTest, StatedValues) {
    // Half-transparent red over opaque white.
    EXPECT_EQ(BlendOver(kOpaqueWhite, Color(255, 0, 0, 128)), Color(255, 126, 126, 255));
    // A transparent source onto a transparent destination gives transparent black,
    // onto an opaque one leaves it exactly.
    EXPECT_EQ(BlendOver(Color(10, 20, 30, 0), Color(1, 2, 3, 0)), kTransparentBlack);
    EXPECT_EQ(BlendOver(Color(200, 100, 50, 255), Color(9, 9, 9, 0)), Color(200, 100, 50, 255));
    // An opaque source yields exactly its own colour.
    for (int v : {0, 1, 77, 128, 254, 255})
        EXPECT_EQ(BlendOver(Color(13, 200, 45, uint8_t(v)), Color(3, uint8_t(v), 250, 255)),
                  Color(3, uint8_t(v), 250, 255));
    // An opaque destination stays opaque under any source.
    for (int a = 0; a < 256; a += 17)
        EXPECT_EQ(BlendOver(Color(0, 0, 0, 255), Color(255, 255, 255, uint8_t(a))).a, 255);
}

TEST(BlendOverTest, PartialAlphaOverTransparentKeepsSourceColour) {
    // Over a fully transparent pixel the source's own colour comes back,
    // never darkened by the destination's (irrelevant) colour.
    const Color out = BlendOver(Color(0, 0, 0, 0), Color(200, 100, 50, 128));
    EXPECT_EQ(out.a, 128);
    EXPECT_EQ(out.r, 200);
    EXPECT_EQ(out.g, 100);
    EXPECT_EQ(out.b, 50);
}

size_t CountInside(const RasterPolygon& polygon, int size = 100) {
    size_t n = 0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) n += IsPointInPolygon(polygon, x, y);
    return n;
}

TEST(PolygonTest, AxisAlignedBoxIsHalfOpenInEitherWinding) {
    const RasterPolygon box{{10, 20}, {10, 40}, {30, 40}, {30, 20}};
    const RasterPolygon reversed{{30, 20}, {30, 40}, {10, 40}, {10, 20}};
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 100; ++x) {
            const bool expected = x >= 10 && x < 30 && y >= 20 && y < 40;
            ASSERT_EQ(IsPointInPolygon(box, x, y), expected) << x << "," << y;
            ASSERT_EQ(IsPointInPolygon(reversed, x, y), expected) << x << "," << y;
        }
    }
}

TEST(PolygonTest, TriangleAndFarOutPolygons) {
    EXPECT_EQ(CountInside({{25, 71}, {61, 17}, {80, 85}}), 1746u);
    EXPECT_EQ(CountInside({{80, 85}, {61, 17}, {25, 71}}), 1746u);
    EXPECT_EQ(CountInside({{0, 0}, {0, 100}, {100, 100}, {100, 0}}), 10000u);
    EXPECT_EQ(CountInside({{-10, -10}, {-10, 200}, {200, 200}, {200, -10}}), 10000u);
    EXPECT_EQ(CountInside({{-2000000000, -2000000000}, {-2000000000, 2000000000},
                           {2000000000, 2000000000}, {2000000000, -2000000000}}),
              10000u);
    EXPECT_EQ(CountInside({{500, 500}, {500, 600}, {600, 600}}), 0u);
}

TEST(PolygonTest, DegeneratePolygonsContainNothing) {
    EXPECT_EQ(CountInside({}), 0u);
    EXPECT_EQ(CountInside({{0, 0}, {0, 0}, {0, 0}}), 0u);
    EXPECT_EQ(CountInside({{5, 5}}), 0u);
    EXPECT_EQ(CountInside({{10, 10}, {50, 50}, {90, 90}}), 0u);   // collinear
    EXPECT_EQ(CountInside({{10, 10}, {10, 60}, {10, 30}}), 0u);   // zero width
    EXPECT_EQ(CountInside({{10, 10}, {60, 10}}), 0u);             // zero height
}

TEST(PolygonTest, SelfIntersectingPolygonUsesEvenOddRule) {
    // A bow tie: both lobes inside, the crossing point region counted by parity.
    const RasterPolygon bowTie{{0, 0}, {20, 20}, {20, 0}, {0, 20}};
    EXPECT_TRUE(IsPointInPolygon(bowTie, 2, 10));
    EXPECT_TRUE(IsPointInPolygon(bowTie, 17, 10));
    EXPECT_FALSE(IsPointInPolygon(bowTie, 10, 2));
}

TEST(PolygonTest, OrientToleranceAndSigns) {
    EXPECT_EQ(Orient({0, 0}, {1, 0}, {2, 0}), 0);
    EXPECT_EQ(Orient({0, 0}, {1, 0}, {2, 0.0005f}), 0);
    // v = (r.x - q.x)(q.y - p.y) - (q.x - p.x)(r.y - q.y)
    EXPECT_EQ(Orient({0, 0}, {1, 0}, {2, 1}), 1);
    EXPECT_EQ(Orient({0, 0}, {1, 0}, {2, -1}), 2);
}

}  // namespace

namespace {

// The row-wise tester and the box shortcut against the literal test, over a
// fixed-seed sweep of random polygons and boxes (near, far and huge).
TEST(PolygonTest, RowTesterMatchesTheLiteralTest) {
    std::mt19937 rng(20261206);
    const int32_t spans[] = {30, 150, 5000, 1 << 22, 2000000000};
    for (int round = 0; round < 600; ++round) {
        const int32_t span = spans[round % 5];
        std::uniform_int_distribution<int32_t> coord(-span, span);
        std::uniform_int_distribution<int32_t> near(-20, 120);
        RasterPolygon polygon;
        const bool box = round % 3 == 0;
        if (box) {
            const int32_t x0 = round % 2 ? near(rng) : coord(rng), x1 = near(rng);
            const int32_t y0 = near(rng), y1 = round % 4 ? near(rng) : coord(rng);
            polygon = {{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}};
            if (round % 2) std::reverse(polygon.begin(), polygon.end());
        } else {
            const int n = 3 + round % 4;
            for (int i = 0; i < n; ++i) polygon.push_back({round % 2 ? near(rng) : coord(rng), near(rng)});
        }
        PolygonTester tester(polygon);
        for (int32_t y = -2; y < 102; ++y) {
            tester.BeginRow(y);
            for (int32_t x = -2; x < 102; ++x) {
                const bool literal = IsPointInPolygon(polygon, x, y);
                ASSERT_EQ(tester.Contains(x), literal) << "round " << round << " at " << x << "," << y;
                if (tester.IsSimpleBox()) {
                    const PolygonBounds& b = tester.Bounds();
                    ASSERT_EQ(x >= b.minX && x < b.maxX && y >= b.minY && y < b.maxY, literal)
                        << "box round " << round << " at " << x << "," << y;
                }
            }
        }
    }
}

}  // namespace
