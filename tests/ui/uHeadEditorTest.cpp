#include "ui/editors/uHeadEditor.h"

#include "EditorTestSupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <string>
#include <vector>

namespace tw::test {
namespace {

class HeadEditorTest : public EditorFixture {
protected:
    // The window over a fresh model of `picture` at its default fit, with its first view made.
    std::unique_ptr<TfrmHeadEditor> Open(Picture picture) {
        Model = std::make_unique<THeadEditModel>();
        Model->SetSourceImage(std::move(picture), true);
        auto editor = std::make_unique<TfrmHeadEditor>(*Model, *Engine);
        editor->show();
        QCoreApplication::sendPostedEvents(editor.get());
        return editor;
    }

    static void Wheel(QWidget* over, int delta) {
        QWheelEvent event(QPointF(5, 5), QPointF(over->mapToGlobal(QPoint(5, 5))), QPoint(),
                          QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(over, &event);
    }

    static void Focus(QWidget* widget, QEvent::Type type) {
        QFocusEvent event(type, Qt::TabFocusReason);
        QApplication::sendEvent(widget, &event);
    }

    std::unique_ptr<THeadEditModel> Model;
};

TEST_F(HeadEditorTest, OpeningShowsThePreparedStateWithoutChangingIt) {
    Model = std::make_unique<THeadEditModel>();
    Model->SetSourceImage(Pattern(300, 200), false);
    Model->SetScale(300); // beyond the slider, as an entry from a file may be
    Model->SetBrightness(40);
    Model->SetContrast(-20);
    Model->SetImagePos({-400, -250});
    TfrmHeadEditor editor(*Model, *Engine);
    QCoreApplication::sendPostedEvents(&editor);

    EXPECT_EQ(editor.sdScale->value(), 200);
    EXPECT_EQ(editor.sldBrightness->value(), 40);
    EXPECT_EQ(editor.sldContrast->value(), -20);
    EXPECT_EQ(editor.cbScale->currentText(), QStringLiteral("200%"));
    EXPECT_EQ(Model->ImageWidth(), 900) << "still sized for 300 %";
    EXPECT_EQ(Model->ImagePos(), (TPoint{-400, -250}));
    EXPECT_EQ(ToPicture(editor.imgEditSimple->Image()), Model->Surface());
}

TEST_F(HeadEditorTest, SlidersAdjustTheDisplayPictureAndScalingKeepsTheAdjustment) {
    const struct {
        const char* name;
        std::vector<std::pair<const char*, int>> moves;
        QRgb expected;
    } cases[] = {
        {"black", {{"sldBrightness", -255}}, 0x000000},
        {"doubled", {{"sldBrightness", 255}}, 0xC86428},
        {"grey", {{"sldContrast", -255}}, 0x7F7F7F},
        {"doubled after scaling", {{"sldBrightness", 255}, {"sdScale", 150}}, 0xC86428},
    };
    for (const auto& c : cases) {
        auto editor = Open(Uniform(200, 150, 100, 50, 20));
        for (const auto& [slider, value] : c.moves)
            editor->findChild<QSlider*>(QLatin1String(slider))->setValue(value);
        QCoreApplication::sendPostedEvents(editor.get());

        const QImage preview = editor->imgPreview->Image();
        for (const QPoint at : {QPoint(0, 0), QPoint(48, 48), QPoint(95, 95)})
            EXPECT_EQ(PixelAt(preview, at.x(), at.y()), c.expected) << c.name;
        EXPECT_EQ(Model->GetBrightness(), editor->sldBrightness->value()) << c.name;
        EXPECT_EQ(Model->GetContrast(), editor->sldContrast->value()) << c.name;
    }
}

TEST_F(HeadEditorTest, TheWheelAnywhereOverTheWindowStepsTheScaleToEvenValues) {
    const struct {
        int from;
        int delta;
        int expected;
    } cases[] = {
        {99, 120, 102},  {99, -120, 98},  {100, 120, 102},
        {100, -120, 98}, {200, 120, 200}, {100, 240, 104}, // two notches at once
    };
    for (const auto& c : cases) {
        auto editor = Open(Pattern(300, 200));
        editor->sdScale->setValue(c.from);
        // Over the brightness slider, which would otherwise take the wheel for itself.
        Wheel(editor->sldBrightness, c.delta);
        EXPECT_EQ(editor->sdScale->value(), c.expected) << c.from << " by " << c.delta;
        EXPECT_EQ(Model->GetScale(), c.expected);
        EXPECT_EQ(Model->ImageWidth(), 300 * c.expected / 100);
        EXPECT_EQ(editor->sldBrightness->value(), 0);
        EXPECT_EQ(editor->cbScale->currentText().toStdString(), std::to_string(c.expected) + "%");
    }
}

TEST_F(HeadEditorTest, TheScaleBoxTakesDigitsOnlyAndActsOnlyWhileFocused) {
    auto editor = Open(Pattern(300, 200));
    QComboBox* box = editor->cbScale;
    EXPECT_EQ(box->currentIndex(), -1) << "nothing selected at first";
    EXPECT_EQ(box->currentText(), QStringLiteral("50%")) << "the opening scale";

    box->setEditText(QStringLiteral("80"));
    EXPECT_EQ(Model->GetScale(), 50) << "not focused";

    Focus(box, QEvent::FocusIn);
    box->lineEdit()->selectAll();
    QTest::keyClicks(box, QStringLiteral("a%-"));
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_EQ(box->currentText(), QStringLiteral("80")) << "only digits are typed";

    box->lineEdit()->selectAll();
    QTest::keyClicks(box, QStringLiteral("0"));
    EXPECT_EQ(Model->GetScale(), 1) << "0 % is held at the slider's minimum";
    EXPECT_EQ(editor->sdScale->value(), 1);

    box->lineEdit()->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    EXPECT_EQ(box->currentText(), QString());
    EXPECT_EQ(Model->GetScale(), 100) << "an empty box means 100 %";

    box->setCurrentIndex(box->findText(QStringLiteral("150%")));
    EXPECT_EQ(Model->GetScale(), 150);
    EXPECT_EQ(editor->sdScale->value(), 150);
    EXPECT_EQ(box->currentText(), QStringLiteral("150%")) << "the box keeps the chosen text";

    Focus(box, QEvent::FocusOut);
    editor->sdScale->setValue(60);
    EXPECT_EQ(box->currentText(), QStringLiteral("60%"));
}

TEST_F(HeadEditorTest, RestoreReturnsToTheDefaultFitAndTwiceIsOnce) {
    auto editor = Open(Pattern(640, 480));
    EXPECT_EQ(editor->sdScale->value(), 20);
    EXPECT_EQ(Model->ImagePos(), (TPoint{171, 94}));
    const QImage fitted = editor->imgEditSimple->Image().copy();

    editor->sldBrightness->setValue(80);
    editor->sldContrast->setValue(-40);
    editor->sdScale->setValue(120);
    Drag(*editor, {200, 150}, {-30, 12});
    QCoreApplication::sendPostedEvents(editor.get());
    ASSERT_NE(editor->imgEditSimple->Image(), fitted);

    for (int press = 1; press <= 2; ++press) {
        QTest::mouseClick(editor->spSkinSpeedButton1, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(editor.get());
        EXPECT_EQ(editor->sdScale->value(), 20) << "press " << press;
        EXPECT_EQ(editor->sldBrightness->value(), 0);
        EXPECT_EQ(editor->sldContrast->value(), 0);
        EXPECT_EQ(Model->ImageWidth(), 128);
        EXPECT_EQ(Model->ImagePos(), (TPoint{171, 94}));
        EXPECT_EQ(editor->imgEditSimple->Image(), fitted) << "press " << press;
    }
}

TEST_F(HeadEditorTest, DraggingMovesThePictureByTheMouseAndOnlyRepaints) {
    auto editor = Open(Pattern(640, 480));
    const TPoint start = Model->ImagePos();
    QSignalSpy rebuilds(editor.get(), &TfrmHeadEditor::ImagesRebuilt);
    QSignalSpy paints(editor.get(), &TfrmHeadEditor::EditorPainted);

    SendMouse(editor->imgEditSimple, QEvent::MouseButtonPress, Qt::LeftButton, {200, 150},
              Qt::LeftButton);
    SendMouse(editor->imgEditSimple, QEvent::MouseMove, Qt::NoButton, {215, 160}, Qt::LeftButton);
    SendMouse(editor->imgEditSimple, QEvent::MouseMove, Qt::NoButton, {230, 140}, Qt::LeftButton);
    EXPECT_EQ(Model->ImagePos(), (TPoint{start.X + 30, start.Y - 10}));
    QCoreApplication::sendPostedEvents(editor.get());
    EXPECT_EQ(rebuilds.count(), 0);
    EXPECT_EQ(paints.count(), 1);
    // The window shows the picture where the mouse took it.
    THeadEditModel moved;
    moved.SetSourceImage(Pattern(640, 480), true);
    moved.SetImagePos({start.X + 30, start.Y - 10});
    moved.RenderNow();
    EXPECT_EQ(ToPicture(editor->imgPreview->Image()), moved.Preview());

    // Another button ends the drag; moving then does nothing.
    SendMouse(editor->imgEditSimple, QEvent::MouseButtonPress, Qt::RightButton, {230, 140},
              Qt::LeftButton | Qt::RightButton);
    SendMouse(editor->imgEditSimple, QEvent::MouseMove, Qt::NoButton, {100, 100},
              Qt::LeftButton | Qt::RightButton);
    EXPECT_EQ(Model->ImagePos(), (TPoint{start.X + 30, start.Y - 10}));
}

TEST_F(HeadEditorTest, ABurstOfSliderChangesRebuildsOnceThenPaintsOnce) {
    auto editor = Open(Pattern(640, 480));
    std::vector<std::string> work;
    QObject::connect(editor.get(), &TfrmHeadEditor::ImagesRebuilt,
                     [&] { work.push_back("rebuild"); });
    QObject::connect(editor.get(), &TfrmHeadEditor::EditorPainted,
                     [&] { work.push_back("paint"); });

    for (int step = 1; step <= 10; ++step)
        editor->sldBrightness->setValue(step * 20);
    EXPECT_TRUE(work.empty()) << "nothing is done inside the input handlers";
    QCoreApplication::sendPostedEvents(editor.get());
    EXPECT_EQ(work, (std::vector<std::string>{"rebuild", "paint"}));
    EXPECT_EQ(Model->GetBrightness(), 200);
}

// The manager's edits through the real window.
class HeadEditorEditTest : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        Entry = Manager->AddPictureFile(WriteBmp("photo.bmp", Pattern(640, 480)), false);
        ASSERT_EQ(Entry, 0);
        Manager->GetHead(Entry, Before);
        Thumbnails = Manager->Thumbnails();
    }

    int Entry = -1;
    THeadRec Before;
    std::vector<Picture> Thumbnails;
};

TEST_F(HeadEditorEditTest, CancelLeavesTheEntryAsItWas) {
    AnswerNextDialog<TfrmHeadEditor>([](TfrmHeadEditor& editor) {
        editor.sldBrightness->setValue(120);
        Drag(editor, {200, 150}, {25, 25});
        QTest::mouseClick(editor.btnCancel, Qt::LeftButton);
    });
    EXPECT_FALSE(Manager->EditHead(Entry, true));
    THeadRec after;
    Manager->GetHead(Entry, after);
    EXPECT_EQ(after, Before);
    EXPECT_EQ(Manager->Thumbnails(), Thumbnails);
}

TEST_F(HeadEditorEditTest, OkStoresTheFieldsAndTheShownDisplayPicture) {
    Picture shown;
    AnswerNextDialog<TfrmHeadEditor>([&](TfrmHeadEditor& editor) {
        EXPECT_EQ(editor.windowTitle(), QStringLiteral("Head Editor"));
        EXPECT_EQ(editor.size(), QSize(492, 464));
        editor.sldBrightness->setValue(120);
        editor.sldContrast->setValue(30);
        editor.sdScale->setValue(40);
        Drag(editor, {200, 150}, {25, -5});
        QCoreApplication::sendPostedEvents(&editor);
        shown = ToPicture(editor.imgPreview->Image());
        QTest::mouseClick(editor.btnOK, Qt::LeftButton);
    });
    ASSERT_TRUE(Manager->EditHead(Entry, true));
    THeadRec after;
    Manager->GetHead(Entry, after);
    EXPECT_EQ(after.Brightness, 120);
    EXPECT_EQ(after.Contrast, 30);
    EXPECT_EQ(after.Scale, 40);
    EXPECT_EQ(after.ImageWidth, 256);
    EXPECT_EQ(after.ImageHeight, 192);
    // Scaling from 20 % keeps the centre (-64, -48), then the drag.
    EXPECT_EQ(after.ImagePos, (TPoint{Before.ImagePos.X - 64 + 25, Before.ImagePos.Y - 48 - 5}));
    EXPECT_NE(after.FrameRect, Before.FrameRect);
    EXPECT_EQ(Manager->Thumbnails()[0], shown);
    EXPECT_NE(Manager->Thumbnails()[0], Thumbnails[0]);
    EXPECT_NE(Manager->Thumbnails()[1], Thumbnails[1]) << "the badge pictures are made anew";
}

TEST_F(HeadEditorEditTest, ADoubleClickOrTheAutoCloseTimerClosesWithOk) {
    const struct {
        int brightness;
        std::function<void(TfrmHeadEditor&)> close;
    } cases[] = {
        {-60,
         [](TfrmHeadEditor& editor) {
             SendMouse(editor.imgEditSimple, QEvent::MouseButtonDblClick, Qt::LeftButton,
                       {200, 150}, Qt::LeftButton);
         }},
        {45,
         [](TfrmHeadEditor& editor) {
             editor.tmAutoClose->start();
             QTRY_VERIFY_WITH_TIMEOUT(!editor.isVisible(), 5000);
             EXPECT_FALSE(editor.tmAutoClose->isActive());
         }},
    };
    for (const auto& c : cases) {
        AnswerNextDialog<TfrmHeadEditor>([&c](TfrmHeadEditor& editor) {
            editor.sldBrightness->setValue(c.brightness);
            c.close(editor);
        });
        EXPECT_TRUE(Manager->EditHead(Entry, true));
        THeadRec after;
        Manager->GetHead(Entry, after);
        EXPECT_EQ(after.Brightness, c.brightness);
    }
}

} // namespace
} // namespace tw::test
