// Takes pictures of the display picture editor and of the Easy Animation guide's preview page
// on a photo, for the documentation:
//     tilewick_editor_screenshots PHOTO OUTPUT_FOLDER
// Runs on the offscreen platform with the shipped resources as program folder and a
// temporary data folder; the keyframes are marked by a stand-in for the user.
#include "ScreenshotSession.h"
#include "core/app/uSettings.h"
#include "core/collection/uMsnHeadManager.h"
#include "core/image/Codecs.h"
#include "ui/app/uEngineServices.h"
#include "ui/editors/GuidePages.h"
#include "ui/editors/PictureBox.h"
#include "ui/editors/uAnimationGuide.h"
#include "ui/editors/uHeadEditor.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <cstdio>
#include <memory>

namespace {

// Marks the first keyframe close in on the picture's centre and the last at the opening fit,
// so the slide zooms out.
class ScriptedEditor : public tw::IHeadEditor {
public:
    bool EditInteractive(tw::THeadEditModel& model) override {
        if (calls++ == 0)
            model.SetScale(model.GetScale() * 3);
        return true;
    }

private:
    int calls = 0;
};

std::vector<tw::Picture> Badges(const tw::TEngineServices& engine) {
    std::vector<tw::Picture> badges;
    for (int i = 0; i < engine.imgState.Count(); ++i)
        badges.push_back(tw::ToPicture(engine.imgState.Image(i).toImage()));
    return badges;
}

bool Save(QWidget& window, const QDir& output, const char* name) {
    const QString file = output.filePath(QLatin1String(name));
    if (window.grab().save(file))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    return false;
}

} // namespace

int main(int argc, char** argv) {
    tw::screenshots::PreferOffscreenPlatform();
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PHOTO OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path photo = argv[1];
    const QDir output(QString::fromLocal8Bit(argv[2]));
    const tw::screenshots::ScratchSettings settings;
    tw::TEngineServices engine;
    engine.SetSkin("Default");

    try {
        // The editor a little zoomed in and brightened, the picture pulled aside.
        tw::THeadEditModel model;
        model.SetSourceImage(tw::LoadPicture(photo), true);
        model.SetScale(model.GetScale() * 2);
        model.SetBrightness(30);
        model.SetImagePos({model.ImagePos().X - 60, model.ImagePos().Y - 20});
        tw::TfrmHeadEditor editor(model, engine);
        editor.show();
        QCoreApplication::sendPostedEvents(&editor);
        if (!Save(editor, output, "editor.png"))
            return 1;

        tw::TMsnHeadManager manager(tw::Settings().DataFolder());
        manager.SetStateIcons(Badges(engine));
        ScriptedEditor user;
        manager.SetHeadEditor(&user);
        tw::TfrmAnimationGuide guide(manager, engine);
        guide.SetOverlayList(manager.StateIcons());
        guide.ChoosePictureFile = [&photo] { return photo; };
        guide.show();
        guide.btnNext->click();
        guide.tsSelectPicture->btnBrowse->click();
        guide.btnNext->click();
        guide.tsFirstFrame->MarkButton->click();
        guide.btnNext->click();
        guide.tsLastFrame->MarkButton->click();
        guide.btnNext->click();
        guide.btnNext->click();
        // A frame from the middle of the slide.
        guide.tsPreview->sldStep->setValue(2);
        return Save(guide, output, "guide-preview.png") ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
