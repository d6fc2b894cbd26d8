#include "core/editors/PixelOps.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

struct TableCase {
    int parameter;
    int channel;
    int expected;
};

TEST(PixelOpsTest, ContrastMovesChannelsAwayFromOrTowardMiddle) {
    const TableCase
        cases[] =
            {
                {0, 37, 37},     {100, 200, 228}, // d = 73 * 100 / 255 = 28
                {100, 100, 90},  {100, 127, 127}, {255, 0, 0},      {255, 255, 255},
                {255, 200, 255}, {-255, 0, 127},  {-255, 255, 127}, {-255, 128, 127},
                {-100, 30, 68}, // d = -9700 / 255 = -38, truncated toward zero
            };
    for (const auto& c : cases) {
        EXPECT_EQ(ContrastTable(c.parameter)[static_cast<std::size_t>(c.channel)], c.expected)
            << "a=" << c.parameter << " c=" << c.channel;
    }
}

TEST(PixelOpsTest, BrightnessScalesChannelsAndClips) {
    const TableCase cases[] = {
        {0, 90, 90},      {255, 200, 0},    {100, 200, 122}, // the dimming of the editor
        {-255, 100, 200}, {-255, 200, 255}, {-100, 100, 139}, {50, 1, 1}, // 1 - 0
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BrightnessTable(c.parameter)[static_cast<std::size_t>(c.channel)], c.expected)
            << "a=" << c.parameter << " c=" << c.channel;
    }
}

TEST(PixelOpsTest, CopyPixelsClipsAtEveryEdge) {
    Picture source(4, 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            source.Row(y)[x * 3] = static_cast<std::uint8_t>(10 * y + x + 1);
        }
    }
    Picture target(3, 3, 255);
    CopyPixels(source, target, TPoint{-2, 1});
    // Source columns 2 and 3 of rows 0 and 1 land in the target's first two columns.
    EXPECT_EQ(target.Row(1)[0], 3);
    EXPECT_EQ(target.Row(1)[3], 4);
    EXPECT_EQ(target.Row(2)[0], 13);
    EXPECT_EQ(target.Row(1)[6], 255);
    EXPECT_EQ(target.Row(0)[0], 255);

    Picture untouched(3, 3, 255);
    CopyPixels(source, untouched, TPoint{3, 0});
    CopyPixels(source, untouched, TPoint{-4, 0});
    EXPECT_EQ(untouched, Picture(3, 3, 255));
}

} // namespace
} // namespace tw
