#include "ui/editors/GuidePages.h"

#include "core/collection/SlideFrames.h"
#include "core/editors/PixelOps.h"
#include "ui/editors/PictureBox.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>

namespace tw {

namespace {

constexpr QSize kPictureView{401, 241};
// Where the display picture frames of the keyframe and preview pages lie.
constexpr QPoint kFramedPictureAt{214, 40};

template <typename Widget> Widget* Named(const char* name, QWidget* parent) {
    auto* widget = new Widget(parent);
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

TGuideWelcomePage::TGuideWelcomePage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tsWelcome"));
    lbWelcome = Named<QLabel>("lbWelcome", this);
    lbWelcome->setGeometry(24, 16, 506, 200);
    lbWelcome->setWordWrap(true);
    lbWelcome->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

TGuidePicturePage::TGuidePicturePage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tsSelectPicture"));
    imgImage = new TPictureBox(QStringLiteral("imgImage"), kPictureView, this);
    imgImage->move(24, 4);
    lbSelectPicture = Named<QLabel>("lbSelectPicture", imgImage);
    lbSelectPicture->setGeometry(imgImage->rect());
    lbSelectPicture->setAlignment(Qt::AlignCenter);

    edtFileName = Named<QLineEdit>("edtFileName", this);
    edtFileName->setReadOnly(true);
    edtFileName->setGeometry(24, 254, 300, 26);
    btnBrowse = Named<QPushButton>("btnBrowse", this);
    btnBrowse->setGeometry(334, 254, 91, 26);
}

void TGuidePicturePage::ShowPicture(const std::filesystem::path& file, const Picture& picture) {
    lbSelectPicture->hide();
    edtFileName->setText(QFile::decodeName(QByteArray::fromStdString(file.string())));

    Picture view(kPictureView.width(), kPictureView.height(), 255);
    const PixelRect place =
        PlaceInView({picture.Width(), picture.Height()}, {view.Width(), view.Height()});
    if (place.width == picture.Width() && place.height == picture.Height())
        CopyPixels(picture, view, TPoint{place.left, place.top});
    else
        StretchInto(picture, view, place, PixelRect{0, 0, view.Width(), view.Height()});
    imgImage->SetImage(ImageView(view).copy());
}

TGuideKeyframePage::TGuideKeyframePage(TEngineServices& engine, const Names& names, QWidget* parent)
    : QWidget(parent) {
    setObjectName(QLatin1String(names.page));
    Text = Named<QLabel>(names.text, this);
    Text->setGeometry(24, 8, 506, 24);
    Image = FramedPictureBox(engine, QLatin1String(names.image), kFramedPictureAt, this);
    MarkButton = Named<QPushButton>(names.button, this);
    MarkButton->setGeometry(177, 184, 200, 28);
}

void TGuideKeyframePage::ShowKeyframe(const Picture& display) {
    Image->SetImage(ImageView(display).copy());
}

TGuideFrameCountPage::TGuideFrameCountPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tsFrameCount"));
    lbFrameCount = Named<QLabel>("lbFrameCount", this);
    lbFrameCount->setGeometry(24, 8, 506, 24);
    edtAniStep = Named<QSpinBox>("edtAniStep", this);
    edtAniStep->setRange(kSlideFramesMin, kSlideFramesMax);
    edtAniStep->setSingleStep(1);
    edtAniStep->setValue(kSlideFramesDefault);
    edtAniStep->setGeometry(24, 40, 80, 26);
}

TGuidePreviewPage::TGuidePreviewPage(TEngineServices& engine, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tsPreview"));
    imgHead = FramedPictureBox(engine, QStringLiteral("imgHead"), kFramedPictureAt, this);
    sldStep = Named<QSlider>("sldStep", this);
    sldStep->setOrientation(Qt::Horizontal);
    sldStep->setRange(0, 0);
    sldStep->hide();
}

void TGuidePreviewPage::SetFrames(const std::vector<Picture>& pictures, int frames) {
    FrameImages.clear();
    const std::size_t stride = frames > 0 ? pictures.size() / static_cast<std::size_t>(frames) : 0;
    for (std::size_t i = 0; stride > 0 && i < pictures.size(); i += stride)
        FrameImages.append(ImageView(pictures[i]).copy());
    sldStep->setRange(0, std::max(0, static_cast<int>(FrameImages.size()) - 1));
    sldStep->setValue(0);
    ShowStep(0);
}

void TGuidePreviewPage::ShowStep(int frame) {
    imgHead->SetImage(frame >= 0 && frame < FrameImages.size() ? FrameImages[frame] : QImage());
}

int TGuidePreviewPage::NextStep() const {
    const int next = sldStep->value() + 1;
    return next > sldStep->maximum() ? 0 : next;
}

} // namespace tw
