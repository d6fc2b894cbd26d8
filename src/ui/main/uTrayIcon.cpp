#include "ui/main/uTrayIcon.h"

#include "core/app/uSettings.h"
#include "core/collection/uMsnHeadManager.h"
#include "ui/app/WindowUtils.h"

#include <QAction>
#include <QEvent>
#include <QMainWindow>
#include <QMenu>
#include <QStyle>
#include <QSystemTrayIcon>

namespace tw {
namespace {

QAction* AddItem(QMenu* menu, const char* name) {
    QAction* item = menu->addAction(QString());
    item->setObjectName(QLatin1String(name));
    return item;
}

// An item that runs the window's action of that name, whichever part of the window made it.
QAction* AddCommand(QMenu* menu, const char* name, QMainWindow& form, const char* action) {
    QAction* item = AddItem(menu, name);
    QObject::connect(item, &QAction::triggered, &form, [&form, action] {
        if (auto* command = form.findChild<QAction*>(QLatin1String(action)))
            command->trigger();
    });
    return item;
}

// The window's icon; the program's logo while the window has none, since an icon without a
// picture would not show at all.
QIcon TrayPicture(const QWidget& form) {
    QIcon icon = form.windowIcon();
    if (icon.isNull())
        icon = QIcon(QString::fromStdString(Settings().ProgramFolder() + "res/images/logo.png"));
    if (icon.isNull())
        icon = form.style()->standardIcon(QStyle::SP_DesktopIcon);
    return icon;
}

} // namespace

TTrayIcon::TTrayIcon(QMainWindow& form, const TMsnHeadManager& manager,
                     std::function<bool()> saveCollection)
    : QObject(&form), Form(form), Manager(manager), SaveCollection(std::move(saveCollection)) {
    // The menu belongs to the window, so that the window's translation reaches its items.
    pmTrayIcon = new QMenu(&form);
    pmTrayIcon->setObjectName(QStringLiteral("pmTrayIcon"));
    miOpen = AddItem(pmTrayIcon, "miOpen");
    // The slideshow answers these two itself.
    miSwitch = AddItem(pmTrayIcon, "miSwitch");
    miRandom = AddItem(pmTrayIcon, "miRandom");
    miAddImage = AddCommand(pmTrayIcon, "miAddImage", form, "acAddImage");
    miAddOnline = AddCommand(pmTrayIcon, "miAddOnline", form, "acAddImageOnline");
    miAddSlide = AddCommand(pmTrayIcon, "miAddSlide", form, "acAniCreator");
    pmTrayIcon->addSeparator();
    HomePage2 = AddCommand(pmTrayIcon, "HomePage2", form, "acHome");
    pmTrayIcon->addSeparator();
    About2 = AddCommand(pmTrayIcon, "About2", form, "acAbout");
    miExit = AddItem(pmTrayIcon, "miExit");
    connect(miOpen, &QAction::triggered, this, &TTrayIcon::acOpenOrbelleExecute);
    if (auto* command = form.findChild<QAction*>(QStringLiteral("acOpenOrbelle")))
        connect(command, &QAction::triggered, this, &TTrayIcon::acOpenOrbelleExecute);
    connect(miExit, &QAction::triggered, this, &TTrayIcon::acExitExecute);
    connect(pmTrayIcon, &QMenu::aboutToShow, this, &TTrayIcon::pmTrayIconPopup);

    spTrayIcon = new QSystemTrayIcon(this);
    spTrayIcon->setObjectName(QStringLiteral("spTrayIcon"));
    spTrayIcon->setIcon(TrayPicture(form));
    spTrayIcon->setToolTip(form.windowTitle());
    spTrayIcon->setContextMenu(pmTrayIcon);
    connect(&form, &QWidget::windowIconChanged, spTrayIcon,
            [this] { spTrayIcon->setIcon(TrayPicture(Form)); });
    connect(&form, &QWidget::windowTitleChanged, spTrayIcon, &QSystemTrayIcon::setToolTip);
    connect(spTrayIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                    acOpenOrbelleExecute();
            });
    spTrayIcon->show();
    form.installEventFilter(this);
}

void TTrayIcon::acOpenOrbelleExecute() {
    ForceForegroundWindow(&Form);
}

void TTrayIcon::acExitExecute() {
    // The save has told the user why it failed; ending now would lose the collection.
    if (!SaveCollection())
        return;
    CloseWithoutSaving();
}

void TTrayIcon::CloseWithoutSaving() {
    Form.close();
}

void TTrayIcon::pmTrayIconPopup() {
    // "&Open..." and "&Exit" stay usable: without them a hidden window could be neither
    // brought back nor ended.
    const bool hasFile = !Manager.FileName().empty();
    for (QAction* item : {miSwitch, miAddImage, miAddOnline, miAddSlide})
        item->setEnabled(hasFile);
}

bool TTrayIcon::eventFilter(QObject* watched, QEvent* event) {
    // Only the user closes a window spontaneously, through its close button; the program's
    // own closes (Exit, another instance's quit, the restart) end it.
    if (watched == &Form && event->type() == QEvent::Close && event->spontaneous()) {
        // The window system here offers no zoom towards the tray; the window simply goes.
        event->ignore();
        Form.hide();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tw
