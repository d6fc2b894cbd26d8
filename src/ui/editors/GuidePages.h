#pragma once

#include "core/image/Picture.h"

#include <QImage>
#include <QList>
#include <QWidget>
#include <filesystem>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;

// The pages of the Easy Animation guide, each with its own components; the guide moves
// between them and runs their buttons.
namespace tw {

class TEngineServices;
class TPictureBox;

// Page 0: what the guide does.
class TGuideWelcomePage : public QWidget {
    Q_OBJECT
public:
    explicit TGuideWelcomePage(QWidget* parent = nullptr);

    QLabel* lbWelcome = nullptr;
};

// Page 1: the picture the slide is cut from.
class TGuidePicturePage : public QWidget {
    Q_OBJECT
public:
    explicit TGuidePicturePage(QWidget* parent = nullptr);

    // Shows the file's name and its picture in imgImage: unscaled and centred when it fits,
    // else at the view's height, centred and cut at the sides.
    void ShowPicture(const std::filesystem::path& file, const Picture& picture);

    TPictureBox* imgImage = nullptr;
    // The hint over the empty view.
    QLabel* lbSelectPicture = nullptr;
    QLineEdit* edtFileName = nullptr;
    QPushButton* btnBrowse = nullptr;
};

// Pages 2 and 3: one keyframe, marked in the display picture editor.
class TGuideKeyframePage : public QWidget {
    Q_OBJECT
public:
    struct Names {
        const char* page;
        const char* text;
        const char* image;
        const char* button;
    };
    TGuideKeyframePage(TEngineServices& engine, const Names& names, QWidget* parent = nullptr);

    // Shows the keyframe's display picture; a blank one while it is unmarked.
    void ShowKeyframe(const Picture& display);

    QLabel* Text = nullptr;
    TPictureBox* Image = nullptr;
    QPushButton* MarkButton = nullptr;
};

// Page 4: how many frames the slide gets.
class TGuideFrameCountPage : public QWidget {
    Q_OBJECT
public:
    explicit TGuideFrameCountPage(QWidget* parent = nullptr);

    QLabel* lbFrameCount = nullptr;
    QSpinBox* edtAniStep = nullptr;
};

// Page 5: the slide playing in a loop.
class TGuidePreviewPage : public QWidget {
    Q_OBJECT
public:
    TGuidePreviewPage(TEngineServices& engine, QWidget* parent = nullptr);

    // Takes the generated pictures, `frames` plain ones at every stride-th place, and shows
    // frame 0.
    void SetFrames(const std::vector<Picture>& pictures, int frames);
    void ShowStep(int frame);
    // The frame after the one on show, the first after the last.
    int NextStep() const;

    TPictureBox* imgHead = nullptr;
    // Holds the number of the frame on show; never shown.
    QSlider* sldStep = nullptr;

private:
    QList<QImage> FrameImages;
};

} // namespace tw
