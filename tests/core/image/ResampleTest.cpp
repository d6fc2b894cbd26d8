#include "core/image/Resample.h"

#include "PictureFixtures.h"
#include "core/image/PictureError.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace tw {
namespace {

using namespace fixtures;

// The exact area average of destination pixel (dx, dy) when `source` is stretched to
// width x height, in double precision: the reference the fixed-point resampler must meet.
std::array<double, 3> AreaAverage(const Picture& source, long long width, long long height,
                                  long long dx, long long dy) {
    const double sx = static_cast<double>(source.Width()) / static_cast<double>(width);
    const double sy = static_cast<double>(source.Height()) / static_cast<double>(height);
    const double x0 = static_cast<double>(dx) * sx, x1 = x0 + sx;
    const double y0 = static_cast<double>(dy) * sy, y1 = y0 + sy;
    std::array<double, 3> sum{};
    double area = 0;
    for (int y = static_cast<int>(y0); y < std::min<double>(std::ceil(y1), source.Height()); ++y) {
        const double wy = std::min<double>(y1, y + 1) - std::max<double>(y0, y);
        for (int x = static_cast<int>(x0); x < std::min<double>(std::ceil(x1), source.Width());
             ++x) {
            const double w = wy * (std::min<double>(x1, x + 1) - std::max<double>(x0, x));
            const Rgb c = PixelAt(source, x, y);
            sum[0] += w * c.r;
            sum[1] += w * c.g;
            sum[2] += w * c.b;
            area += w;
        }
    }
    for (double& v : sum)
        v /= area;
    return sum;
}

double WorstError(const Picture& source, const Picture& stretched) {
    double worst = 0;
    for (int y = 0; y < stretched.Height(); ++y) {
        for (int x = 0; x < stretched.Width(); ++x) {
            const auto exact = AreaAverage(source, stretched.Width(), stretched.Height(), x, y);
            const Rgb got = PixelAt(stretched, x, y);
            worst = std::max({worst, std::abs(got.r - exact[0]), std::abs(got.g - exact[1]),
                              std::abs(got.b - exact[2])});
        }
    }
    return worst;
}

TEST(Stretch, MatchesTheExactAreaAverageAtEveryRatio) {
    struct Case {
        int sourceWidth, sourceHeight, width, height;
    };
    const Case cases[] = {
        {12, 8, 3, 2},   // whole factors down
        {7, 5, 3, 2},    // fractional down
        {3, 2, 7, 5},    // fractional up
        {2, 2, 16, 16},  // whole factors up
        {10, 1, 4, 3},   // down across, up along
        {1000, 3, 1, 1}, // one pixel of many
        {2, 700, 3, 2},  // hundreds of rows to one
        {97, 61, 96, 96},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sourceWidth << "x" << c.sourceHeight << " -> "
                                        << c.width << "x" << c.height);
        const Picture source = RandomPicture(c.sourceWidth, c.sourceHeight, 11);
        const Picture stretched = Stretch(source, c.width, c.height);
        ASSERT_EQ(stretched.Width(), c.width);
        ASSERT_EQ(stretched.Height(), c.height);
        EXPECT_LE(WorstError(source, stretched), 0.51);
    }
}

TEST(Stretch, KnownValues) {
    auto row = [](std::initializer_list<std::uint8_t> greys) {
        Picture p(static_cast<int>(greys.size()), 1);
        int x = 0;
        for (const std::uint8_t g : greys)
            SetPixel(p, x++, 0, {g, g, g});
        return p;
    };
    EXPECT_EQ(Stretch(row({0, 100, 200, 40}), 2, 1), row({50, 120}));
    EXPECT_EQ(Stretch(row({30, 60, 90}), 2, 1), row({40, 80})); // 1.5 pixels each
    EXPECT_EQ(Stretch(row({0, 90}), 3, 1), row({0, 45, 90}));

    Picture checker(2, 2);
    SetPixel(checker, 0, 0, {255, 255, 255});
    SetPixel(checker, 1, 1, {255, 255, 255});
    EXPECT_EQ(Stretch(checker, 1, 1), row({128})); // 127.5 rounds up
}

TEST(Stretch, EqualSizeCopiesAndOnePixelFills) {
    const Picture source = RandomPicture(37, 23, 5);
    EXPECT_EQ(Stretch(source, 37, 23), source);

    Picture dot(1, 1);
    SetPixel(dot, 0, 0, {10, 200, 77});
    const Picture filled = Stretch(dot, 33, 17);
    for (int y = 0; y < 17; ++y) {
        for (int x = 0; x < 33; ++x)
            ASSERT_EQ(PixelAt(filled, x, y), (Rgb{10, 200, 77}));
    }
}

TEST(Stretch, EmptyAndOversizedTargets) {
    const Picture source = RandomPicture(4, 4, 1);
    EXPECT_TRUE(Stretch(source, 0, 10).IsEmpty());
    EXPECT_THROW(Stretch(source, 20000, 10), PictureError);
}

// StretchInto writes exactly the visible part of what Stretch would make, and nothing else.
TEST(StretchInto, WritesOnlyTheClippedPartOfTheFullStretch) {
    const Picture source = RandomPicture(40, 30, 3);
    struct Case {
        std::string name;
        PixelRect destination;
        PixelRect clip;
    };
    const Case cases[] = {
        {"inside", {5, 4, 20, 15}, {0, 0, 47, 30}},
        {"overhangs every side", {-30, -20, 120, 90}, {0, 0, 47, 30}},
        {"clip inside", {-10, -5, 80, 60}, {7, 3, 11, 9}},
        {"clip reaches past the target", {0, 0, 50, 40}, {40, 20, 100, 100}},
        {"zoomed 800 %", {-100, -60, 320, 240}, {0, 0, 47, 30}},
        {"wholly outside", {60, 0, 20, 20}, {0, 0, 47, 30}},
        {"empty clip", {0, 0, 47, 30}, {3, 3, 0, 5}},
    };
    const Rgb sentinel{1, 2, 3};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Picture target(47, 30);
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 47; ++x)
                SetPixel(target, x, y, sentinel);
        }
        StretchInto(source, target, c.destination, c.clip);
        const Picture full = Stretch(source, c.destination.width, c.destination.height);
        auto inside = [](const PixelRect& r, int x, int y) {
            return x >= r.left && x < r.left + r.width && y >= r.top && y < r.top + r.height;
        };
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 47; ++x) {
                const Rgb expected =
                    inside(c.destination, x, y) && inside(c.clip, x, y)
                        ? PixelAt(full, x - c.destination.left, y - c.destination.top)
                        : sentinel;
                ASSERT_EQ(PixelAt(target, x, y), expected) << x << "," << y;
            }
        }
    }
}

TEST(StretchInto, HugeDestinationsStayExact) {
    // 30000 x 24000 would be 2 GB stretched in full; only the visible 12 x 9 are made.
    const Picture source = RandomPicture(40, 30, 9);
    const PixelRect destination{-15000, -12000, 30000, 24000};
    Picture target(12, 9);
    StretchInto(source, target, destination, {0, 0, 12, 9});
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 12; ++x) {
            const auto exact = AreaAverage(source, destination.width, destination.height,
                                           x - destination.left, y - destination.top);
            const Rgb got = PixelAt(target, x, y);
            EXPECT_NEAR(got.r, exact[0], 0.51);
            EXPECT_NEAR(got.g, exact[1], 0.51);
            EXPECT_NEAR(got.b, exact[2], 0.51);
        }
    }
}

} // namespace
} // namespace tw
