#include "ui/main/uSystemMenu.h"

#include "core/app/uSettings.h"
#include "core/app/uUtils.h"
#include "ui/app/WindowUtils.h"
#include "ui/app/uAboutForm.h"
#include "ui/app/uEngineServices.h"
#include "ui/app/uOptionsForm.h"
#include "ui/app/uUpdateCheckUi.h"

#include <QAction>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QToolButton>

namespace tw {
namespace {

QMenu* MakeMenu(QWidget* parent, const char* name) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(QLatin1String(name));
    return menu;
}

// Whether any screen shows a useful part of `frame`.
bool OnSomeScreen(const QRect& frame) {
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect seen = screen->availableGeometry().intersected(frame);
        if (seen.width() >= 50 && seen.height() >= 50)
            return true;
    }
    return QGuiApplication::screens().isEmpty();
}

} // namespace

TSystemMenu::TSystemMenu(QMainWindow& form, TEngineServices& engine, TUpdateCheckUi& updates,
                         std::function<void()> exit)
    : QObject(&form), Form(form), Engine(engine), Updates(updates) {
    acAlwaysOnTop = Action("acAlwaysOnTop");
    acAlwaysOnTop->setCheckable(true);
    acHelp = Action("acHelp");
    acHome = Action("acHome");
    acUpdate = Action("acUpdate");
    acOption = Action("acOption");
    acAbout = Action("acAbout");
    acExit = Action("acExit");
    acGetMoreLanguage = Action("acGetMoreLanguage");
    connect(acAlwaysOnTop, &QAction::triggered, this,
            [this] { SetWindowTopMost(&Form, AlwaysOnTop()); });
    connect(acHelp, &QAction::triggered, this, [this] { Updates.OpenNamedPage("help"); });
    connect(acHome, &QAction::triggered, this, [this] { Updates.OpenNamedPage("home"); });
    connect(acUpdate, &QAction::triggered, this, [this] { Updates.CheckForUpdate(true); });
    connect(acOption, &QAction::triggered, this, &TSystemMenu::acOptionExecute);
    connect(acAbout, &QAction::triggered, this, &TSystemMenu::acAboutExecute);
    connect(acExit, &QAction::triggered, this, std::move(exit));

    pmSystem = MakeMenu(&Form, "pmSystem");
    pmSystem->addAction(acAlwaysOnTop);
    pmSystem->addSeparator();
    pmSystem->addAction(acHome);
    pmSystem->addAction(acOption);
    pmSystem->addSeparator();
    pmSystem->addAction(acExit);

    // The caption's buttons, beside the menu bar: the system menu and always on top, the
    // latter pressed exactly while the window stays on top.
    auto* corner = new QWidget(&Form);
    btnSystemMenu = new QToolButton(corner);
    btnSystemMenu->setObjectName(QStringLiteral("btnSystemMenu"));
    btnSystemMenu->setText(QStringLiteral("\u2630"));
    btnSystemMenu->setMenu(pmSystem);
    btnSystemMenu->setPopupMode(QToolButton::InstantPopup);
    btnAlwaysOnTop = new QToolButton(corner);
    btnAlwaysOnTop->setObjectName(QStringLiteral("btnAlwaysOnTop"));
    btnAlwaysOnTop->setDefaultAction(acAlwaysOnTop);
    btnAlwaysOnTop->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto* buttons = new QHBoxLayout(corner);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addWidget(btnAlwaysOnTop);
    buttons->addWidget(btnSystemMenu);
    Form.menuBar()->setCornerWidget(corner, Qt::TopRightCorner);

    miChangeSkin = Menu("miChangeSkin");
    miDefaultSkin = miChangeSkin->addAction(QString());
    miDefaultSkin->setObjectName(QStringLiteral("miDefaultSkin"));
    miDefaultSkin->setCheckable(true);
    connect(miDefaultSkin, &QAction::triggered, this, [this] { Engine.SetSkin("Default"); });
    connect(miChangeSkin, &QMenu::aboutToShow, this, &TSystemMenu::acSkinExecute);
    miChangeLanguage = Menu("miChangeLanguage");
    miChangeLanguage->addSeparator();
    miChangeLanguage->addAction(acGetMoreLanguage);
    connect(miChangeLanguage, &QMenu::aboutToShow, this, &TSystemMenu::acLanguageExecute);

    FollowWindowItems();

    Engine.AddTranslatedWindow(&Form);
    smLanguageChangeLanguage();
    connect(&Engine, &TEngineServices::LanguageChanged, this,
            &TSystemMenu::smLanguageChangeLanguage);
    Form.installEventFilter(this);
}

QAction* TSystemMenu::Action(const char* name) {
    // The window may have made the action already; then it gains this command.
    if (auto* existing = Form.findChild<QAction*>(QLatin1String(name)))
        return existing;
    auto* action = new QAction(&Form);
    action->setObjectName(QLatin1String(name));
    Form.addAction(action);
    return action;
}

QMenu* TSystemMenu::Menu(const char* name) {
    if (auto* existing = Form.findChild<QMenu*>(QLatin1String(name)))
        return existing;
    return MakeMenu(&Form, name);
}

void TSystemMenu::FollowWindowItems() {
    // View > "&Always On Top" carries the check mark of the flag, whichever side changes it.
    if (auto* item = Form.findChild<QAction*>(QStringLiteral("AlwaysOnTop4"))) {
        item->setCheckable(true);
        connect(item, &QAction::triggered, acAlwaysOnTop, [this, item] {
            if (item->isChecked() != AlwaysOnTop())
                acAlwaysOnTop->trigger();
        });
        connect(acAlwaysOnTop, &QAction::toggled, item, &QAction::setChecked);
    }
    if (auto* item = Form.findChild<QAction*>(QStringLiteral("miUpdate0")))
        connect(item, &QAction::triggered, acUpdate, &QAction::trigger);
}

bool TSystemMenu::AlwaysOnTop() const {
    return acAlwaysOnTop->isChecked();
}

void TSystemMenu::acAlwaysOnTopExecute() {
    acAlwaysOnTop->trigger();
}

void TSystemMenu::acOptionExecute() {
    TfrmOptionForm dialog(Engine, &Form);
    dialog.exec();
}

void TSystemMenu::acAboutExecute() {
    TfrmAboutForm dialog(Engine, &Form);
    dialog.exec();
}

void TSystemMenu::smLanguageChangeLanguage() {
    Form.setWindowTitle(
        QString::fromStdString(Engine.Translate("strAppName") + "  " + Settings().VersionText()));
}

bool TSystemMenu::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &Form) {
        switch (event->type()) {
        // After the window's own first showing has placed it.
        case QEvent::ShowToParent:
            if (!Shown)
                FormShow();
            break;
        case QEvent::Move:
            if (Shown) {
                Settings().WriteInteger("MainForm.Left", Form.x());
                Settings().WriteInteger("MainForm.Top", Form.y());
            }
            break;
        case QEvent::Resize:
            if (Shown) {
                Settings().WriteInteger("MainForm.Width", Form.width());
                Settings().WriteInteger("MainForm.Height", Form.height());
            }
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void TSystemMenu::FormShow() {
    RestorePlacement();
    BuildSkinMenu();
    BuildLanguageMenu();
    if (auto* view = Form.findChild<QMenu*>(QStringLiteral("View1"))) {
        for (QMenu* submenu : {miChangeSkin, miChangeLanguage})
            if (!view->actions().contains(submenu->menuAction()))
                view->addMenu(submenu);
    }
    Shown = true;
}

void TSystemMenu::RestorePlacement() {
    const TSettings& settings = Settings();
    const int left = settings.ReadInteger("MainForm.Left", Form.x());
    const int top = settings.ReadInteger("MainForm.Top", Form.y());
    const int width =
        settings.ReadInteger("MainForm.Width", settings.ReadConstInteger("MainForm.Width", 888));
    const int height =
        settings.ReadInteger("MainForm.Height", settings.ReadConstInteger("MainForm.Height", 666));
    const QSize size = width != 0 && height != 0 ? QSize(width, height) : Form.size();
    // A place on a screen that is gone would leave the window out of reach.
    if (OnSomeScreen(QRect(QPoint(left, top), size)))
        Form.move(left, top);
    if (width != 0 && height != 0)
        Form.resize(width, height);
}

void TSystemMenu::BuildSkinMenu() {
    const std::vector<std::string> skins = Engine.ListSkins();
    miChangeSkin->menuAction()->setVisible(!skins.empty());
    for (const std::string& name : skins) {
        QAction* item = miChangeSkin->addAction(QString::fromStdString(name));
        item->setCheckable(true);
        item->setData(QString::fromStdString(name));
        connect(item, &QAction::triggered, this, [this, name] { Engine.SetSkin(name); });
    }
}

void TSystemMenu::acSkinExecute() {
    const std::string current = Engine.GetSkinName();
    miDefaultSkin->setChecked(current.empty());
    for (QAction* item : miChangeSkin->actions())
        if (item != miDefaultSkin)
            item->setChecked(!current.empty() &&
                             SameText(item->data().toString().toStdString(), current));
}

void TSystemMenu::BuildLanguageMenu() {
    std::vector<std::string> names;
    std::vector<std::string> captions;
    Engine.ListLanguages(names, captions);
    miChangeLanguage->menuAction()->setVisible(!names.empty() &&
                                               Settings().ReadConstBool("Language.Enable", true));
    for (std::size_t i = 0; i < names.size(); ++i) {
        // Each goes on top, so the list ends up in reverse order above "&More Languages...".
        auto* item = new QAction(QString::fromStdString(captions[i]), miChangeLanguage);
        item->setToolTip(QString::fromStdString(names[i]));
        item->setData(QString::fromStdString(names[i]));
        item->setCheckable(true);
        miChangeLanguage->insertAction(miChangeLanguage->actions().value(0), item);
        connect(item, &QAction::triggered, this,
                [this, name = names[i]] { Engine.SetLanguage(name); });
    }
}

void TSystemMenu::acLanguageExecute() {
    for (QAction* item : miChangeLanguage->actions())
        if (item->data().isValid())
            item->setChecked(
                SameText(item->data().toString().toStdString(), Engine.LanguageName()));
}

} // namespace tw
