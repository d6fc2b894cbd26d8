#include "ui/editors/uAnimationGuide.h"

#include "EditorTestSupport.h"
#include "ui/editors/GuidePages.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <optional>

namespace tw::test {
namespace {

// Where the user puts the picture in the display picture editor.
struct Placement {
    int scale;
    TPoint pos;
};

// For a 400 x 300 picture, the keyframes (10, 10, 106, 106) and (110, 60, 310, 260).
constexpr Placement kFirstPlacement{100, {178, 85}};
constexpr Placement kLastPlacement{48, {135, 66}};
constexpr TRect kFirstRect{10, 10, 106, 106};
constexpr TRect kLastRect{110, 60, 310, 260};

class AnimationGuideTest : public EditorFixture {
protected:
    std::unique_ptr<TfrmAnimationGuide> OpenGuide() {
        auto guide = std::make_unique<TfrmAnimationGuide>(*Manager, *Engine);
        guide->SetOverlayList(Manager->StateIcons());
        guide->show();
        return guide;
    }

    static void Choose(TfrmAnimationGuide& guide, std::optional<std::filesystem::path> file) {
        guide.ChoosePictureFile = [file] { return file; };
        guide.tsSelectPicture->btnBrowse->click();
    }

    // Marks a keyframe in the real editor: the picture placed (when given), then OK or Cancel.
    static void Mark(TGuideKeyframePage* page, std::optional<Placement> place, bool ok) {
        AnswerNextDialog<TfrmHeadEditor>([place, ok](TfrmHeadEditor& editor) {
            if (place) {
                editor.sdScale->setValue(place->scale);
                const TPoint now = editor.Model().ImagePos();
                Drag(editor, {200, 150}, {place->pos.X - now.X, place->pos.Y - now.Y});
            }
            (ok ? editor.btnOK : editor.btnCancel)->click();
        });
        page->MarkButton->click();
    }

    // Chooses a 400 x 300 picture and marks both keyframes; the guide is then on page 4.
    void PrepareSlide(TfrmAnimationGuide& guide) {
        guide.btnNext->click();
        Choose(guide, WriteBmp("slide.bmp", Pattern(400, 300)));
        guide.btnNext->click();
        Mark(guide.tsFirstFrame, kFirstPlacement, true);
        guide.btnNext->click();
        Mark(guide.tsLastFrame, kLastPlacement, true);
        guide.btnNext->click();
        ASSERT_EQ(guide.pcMain->currentIndex(), TfrmAnimationGuide::pgFrameCount);
    }

    static QString Title(const TfrmAnimationGuide& guide) { return guide.lbTitle->text(); }
};

TEST_F(AnimationGuideTest, NextWaitsForAPictureAndTheFirstPictureHasIndexZero) {
    auto guide = OpenGuide();
    EXPECT_EQ(guide->windowTitle(), QStringLiteral("Easy Animation Creator"));
    EXPECT_EQ(Title(*guide), QStringLiteral("Welcom to use Animation Creator"));
    EXPECT_FALSE(guide->btnPrevious->isEnabled());

    guide->btnNext->click();
    EXPECT_EQ(Title(*guide), QStringLiteral("Select a picture"));
    EXPECT_FALSE(guide->btnNext->isEnabled());
    guide->btnNext->click();
    EXPECT_EQ(guide->pcMain->currentIndex(), TfrmAnimationGuide::pgSelectPicture);

    Choose(*guide, std::nullopt);
    const auto broken = Root / "broken.png";
    std::ofstream(broken, std::ios::binary) << "\x89PNG not really";
    Choose(*guide, broken);
    ASSERT_EQ(Requests.size(), 1u) << "the unreadable file is reported";
    EXPECT_NE(Requests[0].Text.indexOf(QStringLiteral("broken.png")), -1);
    EXPECT_EQ(Manager->ImageCount(), 0);
    EXPECT_FALSE(guide->btnNext->isEnabled());
    EXPECT_FALSE(guide->tsSelectPicture->lbSelectPicture->isHidden());

    const auto file = WriteBmp("a.bmp", Pattern(300, 200));
    Choose(*guide, file);
    EXPECT_EQ(Manager->ImageCount(), 1);
    EXPECT_TRUE(guide->btnNext->isEnabled());
    EXPECT_TRUE(guide->tsSelectPicture->lbSelectPicture->isHidden());
    EXPECT_EQ(guide->tsSelectPicture->edtFileName->text().toStdString(), file.string());
    guide->btnNext->click();
    EXPECT_EQ(guide->pcMain->currentIndex(), TfrmAnimationGuide::pgFirstFrame);
    EXPECT_FALSE(guide->btnNext->isEnabled()) << "the first keyframe is not marked yet";
}

TEST_F(AnimationGuideTest, APictureShowsUnscaledWhenItFitsElseAtTheViewsHeight) {
    const struct {
        TSize size;
        QRect expected;
    } cases[] = {
        {{300, 200}, {50, 20, 300, 200}},
        {{800, 600}, {40, 0, 321, 241}},
    };
    auto guide = OpenGuide();
    for (const auto& c : cases) {
        Choose(*guide, WriteBmp("uniform.bmp", Uniform(c.size.Width, c.size.Height, 10, 120, 200)));
        const QImage view = guide->tsSelectPicture->imgImage->Image();
        ASSERT_EQ(view.size(), QSize(401, 241));
        const QRect& r = c.expected;
        for (int y = 0; y < view.height(); ++y) {
            for (int x = 0; x < view.width(); ++x) {
                const QRgb expected = r.contains(x, y) ? 0x0A78C8 : 0xFFFFFF;
                ASSERT_EQ(PixelAt(view, x, y), expected) << c.size.Width << " at " << x << "," << y;
            }
        }
    }
}

TEST_F(AnimationGuideTest, AnotherPictureRemovesTheFirstAndUnmarksBothKeyframes) {
    auto guide = OpenGuide();
    PrepareSlide(*guide);
    EXPECT_EQ(KeyframeEntries(), 2);
    for (int page = TfrmAnimationGuide::pgFrameCount; page > TfrmAnimationGuide::pgSelectPicture;
         --page)
        guide->btnPrevious->click();

    Choose(*guide, WriteBmp("second.bmp", Pattern(120, 90)));
    EXPECT_EQ(Manager->ImageCount(), 1) << "the first picture is gone";
    EXPECT_EQ(Manager->Images()[0].Width, 120);
    EXPECT_EQ(KeyframeEntries(), 0);
    EXPECT_EQ(guide->tsFirstFrame->Image->Image(), ImageView(Picture(96, 96, 255)));
    guide->btnNext->click();
    EXPECT_FALSE(guide->btnNext->isEnabled()) << "page 2 wants a new mark";
}

TEST_F(AnimationGuideTest, ACancelledMarkKeepsTheEarlierState) {
    auto guide = OpenGuide();
    guide->btnNext->click();
    Choose(*guide, WriteBmp("slide.bmp", Pattern(400, 300)));
    guide->btnNext->click();

    Mark(guide->tsFirstFrame, kFirstPlacement, false);
    EXPECT_FALSE(guide->btnNext->isEnabled());
    EXPECT_EQ(Manager->HeadCount(), 0) << "nothing is left of a cancelled first mark";

    Mark(guide->tsFirstFrame, kFirstPlacement, true);
    ASSERT_EQ(Manager->HeadCount(), 1);
    EXPECT_EQ(Manager->Heads()[0].FrameRect, kFirstRect);
    const QImage marked = guide->tsFirstFrame->Image->Image();
    EXPECT_EQ(ToPicture(marked), Manager->Thumbnails()[0]);
    EXPECT_TRUE(guide->btnNext->isEnabled());

    Mark(guide->tsFirstFrame, kLastPlacement, false);
    EXPECT_EQ(Manager->HeadCount(), 1);
    EXPECT_EQ(Manager->Heads()[0].FrameRect, kFirstRect);
    EXPECT_EQ(guide->tsFirstFrame->Image->Image(), marked);
    EXPECT_TRUE(guide->btnNext->isEnabled());
}

TEST_F(AnimationGuideTest, TheFramesRunBetweenTheKeyframesAndPreviewInALoop) {
    auto guide = OpenGuide();
    PrepareSlide(*guide);
    EXPECT_EQ(Manager->Heads()[0].FrameRect, kFirstRect);
    EXPECT_EQ(Manager->Heads()[1].FrameRect, kLastRect);

    const struct {
        int n;
        std::vector<TRect> frames;
    } cases[] = {
        {2, {kFirstRect, kLastRect}},
        {5, {kFirstRect, {35, 22, 157, 144}, {60, 35, 208, 183}, {85, 48, 259, 222}, kLastRect}},
    };
    for (const auto& c : cases) {
        guide->tsFrameCount->edtAniStep->setValue(c.n);
        guide->btnNext->click();
        EXPECT_EQ(Title(*guide), QStringLiteral("Preview"));
        EXPECT_EQ(guide->btnNext->text(), QStringLiteral("&Finished"));
        EXPECT_EQ(Engine->ProgressWindow(), nullptr) << "the progress is closed";
        const TGuideResult& slide = guide->Result();
        ASSERT_EQ(slide.Frames.size(), c.frames.size());
        EXPECT_EQ(slide.Pictures.size(), c.frames.size() * 4);
        for (std::size_t i = 0; i < c.frames.size(); ++i)
            EXPECT_EQ(slide.Frames[i].FrameRect, c.frames[i]) << "frame " << i << " of " << c.n;

        // The preview loops over the plain pictures, two a second.
        EXPECT_TRUE(guide->tmPlay->isActive());
        EXPECT_EQ(guide->tmPlay->interval(), 500);
        for (int step = 1; step <= c.n; ++step) {
            guide->tmPlayTimer();
            const std::size_t shown = static_cast<std::size_t>(step % c.n);
            EXPECT_EQ(ToPicture(guide->tsPreview->imgHead->Image()), slide.Pictures[shown * 4])
                << "step " << step;
        }

        guide->btnPrevious->click();
        EXPECT_FALSE(guide->tmPlay->isActive()) << "Previous stops the preview";
        EXPECT_EQ(guide->btnNext->text(), QStringLiteral("&Next"));
    }
}

TEST_F(AnimationGuideTest, TheTitleAndTheNextButtonFollowTheLanguage) {
    WriteProgramFile("langs/German.lan", "[Info]\nLanguage=Deutsch\n[TfrmAnimationGuide]\n"
                                         "btnNext.Caption=&Weiter\n"
                                         "btnNext.FinishCaption=&Fertig stellen\n"
                                         "tsPreview.Caption=Vorschau\n");
    auto guide = OpenGuide();
    PrepareSlide(*guide);
    guide->tsFrameCount->edtAniStep->setValue(2);
    guide->btnNext->click();

    Engine->SetLanguage("German");
    EXPECT_EQ(guide->btnNext->text(), QStringLiteral("&Fertig stellen"));
    EXPECT_EQ(Title(*guide), QStringLiteral("Vorschau"));
    guide->btnPrevious->click();
    EXPECT_EQ(guide->btnNext->text(), QStringLiteral("&Weiter"));
}

TEST_F(AnimationGuideTest, TheManagerAppendsTheSlideOnFinishAndDropsTheKeyframesEitherWay) {
    ASSERT_EQ(Manager->AddPictureFile(WriteBmp("own.bmp", Pattern(200, 200)), false), 0);
    for (const bool finish : {false, true}) {
        AnswerNextDialog<TfrmAnimationGuide>([this, finish](TfrmAnimationGuide& guide) {
            PrepareSlide(guide);
            EXPECT_EQ(KeyframeEntries(), 2);
            guide.tsFrameCount->edtAniStep->setValue(3);
            guide.btnNext->click();
            (finish ? guide.btnNext : guide.btnCancel)->click();
        });
        const int added = Manager->RunAnimationGuide();
        EXPECT_EQ(KeyframeEntries(), 0) << (finish ? "finished" : "cancelled");
        if (!finish) {
            EXPECT_EQ(added, -1);
            EXPECT_EQ(Manager->HeadCount(), 1);
            EXPECT_EQ(Manager->ImageCount(), 2) << "the guide's picture stays";
            continue;
        }
        ASSERT_EQ(added, 3);
        ASSERT_EQ(Manager->HeadCount(), 4);
        EXPECT_EQ(Manager->ThumbnailCount(), 16);
        const int slot = Manager->ImageCount() - 1;
        for (int i = 1; i < 4; ++i) {
            EXPECT_EQ(Manager->Heads()[i].ImagePos, kSlideFramePos);
            EXPECT_EQ(Manager->Heads()[i].ImageID, slot);
        }
        EXPECT_EQ(Manager->Heads()[1].FrameRect, kFirstRect);
        EXPECT_EQ(Manager->Heads()[3].FrameRect, kLastRect);
    }
}

} // namespace
} // namespace tw::test
