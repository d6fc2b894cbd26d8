#include "EditorTestSupport.h"
#include "ui/app/uEngineWnd.h"
#include "ui/editors/uAnimationGuide.h"

#include <QPushButton>

namespace tw::test {
namespace {

using EngineWndEditorsTest = EditorFixture;

TEST_F(EngineWndEditorsTest, TheEngineWindowsManagerEditsAndRunsTheGuideInTheWindows) {
    TfrmEngineWnd engine;
    TMsnHeadManager& manager = *engine.HeadManager;
    const int entry = manager.AddPictureFile(WriteBmp("photo.bmp", Pattern(200, 150)), false);
    ASSERT_EQ(entry, 0) << "an unattended add needs no window";

    AnswerNextDialog<TfrmHeadEditor>([](TfrmHeadEditor& editor) {
        editor.sldContrast->setValue(70);
        editor.btnOK->click();
    });
    ASSERT_TRUE(manager.EditHead(entry, true));
    EXPECT_EQ(manager.Heads()[0].Contrast, 70);

    AnswerNextDialog<TfrmAnimationGuide>([](TfrmAnimationGuide& guide) {
        EXPECT_EQ(guide.windowTitle(), QStringLiteral("Easy Animation Creator"));
        guide.btnCancel->click();
    });
    EXPECT_EQ(manager.RunAnimationGuide(), -1);
}

} // namespace
} // namespace tw::test
