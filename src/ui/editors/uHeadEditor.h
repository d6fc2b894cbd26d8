#pragma once

#include "core/editors/uHeadEdit.h"

#include <QDialog>

class QComboBox;
class QKeyEvent;
class QLabel;
class QMouseEvent;
class QPushButton;
class QSlider;
class QTabWidget;
class QTimer;

namespace tw {

class TEngineServices;
class TPictureBox;

// Posted to the editor itself: paint, and rebuild the pictures, once per burst of requests.
inline constexpr int WM_EDITOR_PAINT = 3027;
inline constexpr int WM_EDITOR_REBUILD = 3028;

// The display picture editor: the window over the editor model, in which the user fits one
// picture into the 96 x 96 display picture. The collection manager prepares the model with
// the entry's picture and geometry, shows the window modally and, on OK, takes the model's
// state and preview back. Every input goes to the model; its pictures are shown here.
class TfrmHeadEditor : public QDialog {
    Q_OBJECT
public:
    TfrmHeadEditor(THeadEditModel& model, TEngineServices& engine, QWidget* parent = nullptr);
    ~TfrmHeadEditor() override;

    THeadEditModel& Model() { return Edit; }

    QTabWidget* pcEditClass = nullptr;
    QWidget* tsSimple = nullptr;
    TPictureBox* imgEditSimple = nullptr;
    QSlider* sdScale = nullptr;
    QLabel* lbScaleMax = nullptr;
    QLabel* lbScaleMid = nullptr;
    QLabel* lbScaleMin = nullptr;
    QWidget* pnControl = nullptr;
    QLabel* lbPreview = nullptr;
    TPictureBox* imgPreview = nullptr;
    QLabel* lbBrightness = nullptr;
    QSlider* sldBrightness = nullptr;
    QLabel* lbContrast = nullptr;
    QSlider* sldContrast = nullptr;
    QPushButton* spSkinSpeedButton1 = nullptr;
    QComboBox* cbScale = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    // Closes the window with OK after 500 ms once enabled: an edit without the user.
    QTimer* tmAutoClose = nullptr;

    void FormMouseWheelDown();
    void FormMouseWheelUp();
    void imgEditMouseDown(QMouseEvent* event);
    void imgEditMouseMove(QMouseEvent* event);
    void imgEditMouseUp(QMouseEvent* event);
    void imgEditDblClick();
    void spSkinSpeedButton1Click();
    void sldBrightnessChange();
    void sldContrastChange();
    void sdScaleChange();
    // True when the typed key is to be discarded.
    bool cbScaleKeyPress(const QKeyEvent* event) const;
    void cbScaleChange();
    void cbScaleEnter();
    void cbScaleExit();
    void tmAutoCloseTimer();

signals:
    // The working and dimmed pictures were made anew.
    void ImagesRebuilt();
    // The surface and the preview were composed anew.
    void EditorPainted();

protected:
    bool event(QEvent* event) override;
    // The wheel anywhere over the window, and the scale box's keys and focus.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void CreateSimplePage();
    void CreateControlPanel();
    // Puts the model's scale, adjustments and scale box text into the controls.
    void SyncControls();
    void ShowPictures();
    void PostRequest(int message);

    THeadEditModel& Edit;
    TEngineServices& Engine;
    // Wheel movement short of a whole step, as fine-grained wheels and touchpads send it.
    int WheelRest = 0;
};

} // namespace tw
