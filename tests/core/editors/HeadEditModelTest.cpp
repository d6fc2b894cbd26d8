#include "core/editors/uHeadEdit.h"
#include "core/image/Resample.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tw {
namespace {

Picture Uniform(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    Picture picture(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = picture.Row(y) + x * 3;
            p[0] = r;
            p[1] = g;
            p[2] = b;
        }
    }
    return picture;
}

// Red rises from left to right, green from top to bottom; no pixel is white.
Picture Ramp(int width, int height) {
    Picture picture(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = picture.Row(y) + x * 3;
            p[0] = static_cast<std::uint8_t>(x * 255 / (width - 1));
            p[1] = static_cast<std::uint8_t>(y * 255 / (height - 1));
            p[2] = 60;
        }
    }
    return picture;
}

const std::uint8_t* Pixel(const Picture& picture, int x, int y) {
    return picture.Row(y) + x * 3;
}

bool IsColor(const std::uint8_t* p, int r, int g, int b) {
    return p[0] == r && p[1] == g && p[2] == b;
}

bool RowIsWhite(const Picture& picture, int y) {
    for (int x = 0; x < picture.Width(); ++x) {
        if (!IsColor(Pixel(picture, x, y), 255, 255, 255)) {
            return false;
        }
    }
    return true;
}

bool AllPixels(const Picture& picture, int r, int g, int b) {
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x) {
            if (!IsColor(Pixel(picture, x, y), r, g, b)) {
                return false;
            }
        }
    }
    return true;
}

int MaxDifference(const Picture& a, const Picture& b) {
    int worst = 0;
    for (std::size_t i = 0; i < a.ByteSize(); ++i) {
        worst = std::max(worst, std::abs(int{a.Data()[i]} - int{b.Data()[i]}));
    }
    return worst;
}

// A model opened on `picture` at its default fit and rendered, as an unattended edit ends.
void Open(THeadEditModel& model, Picture picture) {
    model.SetSourceImage(std::move(picture), true);
    model.RenderNow();
}

TEST(HeadEditModelTest, DefaultFitFillsTheFrameWithTheShorterSide) {
    struct Case {
        TSize source;
        int scale;
        int width;
        int height;
        TPoint pos;
    };
    const Case cases[] = {
        {{640, 480}, 20, 128, 96, {171, 94}},
        {{1733, 1300}, 7, 121, 91, {175, 96}},
        {{96, 96}, 100, 96, 96, {187, 94}},
        {{960, 960}, 10, 96, 96, {187, 94}},
        {{480, 640}, 20, 96, 128, {187, 78}},
        // Shorter side under 50: the slider's 200 % cannot fill the frame.
        {{40, 30}, 200, 80, 60, {195, 112}},
    };
    for (const auto& c : cases) {
        THeadEditModel model;
        Open(model, Uniform(c.source.Width, c.source.Height, 10, 20, 30));
        EXPECT_EQ(model.GetScale(), c.scale) << c.source.Width << "x" << c.source.Height;
        EXPECT_EQ(model.ImageWidth(), c.width);
        EXPECT_EQ(model.ImageHeight(), c.height);
        EXPECT_EQ(model.ImagePos(), c.pos);
        EXPECT_EQ(model.GetBrightness(), 0);
        EXPECT_EQ(model.GetContrast(), 0);
    }
}

TEST(HeadEditModelTest, HugeSourceOpensAtTheSliderMinimum) {
    // Decoded at reduced size, the geometry still refers to the full 20000 x 12000.
    THeadEditModel model;
    model.SetSourceImage(Uniform(100, 60, 1, 2, 3), TSize{20000, 12000}, true);
    EXPECT_EQ(model.GetScale(), 1);
    EXPECT_EQ(model.ImageWidth(), 200);
    EXPECT_EQ(model.ImageHeight(), 120);
}

TEST(HeadEditModelTest, LandscapeFitShowsTheCentralPartWithoutWhite) {
    THeadEditModel model;
    Open(model, Ramp(640, 480));
    const Picture& preview = model.Preview();
    for (int y = 0; y < kDisplaySide; ++y) {
        EXPECT_FALSE(RowIsWhite(preview, y));
        for (int x = 0; x < kDisplaySide; ++x) {
            EXPECT_FALSE(IsColor(Pixel(preview, x, y), 255, 255, 255)) << x << "," << y;
        }
    }
    // Preview column 0 is display column 16, source columns 80..85; column 95 is 555..560.
    EXPECT_NEAR(Pixel(preview, 0, 48)[0], 82.5 * 255 / 639, 2);
    EXPECT_NEAR(Pixel(preview, 95, 48)[0], 557.5 * 255 / 639, 2);
    EXPECT_EQ(model.FrameRect(), (TRect{85, 5, 565, 485}));
}

TEST(HeadEditModelTest, ShortPictureLeavesWhiteRowsAboveAndBelow) {
    THeadEditModel model;
    Open(model, Uniform(1733, 1300, 50, 100, 150));
    const Picture& preview = model.Preview();
    EXPECT_TRUE(RowIsWhite(preview, 0));
    EXPECT_TRUE(RowIsWhite(preview, 1));
    EXPECT_FALSE(RowIsWhite(preview, 2));
    EXPECT_FALSE(RowIsWhite(preview, 92));
    EXPECT_TRUE(RowIsWhite(preview, 93));
    EXPECT_TRUE(RowIsWhite(preview, 94));
    EXPECT_TRUE(RowIsWhite(preview, 95));
    EXPECT_TRUE(IsColor(Pixel(preview, 50, 50), 50, 100, 150));
}

TEST(HeadEditModelTest, DisplaySizedPictureFillsThePreviewExactly) {
    const Picture source = Ramp(96, 96);
    THeadEditModel model;
    Open(model, source);
    EXPECT_EQ(model.Preview(), source);
}

TEST(HeadEditModelTest, RestoreTwiceGivesTheSameViewAsOnce) {
    THeadEditModel model;
    Open(model, Ramp(960, 960));
    model.SetScale(150);
    model.SetBrightness(40);
    model.Restore();
    const TPoint pos = model.ImagePos();
    const int width = model.ImageWidth();
    model.Restore();
    EXPECT_EQ(model.ImagePos(), pos);
    EXPECT_EQ(model.ImageWidth(), width);
    EXPECT_EQ(width, 96);
    EXPECT_EQ(model.GetScale(), 10);
    EXPECT_EQ(model.GetBrightness(), 0);
}

TEST(HeadEditModelTest, ScaleAbove200SizesThePictureWhileTheSliderStopsAt200) {
    THeadEditModel model;
    Open(model, Uniform(100, 80, 9, 9, 9)); // fit: 125 %, 125 x 100 at (173, 92)
    model.SetScale(300);
    EXPECT_EQ(model.GetScale(), 200);
    EXPECT_EQ(model.ImageWidth(), 300);
    EXPECT_EQ(model.ImageHeight(), 240);
    // The centre stays put, through the slider's step to 200 % and then to 300 %.
    EXPECT_EQ(model.ImagePos(), (TPoint{86, 22}));

    for (const int ignored : {0, 801, -5}) {
        model.SetScale(ignored);
        EXPECT_EQ(model.ImageWidth(), 300) << ignored;
        EXPECT_EQ(model.GetScale(), 200);
    }
}

TEST(HeadEditModelTest, WheelStepsToEvenScales) {
    struct Case {
        int from;
        bool up;
        int expected;
    };
    const Case cases[] = {{99, true, 102},  {99, false, 98},  {100, true, 102},
                          {100, false, 98}, {200, true, 200}, {2, false, 1}};
    for (const auto& c : cases) {
        THeadEditModel model;
        Open(model, Uniform(300, 300, 1, 1, 1));
        model.SetScale(c.from);
        c.up ? model.WheelUp() : model.WheelDown();
        EXPECT_EQ(model.GetScale(), c.expected) << c.from << (c.up ? " up" : " down");
        EXPECT_EQ(model.ImageWidth(), c.expected * 3);
    }
}

TEST(HeadEditModelTest, ScaleBoxReadsWholeNumbersWhileFocused) {
    struct Case {
        std::string text;
        int expected;
    };
    const Case cases[] = {{"0", 1}, {"", 100}, {"150%", 150}, {"75", 75}, {"999", 200}};
    for (const auto& c : cases) {
        THeadEditModel model;
        Open(model, Uniform(300, 300, 1, 1, 1));
        model.ScaleBoxEnter();
        model.ScaleBoxChange(c.text);
        EXPECT_EQ(model.GetScale(), c.expected) << '"' << c.text << '"';
        EXPECT_EQ(model.ImageWidth(), c.expected * 3);
        model.ScaleBoxExit();
    }
}

TEST(HeadEditModelTest, ScaleBoxShowsTheSliderOnlyWhenNotFocused) {
    THeadEditModel model;
    Open(model, Uniform(300, 300, 1, 1, 1));
    model.ScaleBoxChange("150%"); // not focused: ignored
    EXPECT_EQ(model.GetScale(), 33);
    EXPECT_EQ(model.ScaleBoxText(), "33%");

    model.ScaleBoxEnter();
    model.ScaleBoxChange("150%");
    EXPECT_EQ(model.GetScale(), 150);
    EXPECT_EQ(model.ScaleBoxText(), "33%"); // the box keeps what the user chose
    model.ScaleBoxExit();
    model.WheelDown();
    EXPECT_EQ(model.ScaleBoxText(), "148%");

    EXPECT_TRUE(THeadEditModel::ScaleBoxAccepts('7'));
    for (const char rejected : {'a', '%', '-', '\b', ' '}) {
        EXPECT_FALSE(THeadEditModel::ScaleBoxAccepts(rejected)) << int{rejected};
    }
}

TEST(HeadEditModelTest, AdjustmentsReachTheWholeDisplayPicture) {
    struct Case {
        int brightness;
        int contrast;
        int expected;
    };
    const Case cases[] = {
        {-255, 0, 0},
        {0, -255, 127},
        {255, 0, 200},
        // Contrast first (100 -> 73), then brightness (73 -> 101); the other order gives 151.
        {100, 255, 101},
    };
    for (const auto& c : cases) {
        THeadEditModel model;
        Open(model, Uniform(640, 480, 100, 100, 100));
        model.SetBrightness(c.brightness);
        model.SetContrast(c.contrast);
        model.RenderNow();
        EXPECT_TRUE(AllPixels(model.Preview(), c.expected, c.expected, c.expected))
            << c.brightness << "/" << c.contrast;
    }
}

TEST(HeadEditModelTest, BrightnessSurvivesAScaleChange) {
    THeadEditModel model;
    Open(model, Uniform(640, 480, 100, 100, 100));
    model.SetBrightness(-255);
    model.ProcessRebuildRequest();
    model.ProcessPaintRequest();
    model.SetScale(50);
    model.ProcessRebuildRequest();
    model.ProcessPaintRequest();
    EXPECT_EQ(model.ImageWidth(), 320);
    EXPECT_TRUE(AllPixels(model.Preview(), 0, 0, 0));
}

TEST(HeadEditModelTest, RequestsAskForTheRebuildBeforeThePaintAndRunOnce) {
    THeadEditModel model;
    Open(model, Uniform(640, 480, 100, 100, 100));
    std::string requests;
    model.OnRebuildRequested = [&] { requests += 'R'; };
    model.OnPaintRequested = [&] { requests += 'P'; };
    model.SetContrast(-255);
    model.SetBrightness(10);
    EXPECT_EQ(requests, "RPRP");
    model.MouseDown(MouseButton::Left, {0, 0});
    model.MouseMove({1, 0});
    EXPECT_EQ(requests, "RPRPP"); // moving only repaints

    EXPECT_TRUE(model.RebuildPending());
    model.ProcessRebuildRequest();
    EXPECT_FALSE(model.RebuildPending());
    EXPECT_TRUE(model.PaintPending());
    model.ProcessPaintRequest();
    EXPECT_FALSE(model.PaintPending());
    // Contrast -255 gives 127, brightness 10 then 127 + 1270 / 255.
    EXPECT_TRUE(AllPixels(model.Preview(), 131, 131, 131));
}

TEST(HeadEditModelTest, DraggingMovesThePictureAndOtherButtonsEndTheDrag) {
    THeadEditModel model;
    Open(model, Uniform(640, 480, 100, 100, 100));
    const TPoint start = model.ImagePos();
    model.MouseDown(MouseButton::Left, {10, 10});
    model.MouseMove({30, 15});
    EXPECT_EQ(model.ImagePos(), (TPoint{start.X + 20, start.Y + 5}));
    model.MouseDown(MouseButton::Other, {0, 0});
    model.MouseMove({500, 500});
    EXPECT_EQ(model.ImagePos(), (TPoint{start.X + 20, start.Y + 5}));

    // Entirely out of the frame: the display picture is white.
    model.MouseDown(MouseButton::Left, {0, 0});
    model.MouseMove({-400, 0});
    model.MouseUp();
    model.ProcessPaintRequest();
    EXPECT_TRUE(AllPixels(model.Preview(), 255, 255, 255));
}

TEST(HeadEditModelTest, SurfaceShowsDimmedPictureRedFrameAndAdjustedInside) {
    THeadEditModel model;
    Open(model, Uniform(640, 480, 200, 200, 200)); // 128 x 96 at (171, 94)
    const Picture& surface = model.Surface();
    ASSERT_EQ(surface.Width(), kSurfaceWidth);
    ASSERT_EQ(surface.Height(), kSurfaceHeight);
    struct Case {
        int x;
        int y;
        int r;
        int g;
        int b;
    };
    const Case cases[] = {
        {150, 150, 255, 255, 255}, // beside the picture
        {175, 100, 122, 122, 122}, // dimmed: 200 - 200 * 100 / 255
        {184, 150, 255, 0, 0},     {186, 150, 255, 0, 0},     {187, 150, 200, 200, 200},
        {282, 150, 200, 200, 200}, {283, 150, 255, 0, 0},     {285, 150, 255, 0, 0},
        {286, 150, 122, 122, 122}, {230, 91, 255, 0, 0},      {230, 93, 255, 0, 0},
        {230, 94, 200, 200, 200},  {230, 189, 200, 200, 200}, {230, 190, 255, 0, 0},
        {230, 192, 255, 0, 0},     {230, 193, 255, 255, 255},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(IsColor(Pixel(surface, c.x, c.y), c.r, c.g, c.b)) << c.x << "," << c.y;
    }
}

TEST(HeadEditModelTest, FrameRectRoundsHalvesToEven) {
    struct Case {
        int x;
        int left;
    };
    // At 200 %: Left = nearest((188 - x) / 2).
    const Case cases[] = {{183, 2}, {185, 2}, {186, 1}, {187, 0}, {189, 0}, {191, -2}};
    for (const auto& c : cases) {
        THeadEditModel model;
        Open(model, Uniform(50, 50, 1, 1, 1));
        ASSERT_EQ(model.GetScale(), 200);
        model.SetImagePos({c.x, 93});
        model.PaintEditor();
        EXPECT_EQ(model.FrameRect(), (TRect{c.left, 1, c.left + 48, 49})) << c.x;
    }
}

TEST(HeadEditModelTest, SlideFrameGeometryFollowsItsSquare) {
    const auto geometry = DeriveSlideFrameGeometry(TRect{100, 50, 148, 98}, TSize{400, 300});
    ASSERT_TRUE(geometry);
    EXPECT_EQ(geometry->Scale, 200);
    EXPECT_EQ(geometry->ImageWidth, 800);
    EXPECT_EQ(geometry->ImageHeight, 600);
    EXPECT_EQ(geometry->ImagePos, (TPoint{-18, -11}));

    EXPECT_FALSE(DeriveSlideFrameGeometry(TRect{10, 10, 10, 20}, TSize{400, 300}));
    EXPECT_FALSE(DeriveSlideFrameGeometry(TRect{10, 10, 5, 20}, TSize{400, 300}));
}

TEST(HeadEditModelTest, ReducedSourceGivesTheSameGeometryAndAlmostTheSamePixels) {
    const Picture full = Ramp(2000, 1500);
    THeadEditModel fromFull;
    Open(fromFull, full);
    THeadEditModel fromReduced;
    fromReduced.SetSourceImage(Stretch(full, 250, 188), TSize{2000, 1500}, true);
    fromReduced.RenderNow();
    EXPECT_EQ(fromReduced.GetScale(), fromFull.GetScale());
    EXPECT_EQ(fromReduced.ImagePos(), fromFull.ImagePos());
    EXPECT_EQ(fromReduced.ImageWidth(), fromFull.ImageWidth());
    EXPECT_EQ(fromReduced.FrameRect(), fromFull.FrameRect());
    EXPECT_LE(MaxDifference(fromReduced.Preview(), fromFull.Preview()), 2);
}

TEST(HeadEditModelTest, ShownPixelsMatchAFullStretchOfTheSource) {
    // A pattern with detail a few display pixels wide, where a careless reduction would show.
    Picture source(2400, 1800);
    for (int y = 0; y < source.Height(); ++y) {
        for (int x = 0; x < source.Width(); ++x) {
            const double v = 128 + 100 * std::sin(x / 9.0) * std::cos(y / 7.0);
            std::uint8_t* p = source.Row(y) + x * 3;
            p[0] = p[1] = p[2] = static_cast<std::uint8_t>(v);
        }
    }
    THeadEditModel model;
    Open(model, source);
    model.SetScale(20);
    model.RenderNow();
    ASSERT_EQ(model.ImageWidth(), 480);
    const Picture direct = Stretch(source, 480, 360);
    Picture expected(kDisplaySide, kDisplaySide);
    CopyPixels(direct,
               PixelRect{kPreviewCorner.X - model.ImagePos().X,
                         kPreviewCorner.Y - model.ImagePos().Y, kDisplaySide, kDisplaySide},
               expected, TPoint{0, 0});
    EXPECT_LE(MaxDifference(model.Preview(), expected), 3);
}

TEST(HeadEditModelTest, HighZoomRendersOnlyAroundTheSurface) {
    // At 800 % the whole stretched picture would be 16000 x 12000 pixels.
    THeadEditModel model;
    Open(model, Ramp(2000, 1500));
    model.SetScale(800);
    model.RenderNow();
    EXPECT_EQ(model.ImageWidth(), 16000);
    // Far to the left: the display picture shows source column (187 - X) / 8 onward.
    model.MouseDown(MouseButton::Left, {0, 0});
    model.MouseMove({3000, 0});
    model.ProcessPaintRequest();
    const double column = (kPreviewCorner.X - model.ImagePos().X) / 8.0;
    EXPECT_NEAR(Pixel(model.Preview(), 0, 0)[0], column * 255 / 1999, 2);
    EXPECT_NEAR(Pixel(model.Preview(), 95, 0)[0], (column + 12) * 255 / 1999, 2);
}

} // namespace
} // namespace tw
