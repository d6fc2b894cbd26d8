#include "core/collection/Thumbnails.h"

#include "CollectionTestSupport.h"

#include <ctime>
#include <gtest/gtest.h>

namespace tw {
namespace {

using testing::Pixel;
using testing::Uniform;

// A badge whose left half is pure white (see-through) and right half blue.
Picture HalfWhiteIcon() {
    Picture icon = Uniform(kBadgeSide, kBadgeSide, 255, 255, 255);
    for (int y = 0; y < kBadgeSide; ++y) {
        for (int x = kBadgeSide / 2; x < kBadgeSide; ++x) {
            std::uint8_t* p = icon.Row(y) + x * 3;
            p[0] = 0;
            p[1] = 0;
            p[2] = 200;
        }
    }
    return icon;
}

TEST(ThumbnailsTest, BadgeLeavesOutWhiteOnlyWhenAskedTo) {
    const Picture display = Uniform(kThumbnailSide, kThumbnailSide, 10, 120, 30);
    const Picture icon = HalfWhiteIcon();
    const Picture see = WithBadge(display, icon, BadgeBlend::SkipWhite);
    const Picture opaque = WithBadge(display, icon, BadgeBlend::Opaque);
    struct Case {
        int x;
        int y;
        int seeThroughRed;
        int opaqueRed;
    };
    const Case cases[] = {
        {0, 0, 10, 255},   // white icon pixel
        {11, 23, 10, 255}, // white icon pixel
        {12, 0, 0, 0},     // blue icon pixel
        {23, 23, 0, 0},    // blue icon pixel
        {24, 0, 10, 10},   // beside the icon
        {0, 24, 10, 10},   // below the icon
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Pixel(see, c.x, c.y)[0], c.seeThroughRed) << c.x << "," << c.y;
        EXPECT_EQ(Pixel(opaque, c.x, c.y)[0], c.opaqueRed) << c.x << "," << c.y;
    }
    EXPECT_EQ(see.Width(), kThumbnailSide);
    EXPECT_EQ(see.Height(), kThumbnailSide);
}

TEST(ThumbnailsTest, SetHoldsThePlainPictureThenOneVariantPerIcon) {
    const Picture display = Uniform(kThumbnailSide, kThumbnailSide, 10, 120, 30);
    const std::vector<Picture> icons{Uniform(24, 24, 1, 0, 0), Uniform(24, 24, 2, 0, 0),
                                     Uniform(24, 24, 3, 0, 0)};
    const auto set = MakeThumbnailSet(display, icons, BadgeBlend::SkipWhite);
    ASSERT_EQ(set.size(), 4u);
    EXPECT_EQ(set[0], display);
    for (std::size_t k = 1; k < set.size(); ++k) {
        EXPECT_EQ(Pixel(set[k], 5, 5)[0], k);
        EXPECT_EQ(Pixel(set[k], 50, 50)[0], 10);
    }
}

TEST(ThumbnailsTest, ShippedIconsAreBadgesOnWhite) {
    const auto icons = LoadStateIcons(std::filesystem::path(TILEWICK_TEST_DATA) / ".." / ".." /
                                      "resources" / "images");
    ASSERT_EQ(icons.size(), 3u);
    for (const Picture& icon : icons) {
        EXPECT_EQ(icon.Width(), kBadgeSide);
        EXPECT_EQ(icon.Height(), kBadgeSide);
        // The corners are see-through, the centre is not.
        EXPECT_EQ(Pixel(icon, 0, 0)[0] & Pixel(icon, 0, 0)[1] & Pixel(icon, 0, 0)[2], 255);
        const std::uint8_t* centre = Pixel(icon, 5, 12);
        EXPECT_FALSE(centre[0] == 255 && centre[1] == 255 && centre[2] == 255);
    }
}

TEST(ThumbnailsTest, BadgeOffsetFollowsTheStatus) {
    const int expected[] = {0, 1, 2, 3, 3, 2, 3, 0, 0};
    const TMsnState states[] = {0, 1, 2, 3, 4, 5, 6, 7, 255};
    for (std::size_t i = 0; i < std::size(states); ++i) {
        EXPECT_EQ(BadgeOffsetForState(states[i]), expected[i]) << int{states[i]};
    }
}

TEST(ThumbnailsTest, DisplayPictureFileNameSpellsTheLocalMinute) {
    struct Case {
        int year;
        int month;
        int day;
        int hour;
        int minute;
        const char* name;
    };
    const Case cases[] = {
        {2008, 3, 9, 14, 5, "Tilewick_03_9_2008_14_05.bmp"},
        {2026, 12, 31, 0, 0, "Tilewick_12_31_2026_00_00.bmp"},
        {1999, 1, 1, 23, 59, "Tilewick_01_1_1999_23_59.bmp"},
    };
    for (const auto& c : cases) {
        std::tm local{};
        local.tm_year = c.year - 1900;
        local.tm_mon = c.month - 1;
        local.tm_mday = c.day;
        local.tm_hour = c.hour;
        local.tm_min = c.minute;
        EXPECT_EQ(DisplayPictureFileName(local), c.name);
    }
}

} // namespace
} // namespace tw
