#include "ui/editors/uAnimationGuide.h"

#include "core/image/Codecs.h"
#include "core/image/PictureError.h"
#include "ui/app/uEngineServices.h"
#include "ui/editors/GuidePages.h"
#include "ui/editors/PictureBox.h"

#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

namespace tw {

namespace {

constexpr QSize kClientSize{570, 386};
constexpr int kPlayInterval = 500;
// The pause after each generated frame, so that the progress can be followed.
constexpr int kFramePause = 100;
const char* const kGenerating = "Generating....";

QPushButton* NewButton(const char* name, QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

// Waits without taking input, so nothing can move the guide while it works.
void Pause(int milliseconds) {
    QEventLoop wait;
    QTimer::singleShot(milliseconds, &wait, &QEventLoop::quit);
    wait.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

TfrmAnimationGuide::TfrmAnimationGuide(TMsnHeadManager& manager, TEngineServices& engine,
                                       QWidget* parent)
    : QDialog(parent), Engine(engine), Keyframes(manager) {
    FormCreate();
}

TfrmAnimationGuide::~TfrmAnimationGuide() = default;

void TfrmAnimationGuide::FormCreate() {
    setObjectName(QStringLiteral("frmAnimationGuide"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setFixedSize(kClientSize);

    lbTitle = new QLabel(this);
    lbTitle->setObjectName(QStringLiteral("lbTitle"));
    lbTitle->setGeometry(16, 8, kClientSize.width() - 32, 32);
    QFont title = lbTitle->font();
    title.setPointSizeF(title.pointSizeF() * 1.3);
    title.setBold(true);
    lbTitle->setFont(title);

    CreatePages();
    CreateButtons();

    OPD = new QFileDialog(this);
    OPD->setObjectName(QStringLiteral("OPD"));
    OPD->setFileMode(QFileDialog::ExistingFile);
    OPD->setAcceptMode(QFileDialog::AcceptOpen);
    OPD->setNameFilters(
        QString::fromStdString(PictureDialogFilter()).split(QStringLiteral(";;")));
    ChoosePictureFile = [this] { return RunOPD(); };

    tmPlay = new QTimer(this);
    tmPlay->setObjectName(QStringLiteral("tmPlay"));
    tmPlay->setInterval(kPlayInterval);
    connect(tmPlay, &QTimer::timeout, this, &TfrmAnimationGuide::tmPlayTimer);

    Engine.AddTranslatedWindow(this);
    connect(&Engine, &TEngineServices::LanguageChanged, this, &TfrmAnimationGuide::ApplyLanguage);
    ApplyLanguage();
    ShowPage(pgWelcome);
}

void TfrmAnimationGuide::CreatePages() {
    pcMain = new QTabWidget(this);
    pcMain->setObjectName(QStringLiteral("pcMain"));
    pcMain->setDocumentMode(true);
    pcMain->tabBar()->hide();
    pcMain->setGeometry(0, 44, kClientSize.width(), 290);

    tsWelcome = new TGuideWelcomePage;
    tsSelectPicture = new TGuidePicturePage;
    tsFirstFrame = new TGuideKeyframePage(
        Engine, {"tsFirstFrame", "lbMarkFirst", "imgFirstKeyframe", "btnMarkFirst"});
    tsLastFrame = new TGuideKeyframePage(
        Engine, {"tsLastFrame", "lbMarkLast", "imgLastKeyframe", "btnLastKeyframe"});
    tsFrameCount = new TGuideFrameCountPage;
    tsPreview = new TGuidePreviewPage(Engine);
    for (QWidget* page : std::initializer_list<QWidget*>{tsWelcome, tsSelectPicture, tsFirstFrame,
                                                         tsLastFrame, tsFrameCount, tsPreview})
        pcMain->addTab(page, QString());

    connect(tsSelectPicture->btnBrowse, &QPushButton::clicked, this,
            &TfrmAnimationGuide::btnBrowseClick);
    connect(tsFirstFrame->MarkButton, &QPushButton::clicked, this,
            &TfrmAnimationGuide::btnMarkFirstClick);
    connect(tsLastFrame->MarkButton, &QPushButton::clicked, this,
            &TfrmAnimationGuide::btnLastKeyframeClick);
    connect(tsPreview->sldStep, &QSlider::valueChanged, this, &TfrmAnimationGuide::sldStepChange);
}

void TfrmAnimationGuide::CreateButtons() {
    const int top = kClientSize.height() - 40;
    btnPrevious = NewButton("btnPrevious", this);
    btnPrevious->setGeometry(270, top, 90, 28);
    btnNext = NewButton("btnNext", this);
    btnNext->setGeometry(366, top, 90, 28);
    btnNext->setDefault(true);
    btnCancel = NewButton("btnCancel", this);
    btnCancel->setGeometry(468, top, 90, 28);
    connect(btnPrevious, &QPushButton::clicked, this, &TfrmAnimationGuide::btnPreviousClick);
    connect(btnNext, &QPushButton::clicked, this, &TfrmAnimationGuide::btnNextClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmAnimationGuide::ApplyLanguage() {
    // The translation has just given btnNext its Next caption, whatever page is on show.
    NextCaption = btnNext->text();
    const QVariant finish = btnNext->property("FinishCaption");
    FinishCaption = finish.isValid() ? finish.toString() : QStringLiteral("&Finished");
    ShowPageTexts();
}

void TfrmAnimationGuide::ShowPageTexts() {
    btnNext->setText(pcMain->currentIndex() == pgPreview ? FinishCaption : NextCaption);
    lbTitle->setText(pcMain->currentWidget()->windowTitle());
}

void TfrmAnimationGuide::ShowPage(int index) {
    pcMain->setCurrentIndex(index);
    btnNext->setEnabled(true);
    btnPrevious->setEnabled(true);
    tmPlay->stop();
    switch (index) {
    case pgWelcome:
        btnPrevious->setEnabled(false);
        break;
    case pgSelectPicture:
    case pgFirstFrame:
    case pgLastFrame:
        btnNext->setEnabled(PageDone(index));
        break;
    case pgPreview:
        GenerateFrames();
        tsPreview->SetFrames(Slide.Pictures, static_cast<int>(Slide.Frames.size()));
        tmPlay->start();
        break;
    default:
        break;
    }
    ShowPageTexts();
}

bool TfrmAnimationGuide::PageDone(int index) const {
    switch (index) {
    case pgSelectPicture:
        return Keyframes.SourceIndex() >= 0;
    case pgFirstFrame:
        return Keyframes.Marked(TKeyframe::First);
    case pgLastFrame:
        return Keyframes.Marked(TKeyframe::Last);
    default:
        return true;
    }
}

void TfrmAnimationGuide::btnNextClick() {
    const int index = pcMain->currentIndex();
    if (index == pgPreview)
        accept();
    else if (PageDone(index))
        ShowPage(index + 1);
}

void TfrmAnimationGuide::btnPreviousClick() {
    const int index = pcMain->currentIndex();
    if (index > pgWelcome)
        ShowPage(index - 1);
}

std::optional<std::filesystem::path> TfrmAnimationGuide::RunOPD() {
    if (OPD->exec() != QDialog::Accepted || OPD->selectedFiles().isEmpty())
        return std::nullopt;
    return std::filesystem::path(QFile::encodeName(OPD->selectedFiles().front()).toStdString());
}

void TfrmAnimationGuide::btnBrowseClick() {
    const std::optional<std::filesystem::path> file = ChoosePictureFile();
    if (!file)
        return;
    try {
        Keyframes.ChoosePicture(*file);
    } catch (const PictureError& error) {
        return ShowError(error.what());
    }
    tsSelectPicture->ShowPicture(*file, Keyframes.Source());
    tsFirstFrame->ShowKeyframe(Keyframes.DisplayPicture(TKeyframe::First));
    tsLastFrame->ShowKeyframe(Keyframes.DisplayPicture(TKeyframe::Last));
    btnNext->setEnabled(true);
}

void TfrmAnimationGuide::btnMarkFirstClick() {
    MarkKeyframe(TKeyframe::First);
}

void TfrmAnimationGuide::btnLastKeyframeClick() {
    MarkKeyframe(TKeyframe::Last);
}

TGuideKeyframePage* TfrmAnimationGuide::KeyframePage(TKeyframe which) const {
    return which == TKeyframe::First ? tsFirstFrame : tsLastFrame;
}

void TfrmAnimationGuide::MarkKeyframe(TKeyframe which) {
    bool accepted = false;
    try {
        accepted = Keyframes.Mark(which);
    } catch (const PictureError& error) {
        ShowError(error.what());
    }
    if (!accepted)
        return;
    KeyframePage(which)->ShowKeyframe(Keyframes.DisplayPicture(which));
    btnNext->setEnabled(true);
}

void TfrmAnimationGuide::GenerateFrames() {
    const int n = tsFrameCount->edtAniStep->value();
    Slide = Keyframes.MakeFrames(n, Icons, [this, n](int made) {
        Engine.ShowProgress(0, n, kGenerating, made);
        Pause(kFramePause);
    });
}

void TfrmAnimationGuide::tmPlayTimer() {
    tsPreview->sldStep->setValue(tsPreview->NextStep());
}

void TfrmAnimationGuide::sldStepChange() {
    tsPreview->ShowStep(tsPreview->sldStep->value());
}

void TfrmAnimationGuide::ShowError(const char* what) {
    Engine.ShowMessageBox("%1", {what}, mrNone, TMsgDlgBtn::OK, TMsgDlgType::Error, 0);
}

} // namespace tw
