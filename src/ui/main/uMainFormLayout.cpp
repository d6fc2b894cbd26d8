// The main window's components, actions and menus, placed as the 96 dpi design has them.
#include "core/app/uSettings.h"
#include "ui/app/uEngineWnd.h"
#include "ui/main/uFileDialogs.h"
#include "ui/main/uMainForm.h"
#include "ui/main/uPictureList.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>

namespace tw {

namespace {

constexpr int kClientWidth = 495;
constexpr int kClientHeight = 501;
constexpr int kMenuHeight = 22;

template <typename T> T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QPushButton* CommandButton(QWidget* parent, const char* name, int left, int top) {
    auto* button = Named(new QPushButton(parent), name);
    button->setGeometry(left, top, 111, 25);
    // Narrow side padding, so that the longest captions fit the design's 111 pixels.
    button->setStyleSheet(QStringLiteral("QPushButton { padding-left: 2px; padding-right: 2px; }"));
    return button;
}

// Keeps the list's panel at its distances from all four sides of the client area.
class TAnchoredPanel : public QWidget {
public:
    TAnchoredPanel(QWidget* parent, QRect place) : QWidget(parent), Place(place) {
        parent->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize) {
            const QSize area = static_cast<QWidget*>(watched)->size();
            setGeometry(Place.left(), Place.top(),
                        area.width() - Place.left() - (kClientWidth - Place.right() - 1),
                        area.height() - Place.top() -
                            (kClientHeight - kMenuHeight - Place.bottom() - 1));
        }
        return false;
    }

private:
    QRect Place;
};

} // namespace

QAction* TfrmMainForm::Action(const char* name) const {
    return findChild<QAction*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
}

void TfrmMainForm::CreateComponents() {
    TfrmEngineWnd& engine = *frmEngineWnd;
    auto* client = new QWidget(this);
    setCentralWidget(client);

    pnTop = Named(new QWidget(client), "pnTop");
    pnTop->setGeometry(0, 0, kClientWidth, 173);

    imgMsnFrame = Named(new QLabel(pnTop), "imgMsnFrame");
    imgMsnFrame->setGeometry(5, 2, 126, 126);
    imgMsnFrame->setPixmap(engine.pngMSNFrame.Image(0));
    // The preview lies in the frame's window.
    imgHead = Named(new QLabel(pnTop), "imgHead");
    imgHead->setGeometry(19, 17, 96, 97);

    lbFriendlyName = Named(new QLabel(pnTop), "lbFriendlyName");
    lbFriendlyName->setGeometry(140, 30, 221, 15);
    QFont nameFont(QStringLiteral("Microsoft Sans Serif"));
    nameFont.setPixelSize(12);
    lbFriendlyName->setFont(nameFont);
    lbFriendlyName->setStyleSheet(QStringLiteral("color: red;"));

    cbbPersonalIcon = Named(new QComboBox(pnTop), "cbbPersonalIcon");
    cbbPersonalIcon->setGeometry(141, 51, 44, 22);
    for (int k = 0; k < 4; ++k)
        cbbPersonalIcon->addItem(engine.ImageList2.Icon(k), QString());
    cbbPersonalMsg = Named(new QComboBox(pnTop), "cbbPersonalMsg");
    cbbPersonalMsg->setGeometry(192, 51, 169, 22);
    cbbPersonalMsg->setEditable(true);
    cbbPersonalURL = Named(new QComboBox(pnTop), "cbbPersonalURL");
    cbbPersonalURL->setGeometry(142, 79, 219, 22);
    cbbPersonalURL->setEditable(true);

    btnSwitch = Named(new QToolButton(pnTop), "btnSwitch");
    btnSwitch->setGeometry(144, 120, 25, 25);
    btnRand = Named(new QToolButton(pnTop), "btnRand");
    btnRand->setGeometry(176, 120, 25, 25);
    sldDelay = Named(new QSlider(Qt::Horizontal, pnTop), "sldDelay");
    sldDelay->setGeometry(206, 119, 150, 33);
    sldDelay->setRange(5, 180);
    sldDelay->setValue(15);
    lbDelayTime = Named(new QLabel(pnTop), "lbDelayTime");
    lbDelayTime->setGeometry(212, 158 - 8, 149, 19);
    QFont delayFont(QStringLiteral("Verdana"));
    delayFont.setPixelSize(19);
    delayFont.setItalic(true);
    lbDelayTime->setFont(delayFont);
    lbDelayTime->setStyleSheet(QStringLiteral("color: navy;"));

    btnApplyRightNow = CommandButton(pnTop, "btnApplyRightNow", 12, 135);
    btnAddImage = CommandButton(pnTop, "btnAddImage", 367, 11);
    spSkinButton1 = CommandButton(pnTop, "spSkinButton1", 367, 43);
    btnAddImageOnline = CommandButton(pnTop, "btnAddImageOnline", 367, 75);
    btnAddSlide = CommandButton(pnTop, "btnAddSlide", 367, 107);

    const QRect panelPlace(10, 199 - kMenuHeight, 471, 285);
    spSkinPanel1 = Named(new TAnchoredPanel(client, panelPlace), "spSkinPanel1");
    spSkinPanel1->setGeometry(panelPlace);
    lvList = new TPictureList(*engine.HeadManager, *imgHead, spSkinPanel1);
    lvList->setGeometry(0, 0, panelPlace.width(), panelPlace.height());
    auto* panelLayout = new QHBoxLayout(spSkinPanel1);
    panelLayout->setContentsMargins(1, 1, 1, 1);
    panelLayout->addWidget(lvList);

    OPD = new TFileDialog(QStringLiteral("OPD"), this);
    OPD->Title = QStringLiteral("Open Image");
    OD = new TFileDialog(QStringLiteral("OD"), this);
    SD = new TFileDialog(QStringLiteral("SD"), this);
    for (TFileDialog* dialog : {OD, SD}) {
        dialog->Filter = QStringLiteral("Tilewick File|*.vkt");
        dialog->DefaultExt = QStringLiteral("vkt");
    }
}

void TfrmMainForm::CreateActions() {
    static constexpr std::pair<const char*, const char*> kActions[] = {
        {"acNew", "&New"},
        {"acLoad", "&Load"},
        {"acSave", "&Save"},
        {"acSaveAs", "Save &As"},
        {"acAddImage", "&Add Images"},
        {"acAddFolder", "Add &Folder"},
        {"acAddImageOnline", "Add Images &Online"},
        {"acAniCreator", "&Easy Animation"},
        {"acApply", "Apply Right Now"},
        {"acEdit", "Edit"},
        {"acDelete", "Delete"},
        {"acClearAll", "Cl&ear All"},
        {"acPlay", "&Start slideshow"},
        {"acStop", "S&top slideshow"},
        {"acShuffle", "&Random Order"},
        {"acRepeat", "&Random  Order"},
        {"acAlwaysOnTop", "&Always On Top"},
        {"acSkin", "Change &Skin"},
        {"acLanguage", "Change &Language"},
        {"acOption", "&Options..."},
        {"acOpenOrbelle", "&Open..."},
        {"acHelp", "&Help ..."},
        {"acHome", "Home &Page..."},
        {"acUpdate", "&Update..."},
        {"acAbout", "A&bout..."},
        {"acExit", "&Exit"},
        {"acGetMoreLanguage", "&More Languages..."},
    };
    for (const auto& [name, caption] : kActions)
        Named(new QAction(QString::fromLatin1(caption), this), name);
    // The keys every desktop program has for its file commands.
    Action("acNew")->setShortcut(QKeySequence::New);
    Action("acLoad")->setShortcut(QKeySequence::Open);
    Action("acSave")->setShortcut(QKeySequence::Save);
    Action("acSaveAs")->setShortcut(QKeySequence::SaveAs);
    Action("acDelete")->setShortcut(QKeySequence::Delete);
    Action("acDelete")->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    lvList->addAction(Action("acDelete"));
    for (const char* name : {"acNew", "acLoad", "acSave", "acSaveAs"})
        addAction(Action(name));
}

void TfrmMainForm::CreateMenus() {
    const auto item = [this](QMenu* menu, const char* action) { menu->addAction(Action(action)); };
    mmbMainMenu = Named(new QMenuBar(this), "mmbMainMenu");
    setMenuBar(mmbMainMenu);

    QMenu* file = Named(mmbMainMenu->addMenu(QStringLiteral("&File")), "miFile");
    for (const char* action : {"acNew", "acLoad", "acSave", "acSaveAs"})
        item(file, action);
    file->addSeparator();
    item(file, "acExit");

    QMenu* control = Named(mmbMainMenu->addMenu(QStringLiteral("&Control")), "Control1");
    Named(control->addAction(QStringLiteral("&Enable slideshow")), "menuSwitch");
    Named(control->addAction(QStringLiteral("Disable r&andom")), "menuRandom");
    QMenu* speed = Named(control->addMenu(QStringLiteral("&Speed")), "Speed1");
    for (const char* name : {"N5s1", "N15s1", "N20s1", "N30s1", "N60s1"})
        Named(speed->addAction(QString::fromLatin1(name + 1).chopped(1)), name);

    QMenu* view = Named(mmbMainMenu->addMenu(QStringLiteral("&View")), "View1");
    Named(view->addAction(QStringLiteral("&Always On Top")), "AlwaysOnTop4");
    Named(view->addMenu(QStringLiteral("Change &Skin")), "miChangeSkin");
    Named(view->addMenu(QStringLiteral("Change &Language")), "miChangeLanguage");

    QMenu* images = Named(mmbMainMenu->addMenu(QStringLiteral("&Images")), "miView");
    for (const char* action : {"acAddImage", "acAddFolder", "acAddImageOnline", "acAniCreator"})
        item(images, action);
    images->addSeparator();
    for (const char* action : {"acApply", "acEdit", "acDelete", "acClearAll"})
        item(images, action);

    QMenu* tools = Named(mmbMainMenu->addMenu(QStringLiteral("&Tools")), "miTools");
    item(tools, "acOption");

    QMenu* help = Named(mmbMainMenu->addMenu(QStringLiteral("&Help")), "miHelp");
    item(help, "acHelp");
    item(help, "acHome");
    help->addSeparator();
    Named(help->addAction(QStringLiteral("&Update...")), "miUpdate0");
    help->addSeparator();
    item(help, "acAbout");

    pmList = Named(new QMenu(this), "pmList");
    for (const char* action : {"acApply", "acEdit", "acDelete"})
        item(pmList, action);
    Setstatewhenthisheaddisplay1 =
        Named(pmList->addMenu(QStringLiteral("Set status when this head display")),
              "Setstatewhenthisheaddisplay1");
    pmList->addSeparator();
    Named(pmList->addAction(QStringLiteral("Cl&ear All")), "miClearAll");
}

} // namespace tw
