#pragma once

#include "core/collection/SlideFrames.h"

#include <QDialog>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

class QFileDialog;
class QLabel;
class QPushButton;
class QTabWidget;
class QTimer;

namespace tw {

class TEngineServices;
class TGuideFrameCountPage;
class TGuideKeyframePage;
class TGuidePicturePage;
class TGuidePreviewPage;
class TGuideWelcomePage;

// The Easy Animation guide: the user chooses a picture, marks a first and a last keyframe in
// the display picture editor, chooses the number of frames and watches the slide before
// finishing. The picture and the keyframe entries live in the collection manager while the
// guide runs; the manager removes the keyframe entries and, after Finish, appends the slide.
class TfrmAnimationGuide : public QDialog {
    Q_OBJECT
public:
    enum Page { pgWelcome, pgSelectPicture, pgFirstFrame, pgLastFrame, pgFrameCount, pgPreview };

    TfrmAnimationGuide(TMsnHeadManager& manager, TEngineServices& engine,
                       QWidget* parent = nullptr);
    ~TfrmAnimationGuide() override;

    // The badge icons each frame gets a picture with.
    void SetOverlayList(std::vector<Picture> icons) { Icons = std::move(icons); }
    // The slide generated for the preview: what Finish hands to the manager.
    TGuideResult TakeResult() { return std::move(Slide); }
    const TGuideResult& Result() const { return Slide; }

    // Asks the user for the picture file; the picture dialog OPD unless replaced.
    std::function<std::optional<std::filesystem::path>()> ChoosePictureFile;

    void ShowPage(int index);
    void btnNextClick();
    void btnPreviousClick();
    void btnBrowseClick();
    void btnMarkFirstClick();
    void btnLastKeyframeClick();
    void tmPlayTimer();
    void sldStepChange();

    QLabel* lbTitle = nullptr;
    QTabWidget* pcMain = nullptr;
    TGuideWelcomePage* tsWelcome = nullptr;
    TGuidePicturePage* tsSelectPicture = nullptr;
    TGuideKeyframePage* tsFirstFrame = nullptr;
    TGuideKeyframePage* tsLastFrame = nullptr;
    TGuideFrameCountPage* tsFrameCount = nullptr;
    TGuidePreviewPage* tsPreview = nullptr;
    QPushButton* btnPrevious = nullptr;
    QPushButton* btnNext = nullptr;
    QPushButton* btnCancel = nullptr;
    QFileDialog* OPD = nullptr;
    QTimer* tmPlay = nullptr;

private:
    void FormCreate();
    void CreatePages();
    void CreateButtons();
    std::optional<std::filesystem::path> RunOPD();
    void MarkKeyframe(TKeyframe which);
    TGuideKeyframePage* KeyframePage(TKeyframe which) const;
    void GenerateFrames();
    void ShowError(const char* what);
    // Whether the page's work is done, so Next may leave it.
    bool PageDone(int index) const;
    // The texts that follow the language: the page's title and the Next button's caption.
    void ApplyLanguage();
    void ShowPageTexts();

    TEngineServices& Engine;
    TSlideKeyframes Keyframes;
    std::vector<Picture> Icons;
    TGuideResult Slide;
    QString NextCaption;
    QString FinishCaption;
};

} // namespace tw
