#include "core/collection/SlideFrames.h"

#include "CollectionTestSupport.h"
#include "core/collection/Thumbnails.h"
#include "core/image/PictureError.h"

#include <gtest/gtest.h>
#include <vector>

namespace tw {
namespace {

using testing::FakeHeadEditor;
using testing::Pixel;
using testing::Uniform;

// Every pixel different, so a misplaced or mis-stretched part shows.
Picture Gradient(int width, int height) {
    Picture picture(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = picture.Row(y) + x * 3;
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(y);
            p[2] = static_cast<std::uint8_t>(x * 7 + y * 3);
        }
    }
    return picture;
}

bool IsWhite(const Picture& picture, int x, int y) {
    const std::uint8_t* p = Pixel(picture, x, y);
    return p[0] == 255 && p[1] == 255 && p[2] == 255;
}

TEST(SlideFramesTest, FramesMoveEverySideBetweenTheKeyframesRoundingHalvesToEven) {
    const TRect first{10, 10, 106, 106};
    const TRect last{110, 60, 310, 260};
    const struct {
        TRect from;
        TRect to;
        int i;
        int n;
        TRect expected;
    } cases[] = {
        {first, last, 0, 2, first},
        {first, last, 1, 2, last},
        {first, last, 1, 5, {35, 22, 157, 144}}, // 12.5 and 38.5 round down to even
        {first, last, 3, 5, {85, 48, 259, 222}}, // 37.5 rounds up to even
        {first, last, 4, 5, last},
        {last, first, 1, 5, {85, 48, 259, 222}}, // backwards: -12.5 and -38.5 go to even
    };
    for (const auto& c : cases) {
        EXPECT_EQ(InterpolateFrameRect(c.from, c.to, c.i, c.n), c.expected)
            << "frame " << c.i << " of " << c.n;
    }
}

TEST(SlideFramesTest, AFrameIsItsSquareOfTheSourceWithWhiteWhereTheSourceEnds) {
    const Picture source = Gradient(300, 200);

    // Inside: exactly the square, stretched.
    Picture square(48, 48);
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 48; ++x) {
            std::copy_n(Pixel(source, 20 + x, 30 + y), 3, square.Row(y) + x * 3);
        }
    }
    EXPECT_EQ(RenderSlideFrame(source, {20, 30, 68, 78}), Stretch(square, 96, 96));

    // Hanging over the top-left corner by half: the source fills the lower-right quarter.
    const Picture corner = RenderSlideFrame(source, {-50, -50, 50, 50});
    EXPECT_TRUE(IsWhite(corner, 47, 47));
    EXPECT_TRUE(IsWhite(corner, 95, 47));
    EXPECT_FALSE(IsWhite(corner, 48, 48));
    EXPECT_FALSE(IsWhite(corner, 95, 95));

    EXPECT_EQ(RenderSlideFrame(source, {400, 0, 500, 100}), BlankThumbnail()) << "outside";
    EXPECT_EQ(RenderSlideFrame(source, {10, 10, 10, 60}), BlankThumbnail()) << "no width";
}

TEST(SlideFramesTest, TheSlideHasOneRecordAndOnePictureSetPerFrameWithOpaqueBadges) {
    const Picture source = Gradient(400, 300);
    // A white icon with one black pixel: the white must cover the frame, not show through.
    Picture icon = Uniform(24, 24, 255, 255, 255);
    std::fill_n(icon.Row(0), 3, 0);
    const std::vector<Picture> icons{icon, Uniform(24, 24, 0, 200, 0)};
    std::vector<int> progress;

    const TGuideResult slide = MakeSlideFrames(source, 7, {0, 0, 100, 100}, {100, 50, 300, 250}, 3,
                                               icons, [&](int made) { progress.push_back(made); });

    EXPECT_EQ(progress, (std::vector<int>{1, 2, 3}));
    ASSERT_EQ(slide.Frames.size(), 3u);
    ASSERT_EQ(slide.Pictures.size(), 9u);
    for (std::size_t i = 0; i < 3; ++i) {
        const THeadRec& frame = slide.Frames[i];
        EXPECT_EQ(frame.Kind, THeadKind::hkOrdinary);
        EXPECT_EQ(frame.ImageID, 7);
        EXPECT_EQ(frame.ImagePos, kSlideFramePos);
        EXPECT_EQ(frame.ImageWidth, 400);
        EXPECT_EQ(frame.ImageHeight, 300);
        EXPECT_EQ(frame.Scale, 100);
        EXPECT_EQ(frame.Brightness, 0);
        EXPECT_FALSE(frame.ReadOnly);
        const Picture plain = RenderSlideFrame(source, frame.FrameRect);
        EXPECT_EQ(slide.Pictures[i * 3], plain) << "frame " << i;
        EXPECT_EQ(slide.Pictures[i * 3 + 1], WithBadge(plain, icon, BadgeBlend::Opaque));
        EXPECT_TRUE(IsWhite(slide.Pictures[i * 3 + 1], 5, 5)) << "the icon's white is copied";
    }
    EXPECT_EQ(slide.Frames[1].FrameRect, (TRect{50, 25, 200, 175}));
}

TEST(SlideFramesTest, APictureFitsTheViewUnscaledOrIsStretchedToItsHeight) {
    const TSize view{401, 241};
    const struct {
        TSize picture;
        PixelRect expected;
    } cases[] = {
        {{300, 200}, {50, 20, 300, 200}},
        {{401, 241}, {0, 0, 401, 241}},
        {{800, 600}, {40, 0, 321, 241}},
        {{402, 100}, {-284, 0, 969, 241}}, // too wide: stretched, then cut at both sides
        {{100, 482}, {175, 0, 50, 241}},
    };
    for (const auto& c : cases) {
        const PixelRect placed = PlaceInView(c.picture, view);
        EXPECT_EQ(placed.left, c.expected.left) << c.picture.Width << "x" << c.picture.Height;
        EXPECT_EQ(placed.top, c.expected.top);
        EXPECT_EQ(placed.width, c.expected.width);
        EXPECT_EQ(placed.height, c.expected.height);
    }
}

class SlideKeyframesTest : public testing::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        manager_ = std::make_unique<TMsnHeadManager>(folder_);
        manager_->SetStateIcons({Uniform(24, 24, 0, 255, 0)});
        manager_->SetHeadEditor(&editor_);
        // The user moves the picture by a distance of their choice, then accepts or not.
        editor_.onEdit = [this](THeadEditModel& model) {
            model.SetImagePos({model.ImagePos().X + shift_, model.ImagePos().Y});
            return accept_;
        };
    }

    int KeyframeEntries() const {
        int count = 0;
        for (const THeadRec& head : manager_->Heads()) {
            count += head.Kind == THeadKind::hkGuideKeyframe ? 1 : 0;
        }
        return count;
    }

    FakeHeadEditor editor_;
    int shift_ = 0;
    bool accept_ = true;
    std::unique_ptr<TMsnHeadManager> manager_;
};

TEST_F(SlideKeyframesTest, MarkingKeepsTheFrameRectAndACancelKeepsTheEarlierMark) {
    TSlideKeyframes keyframes(*manager_);
    EXPECT_FALSE(keyframes.Mark(TKeyframe::First)) << "no picture yet";
    keyframes.ChoosePicture(WriteBmp("a.bmp", Gradient(300, 200)));
    ASSERT_EQ(keyframes.SourceIndex(), 0);
    EXPECT_EQ(keyframes.Source().Width(), 300);

    accept_ = false;
    EXPECT_FALSE(keyframes.Mark(TKeyframe::First));
    EXPECT_FALSE(keyframes.Marked(TKeyframe::First));
    EXPECT_EQ(manager_->HeadCount(), 0) << "a cancelled first mark leaves no entry";

    accept_ = true;
    ASSERT_TRUE(keyframes.Mark(TKeyframe::First));
    ASSERT_TRUE(keyframes.Mark(TKeyframe::Last));
    const TRect first = keyframes.Rect(TKeyframe::First);
    EXPECT_EQ(first, manager_->Heads()[0].FrameRect);
    EXPECT_EQ(keyframes.Entry(TKeyframe::Last), 1);
    EXPECT_EQ(keyframes.DisplayPicture(TKeyframe::First), manager_->Thumbnails()[0]);

    // Marking again starts from the earlier mark; a cancel keeps it.
    shift_ = 10;
    accept_ = false;
    EXPECT_FALSE(keyframes.Mark(TKeyframe::First));
    EXPECT_EQ(keyframes.Rect(TKeyframe::First), first);
    accept_ = true;
    ASSERT_TRUE(keyframes.Mark(TKeyframe::First));
    EXPECT_EQ(keyframes.Rect(TKeyframe::First).Left, first.Left - 20)
        << "moved 10 surface pixels from the earlier mark, at 50 %";
    EXPECT_EQ(KeyframeEntries(), 2);
}

TEST_F(SlideKeyframesTest, AnotherPictureReplacesTheFirstAndUnmarksBoth) {
    manager_->AddImage(WriteBmp("collection.bmp", Uniform(50, 50, 1, 2, 3)));
    TSlideKeyframes keyframes(*manager_);
    keyframes.ChoosePicture(WriteBmp("a.bmp", Gradient(300, 200)));
    EXPECT_EQ(keyframes.SourceIndex(), 1);
    ASSERT_TRUE(keyframes.Mark(TKeyframe::First));
    ASSERT_TRUE(keyframes.Mark(TKeyframe::Last));

    // A file that does not decode changes nothing.
    const auto broken = folder_ / "broken.png";
    testing::WriteBytes(broken, {0x89, 'P', 'N', 'G', 1, 2, 3});
    EXPECT_THROW(keyframes.ChoosePicture(broken), PictureError);
    EXPECT_EQ(manager_->ImageCount(), 2);
    EXPECT_TRUE(keyframes.Marked(TKeyframe::Last));
    EXPECT_EQ(KeyframeEntries(), 2);

    keyframes.ChoosePicture(WriteBmp("b.bmp", Gradient(120, 90)));
    EXPECT_EQ(keyframes.SourceIndex(), 1);
    EXPECT_EQ(manager_->ImageCount(), 2) << "the first choice is gone";
    EXPECT_EQ(manager_->Images()[1].Width, 120);
    EXPECT_EQ(manager_->Images()[0].Width, 50) << "the collection's own picture stays";
    EXPECT_FALSE(keyframes.Marked(TKeyframe::First));
    EXPECT_FALSE(keyframes.Marked(TKeyframe::Last));
    EXPECT_EQ(KeyframeEntries(), 0);
    EXPECT_TRUE(keyframes.MakeFrames(5, manager_->StateIcons()).Frames.empty());
}

TEST_F(SlideKeyframesTest, TheManagerRunsTheGuideItWasGiven) {
    EXPECT_EQ(manager_->RunAnimationGuide(), -1) << "no guide";

    class Guide : public IAnimationGuide {
    public:
        std::optional<TGuideResult> Run(TMsnHeadManager& manager) override {
            TSlideKeyframes keyframes(manager);
            keyframes.ChoosePicture(path);
            keyframes.Mark(TKeyframe::First);
            keyframes.Mark(TKeyframe::Last);
            return keyframes.MakeFrames(4, manager.StateIcons());
        }
        std::filesystem::path path;
    } guide;
    guide.path = WriteBmp("a.bmp", Gradient(300, 200));
    manager_->SetAnimationGuide(&guide);
    EXPECT_EQ(manager_->RunAnimationGuide(), 4);
    EXPECT_EQ(manager_->HeadCount(), 4);
    EXPECT_EQ(KeyframeEntries(), 0);
    EXPECT_EQ(manager_->ThumbnailCount(), 8);
}

} // namespace
} // namespace tw
