#include "ui/editors/uHeadEditor.h"

#include "ui/app/uEngineServices.h"
#include "ui/editors/PictureBox.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QWheelEvent>

namespace tw {

namespace {

constexpr QSize kClientSize{492, 464};
constexpr int kControlPanelHeight = 147;
constexpr int kAutoCloseInterval = 500;
// One notch of an ordinary mouse wheel.
constexpr int kWheelStep = 120;

QEvent::Type RequestEvent(int message) {
    return static_cast<QEvent::Type>(QEvent::User + message);
}

QLabel* NewLabel(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

QSlider* NewSlider(const char* name, Qt::Orientation orientation, int min, int max,
                   QWidget* parent) {
    auto* slider = new QSlider(orientation, parent);
    slider->setObjectName(QLatin1String(name));
    slider->setRange(min, max);
    return slider;
}

QPushButton* NewButton(const char* name, QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

MouseButton ButtonOf(const QMouseEvent* event) {
    return event->button() == Qt::LeftButton ? MouseButton::Left : MouseButton::Other;
}

TPoint PointOf(const QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    return {at.x(), at.y()};
}

} // namespace

TfrmHeadEditor::TfrmHeadEditor(THeadEditModel& model, TEngineServices& engine, QWidget* parent)
    : QDialog(parent), Edit(model), Engine(engine) {
    FormCreate();
}

TfrmHeadEditor::~TfrmHeadEditor() {
    // The model outlives the window: the manager renders its final state afterwards.
    Edit.OnRebuildRequested = nullptr;
    Edit.OnPaintRequested = nullptr;
}

void TfrmHeadEditor::FormCreate() {
    setObjectName(QStringLiteral("frmHeadEditor"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setFixedSize(kClientSize);

    CreateSimplePage();
    CreateControlPanel();
    tmAutoClose = new QTimer(this);
    tmAutoClose->setObjectName(QStringLiteral("tmAutoClose"));
    tmAutoClose->setInterval(kAutoCloseInterval);
    connect(tmAutoClose, &QTimer::timeout, this, &TfrmHeadEditor::tmAutoCloseTimer);

    // The wheel scales wherever the mouse is over the window, sliders included.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);

    Edit.OnRebuildRequested = [this] { PostRequest(WM_EDITOR_REBUILD); };
    Edit.OnPaintRequested = [this] { PostRequest(WM_EDITOR_PAINT); };
    SyncControls();
    Engine.AddTranslatedWindow(this);
    // The first view, after whatever the manager prepared.
    Edit.RequestRebuild();
    Edit.RequestPaint();
}

void TfrmHeadEditor::CreateSimplePage() {
    pcEditClass = new QTabWidget(this);
    pcEditClass->setObjectName(QStringLiteral("pcEditClass"));
    pcEditClass->setDocumentMode(true);
    pcEditClass->tabBar()->hide();
    pcEditClass->setGeometry(0, 0, kClientSize.width(), kClientSize.height() - kControlPanelHeight);
    tsSimple = new QWidget;
    tsSimple->setObjectName(QStringLiteral("tsSimple"));
    pcEditClass->addTab(tsSimple, QString());

    imgEditSimple = new TPictureBox(QStringLiteral("imgEditSimple"),
                                    QSize(kSurfaceWidth, kSurfaceHeight), tsSimple);
    imgEditSimple->move(10, 7);
    imgEditSimple->setCursor(Qt::SizeAllCursor);
    imgEditSimple->OnMouseDown = [this](QMouseEvent* event) { imgEditMouseDown(event); };
    imgEditSimple->OnMouseMove = [this](QMouseEvent* event) { imgEditMouseMove(event); };
    imgEditSimple->OnMouseUp = [this](QMouseEvent* event) { imgEditMouseUp(event); };
    imgEditSimple->OnDblClick = [this] { imgEditDblClick(); };

    // The scale slider and its marks lie along the surface's left edge, over the margin
    // that the centred frame leaves free.
    sdScale = NewSlider("sdScale", Qt::Vertical, kScaleSliderMin, kScaleSliderMax, imgEditSimple);
    sdScale->setGeometry(2, 8, 22, 268);
    sdScale->setCursor(Qt::ArrowCursor);
    connect(sdScale, &QSlider::valueChanged, this, &TfrmHeadEditor::sdScaleChange);
    lbScaleMax = NewLabel("lbScaleMax", imgEditSimple);
    lbScaleMid = NewLabel("lbScaleMid", imgEditSimple);
    lbScaleMin = NewLabel("lbScaleMin", imgEditSimple);
    const int markTops[] = {8, 134, 260};
    QLabel* marks[] = {lbScaleMax, lbScaleMid, lbScaleMin};
    for (int i = 0; i < 3; ++i) {
        marks[i]->setGeometry(26, markTops[i], 40, 16);
        marks[i]->setCursor(Qt::ArrowCursor);
    }
}

void TfrmHeadEditor::CreateControlPanel() {
    pnControl = new QWidget(this);
    pnControl->setObjectName(QStringLiteral("pnControl"));
    pnControl->setGeometry(0, kClientSize.height() - kControlPanelHeight, kClientSize.width(),
                           kControlPanelHeight);

    lbPreview = NewLabel("lbPreview", pnControl);
    lbPreview->setGeometry(12, 2, 120, 16);
    imgPreview = FramedPictureBox(Engine, QStringLiteral("imgPreview"), QPoint(10, 18), pnControl);

    lbBrightness = NewLabel("lbBrightness", pnControl);
    lbBrightness->setGeometry(160, 14, 80, 20);
    sldBrightness =
        NewSlider("sldBrightness", Qt::Horizontal, -kAdjustmentLimit, kAdjustmentLimit, pnControl);
    sldBrightness->setGeometry(244, 14, 232, 22);
    connect(sldBrightness, &QSlider::valueChanged, this, &TfrmHeadEditor::sldBrightnessChange);
    lbContrast = NewLabel("lbContrast", pnControl);
    lbContrast->setGeometry(160, 46, 80, 20);
    sldContrast =
        NewSlider("sldContrast", Qt::Horizontal, -kAdjustmentLimit, kAdjustmentLimit, pnControl);
    sldContrast->setGeometry(244, 46, 232, 22);
    connect(sldContrast, &QSlider::valueChanged, this, &TfrmHeadEditor::sldContrastChange);

    spSkinSpeedButton1 = NewButton("spSkinSpeedButton1", pnControl);
    spSkinSpeedButton1->setGeometry(160, 78, 96, 26);
    spSkinSpeedButton1->setAutoDefault(false);
    connect(spSkinSpeedButton1, &QPushButton::clicked, this,
            &TfrmHeadEditor::spSkinSpeedButton1Click);

    cbScale = new QComboBox(pnControl);
    cbScale->setObjectName(QStringLiteral("cbScale"));
    cbScale->setEditable(true);
    cbScale->setInsertPolicy(QComboBox::NoInsert);
    cbScale->addItems({QStringLiteral("200%"), QStringLiteral("150%"), QStringLiteral("125%"),
                       QStringLiteral("100%"), QStringLiteral("75%"), QStringLiteral("50%"),
                       QStringLiteral("25%")});
    cbScale->setCurrentIndex(-1);
    cbScale->setGeometry(266, 78, 96, 26);
    connect(cbScale, &QComboBox::editTextChanged, this, &TfrmHeadEditor::cbScaleChange);

    btnOK = NewButton("btnOK", pnControl);
    btnOK->setGeometry(290, 114, 88, 26);
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    btnCancel = NewButton("btnCancel", pnControl);
    btnCancel->setGeometry(388, 114, 88, 26);
    btnCancel->setAutoDefault(false);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmHeadEditor::SyncControls() {
    const QSignalBlocker scale(sdScale);
    const QSignalBlocker brightness(sldBrightness);
    const QSignalBlocker contrast(sldContrast);
    sdScale->setValue(Edit.GetScale());
    sldBrightness->setValue(Edit.GetBrightness());
    sldContrast->setValue(Edit.GetContrast());
    // While the user types in the box, the box keeps what was typed.
    const QString text = QString::fromStdString(Edit.ScaleBoxText());
    if (!Edit.ScaleBoxFocused() && cbScale->currentText() != text) {
        const QSignalBlocker box(cbScale);
        cbScale->setEditText(text);
    }
}

void TfrmHeadEditor::ShowPictures() {
    imgEditSimple->SetImage(ImageView(Edit.Surface()));
    imgPreview->SetImage(ImageView(Edit.Preview()));
}

void TfrmHeadEditor::PostRequest(int message) {
    QCoreApplication::postEvent(this, new QEvent(RequestEvent(message)));
}

bool TfrmHeadEditor::event(QEvent* event) {
    // A request posted many times in a burst finds its work done after the first.
    if (event->type() == RequestEvent(WM_EDITOR_REBUILD)) {
        if (Edit.RebuildPending()) {
            Edit.ProcessRebuildRequest();
            emit ImagesRebuilt();
        }
        return true;
    }
    if (event->type() == RequestEvent(WM_EDITOR_PAINT)) {
        if (Edit.PaintPending()) {
            Edit.ProcessPaintRequest();
            ShowPictures();
            emit EditorPainted();
        }
        return true;
    }
    return QDialog::event(event);
}

bool TfrmHeadEditor::eventFilter(QObject* watched, QEvent* event) {
    const bool scaleBox = watched == cbScale || watched == cbScale->lineEdit();
    switch (event->type()) {
    case QEvent::Wheel: {
        WheelRest += static_cast<QWheelEvent*>(event)->angleDelta().y();
        for (; WheelRest >= kWheelStep; WheelRest -= kWheelStep)
            FormMouseWheelUp();
        for (; WheelRest <= -kWheelStep; WheelRest += kWheelStep)
            FormMouseWheelDown();
        return true;
    }
    case QEvent::KeyPress:
        return scaleBox && cbScaleKeyPress(static_cast<QKeyEvent*>(event));
    case QEvent::FocusIn:
        if (scaleBox)
            cbScaleEnter();
        break;
    case QEvent::FocusOut:
        // The box's own list takes the focus only for the choice.
        if (scaleBox && static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
            cbScaleExit();
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmHeadEditor::FormMouseWheelDown() {
    Edit.WheelDown();
    SyncControls();
}

void TfrmHeadEditor::FormMouseWheelUp() {
    Edit.WheelUp();
    SyncControls();
}

void TfrmHeadEditor::imgEditMouseDown(QMouseEvent* event) {
    Edit.MouseDown(ButtonOf(event), PointOf(event));
}

void TfrmHeadEditor::imgEditMouseMove(QMouseEvent* event) {
    Edit.MouseMove(PointOf(event));
}

void TfrmHeadEditor::imgEditMouseUp(QMouseEvent*) {
    Edit.MouseUp();
}

void TfrmHeadEditor::imgEditDblClick() {
    accept();
}

void TfrmHeadEditor::spSkinSpeedButton1Click() {
    Edit.Restore();
    SyncControls();
}

void TfrmHeadEditor::sldBrightnessChange() {
    Edit.SetBrightness(sldBrightness->value());
}

void TfrmHeadEditor::sldContrastChange() {
    Edit.SetContrast(sldContrast->value());
}

void TfrmHeadEditor::sdScaleChange() {
    Edit.SetScaleSlider(sdScale->value());
    SyncControls();
}

bool TfrmHeadEditor::cbScaleKeyPress(const QKeyEvent* event) const {
    if (event->key() == Qt::Key_Backspace)
        return true;
    const QString text = event->text();
    if (text.isEmpty() || !text.front().isPrint())
        return false; // moving, Tab, Enter and Escape work as anywhere else
    const QByteArray typed = text.toUtf8();
    return typed.size() != 1 || !THeadEditModel::ScaleBoxAccepts(typed.front());
}

void TfrmHeadEditor::cbScaleChange() {
    // Texts put into the box while the user is elsewhere are not the user's choice.
    if (!Edit.ScaleBoxFocused())
        return;
    Edit.ScaleBoxChange(cbScale->currentText().toStdString());
    SyncControls();
}

void TfrmHeadEditor::cbScaleEnter() {
    Edit.ScaleBoxEnter();
}

void TfrmHeadEditor::cbScaleExit() {
    Edit.ScaleBoxExit();
}

void TfrmHeadEditor::tmAutoCloseTimer() {
    tmAutoClose->stop();
    Edit.RenderNow();
    ShowPictures();
    accept();
}

} // namespace tw
