#include "ui/main/uMainForm.h"

#include "core/app/uSettings.h"
#include "core/app/uStartup.h"
#include "core/app/uUtils.h"
#include "core/messenger/uMsnControl.h"
#include "ui/app/WindowUtils.h"
#include "ui/app/uBusWindow.h"
#include "ui/app/uEngineWnd.h"
#include "ui/app/uTrace.h"
#include "ui/main/uCollectionCommands.h"
#include "ui/main/uFileDialogs.h"
#include "ui/main/uPictureList.h"
#include "ui/main/uSlideshow.h"
#include "ui/main/uStatusControls.h"
#include "ui/main/uSystemMenu.h"
#include "ui/main/uTrayIcon.h"
#include "ui/messenger/MessengerClientChoice.h"
#include "ui/online/uOnlineImage.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QUrl>

namespace tw {

TfrmMainForm::TfrmMainForm(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmMainForm"));
    setWindowTitle(QString::fromStdString("Tilewick  " + Settings().VersionText()));
    BusWindow = std::make_unique<TBusWindow>(
        kMainFormClass, [this](const WindowMessage& message) { return WndProc(message); });
    if (!BusWindow->Registered()) {
        // The program works on; only a later start cannot hand over to it.
        Trace("bus-error", BusWindow->Error());
    }
    // Without the engine window (a test of the message bus alone) the window only answers
    // messages.
    if (frmEngineWnd == nullptr) {
        setCentralWidget(new QWidget(this));
        return;
    }
    FormCreate();
}

TfrmMainForm::~TfrmMainForm() {
    FormDestroy();
}

void TfrmMainForm::FormCreate() {
    CreateComponents();
    CreateActions();
    CreateMenus();

    setFixedWidth(495);
    if (Settings().ReadConstBool("MainForm.Resizable", false)) {
        setMinimumHeight(400);
        resize(495, 501);
    } else {
        setFixedHeight(501);
    }
    mmbMainMenu->setVisible(Settings().ReadConstBool("MainForm.ShowMainMenu", false));
    // Centred until a remembered place is restored at the first showing.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    setAcceptDrops(true);

    SetFileDialogs(std::make_unique<TQtFileDialogs>(this));
    ConnectCommands();
    Tray = new TTrayIcon(*this, *frmEngineWnd->HeadManager,
                         [this] { return Commands().acSaveExecute(); });
    System = new TSystemMenu(*this, *frmEngineWnd, *frmEngineWnd->UpdateCheck,
                             [this] { Tray->acExitExecute(); });
    frmEngineWnd->AddTranslatedWindow(this);
    // Every format the decoders read, until a language applied later brings its own list.
    OPD->Filter = PictureFilter();
}

void TfrmMainForm::SetFileDialogs(std::unique_ptr<IFileDialogs> dialogs) {
    FileDialogs = std::move(dialogs);
    TfrmEngineWnd& engine = *frmEngineWnd;
    CollectionCommands = std::make_unique<TCollectionCommands>(
        TCollectionCommands::Parts{*engine.HeadManager, *engine.CollectionFile, engine, *lvList,
                                   *FileDialogs, *OPD, *OD, *SD, *this});
}

void TfrmMainForm::ConnectCommands() {
    const auto command = [this](const char* action, auto run) {
        connect(Action(action), &QAction::triggered, this,
                [this, run] { (CollectionCommands.get()->*run)(); });
    };
    command("acNew", &TCollectionCommands::acNewExecute);
    command("acLoad", &TCollectionCommands::acLoadExecute);
    command("acSave", &TCollectionCommands::acSaveExecute);
    command("acSaveAs", &TCollectionCommands::acSaveAsExecute);
    command("acAddImage", &TCollectionCommands::acAddImageExecute);
    command("acAddFolder", &TCollectionCommands::acAddFolderExecute);
    command("acAniCreator", &TCollectionCommands::acAniCreatorExecute);
    command("acEdit", &TCollectionCommands::acEditExecute);
    command("acDelete", &TCollectionCommands::acDeleteExecute);
    command("acClearAll", &TCollectionCommands::acClearAllExecute);
    connect(findChild<QAction*>(QStringLiteral("miClearAll")), &QAction::triggered,
            Action("acClearAll"), &QAction::trigger);

    const std::pair<QPushButton*, const char*> buttons[] = {{btnApplyRightNow, "acApply"},
                                                            {btnAddImage, "acAddImage"},
                                                            {spSkinButton1, "acAddFolder"},
                                                            {btnAddImageOnline, "acAddImageOnline"},
                                                            {btnAddSlide, "acAniCreator"}};
    for (const auto& [button, action] : buttons)
        connect(button, &QPushButton::clicked, Action(action), &QAction::trigger);

    connect(Action("acAddImageOnline"), &QAction::triggered, this, [this] {
        TfrmOnlineImage& online = ShowOnlineSearch(*frmEngineWnd, *frmEngineWnd->HeadManager);
        connect(&online, &TfrmOnlineImage::PictureAdded, this, &TfrmMainForm::OnlinePictureAdded,
                Qt::UniqueConnection);
    });
    connect(lvList, &QListWidget::itemSelectionChanged, this, &TfrmMainForm::lvListChange);
    connect(lvList, &QListWidget::itemDoubleClicked, Action("acApply"), &QAction::trigger);
    connect(lvList, &QWidget::customContextMenuRequested, this, &TfrmMainForm::pmListPopup);
    lvList->OnFilesDropped = [this](const QStringList& files) {
        CollectionCommands->FilesDropped(files);
    };
}

void TfrmMainForm::OnlinePictureAdded(int index) {
    // Entries are appended at the end; anything else gets rows anew.
    if (index == lvList->count())
        lvList->AppendRow();
    else
        lvList->Rebuild();
}

void TfrmMainForm::lvListChange() {
    const int i = lvList->SelectedRow();
    if (i < 0)
        return;
    lvList->DrawPreview(i);
    if (StatusControls)
        StatusControls->LoadBoxes(i);
}

void TfrmMainForm::pmListPopup(const QPoint& pos) {
    const bool selected = lvList->SelectedRow() >= 0;
    for (QAction* action : pmList->actions())
        action->setEnabled(selected);
    for (const char* name : {"acApply", "acEdit", "acDelete"})
        Action(name)->setEnabled(selected);
    findChild<QAction*>(QStringLiteral("miClearAll"))->setEnabled(true);
    pmList->exec(lvList->viewport()->mapToGlobal(pos));
    // The commands keep their keys and menu items for the next selection.
    for (const char* name : {"acApply", "acEdit", "acDelete"})
        Action(name)->setEnabled(true);
}

void TfrmMainForm::FormShow() {
    QApplication::setApplicationDisplayName(QStringLiteral("Tilewick"));
    if (ShownOnce || frmEngineWnd == nullptr)
        return;
    TfrmEngineWnd& engine = *frmEngineWnd;
    engine.SetSkin(Settings().ReadString("Skin", "Default"));
    engine.StartupUpdateCheck();
    if (Settings().ReadBool("FirstTimeRun", true))
        Settings().WriteBool("FirstTimeRun", false);
    findChild<QMenu*>(QStringLiteral("miChangeLanguage"))
        ->menuAction()
        ->setVisible(Settings().ReadConstBool("Language.Enable", false));
    findChild<QAction*>(QStringLiteral("miUpdate0"))
        ->setVisible(Settings().ReadConstBool("Update.Enable", false));

    CollectionCommands->OpenStartCollection();
    lvList->Rebuild();
    Trace("rows", std::to_string(lvList->RowCount()));

    Link = std::make_unique<TMsnControl>(MakeMessengerClient());
    connect(&tmMsnPoll, &QTimer::timeout, this, [this] { Link->Poller().Tick(); });
    tmMsnPoll.start(TMsnThread::Interval);

    Slideshow = std::make_unique<TSlideshowControls>(TSlideshowWidgets::Find(this), *lvList,
                                                     *engine.HeadManager, engine);
    StatusControls = std::make_unique<TStatusControls>(TStatusWidgets::Find(this), *lvList,
                                                       *engine.HeadManager, engine);
    if (lvList->RowCount() > 0)
        lvList->setCurrentRow(0);
    StatusControls->Attach(*Link, *Slideshow);
    Slideshow->LoadStartState();
    StatusControls->RebuildDropDowns();
    ShownOnce = true;
    Trace("shown");
}

void TfrmMainForm::FormDestroy() {
    tmMsnPoll.stop();
    if (Link)
        Link->SetPaused(true);
    // The controls store the slideshow's state and let go of the link before it goes.
    StatusControls.reset();
    Slideshow.reset();
    Link.reset();
}

std::int64_t TfrmMainForm::WndProc(const WindowMessage& message) {
    switch (message.Msg) {
    case WM_GETAPPID:
        return Settings().ReadConstInteger("App.ID", 0);
    case WM_QUITAPP:
        Trace("quit");
        QuitWithoutSaving();
        return 0;
    case WM_FORCEFOREGROUND: {
        const bool active = ForceForegroundWindow(this);
        Trace("front");
        return active ? 1 : 0;
    }
    case WM_COPYDATA:
        ReceivedPathText = message.Data;
        Trace("copydata", BytesToHex(message.Data));
        // Opened after the answer, so that the other start does not wait on a message box.
        if (CollectionCommands && !message.Data.empty())
            QTimer::singleShot(0, this, [this, path = message.Data] {
                CollectionCommands->LoadCollection(std::filesystem::path(path));
            });
        return 0;
    default:
        return 0;
    }
}

void TfrmMainForm::QuitWithoutSaving() {
    close();
}

void TfrmMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    FormShow();
}

void TfrmMainForm::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    // The program's life is the main window's: closing it ends the message loop, whatever
    // other windows (dialogs, the tray) are still around.
    if (event->isAccepted()) {
        QCoreApplication::quit();
    }
}

void TfrmMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TfrmMainForm::dropEvent(QDropEvent* event) {
    ForceForegroundWindow(this);
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    event->acceptProposedAction();
    if (!files.isEmpty())
        CollectionCommands->FilesDropped(files);
}

} // namespace tw
