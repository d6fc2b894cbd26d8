#include "ui/app/uOptionsForm.h"

#include "core/app/uSettings.h"
#include "ui/app/uEngineServices.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tw {
namespace {

constexpr QSize ClientSize(434, 344);
constexpr int ButtonPanelHeight = 39;
constexpr int CheckBoxHeight = 25;
constexpr int CheckBoxPitch = 32;
constexpr int ScopeListWidth = 169;
constexpr QSize ClearButtonSize(149, 25);
constexpr QSize DialogButtonSize(75, 25);

template <typename Widget> Widget* Make(QWidget* parent, const char* name) {
    auto* widget = new Widget(parent);
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

TfrmOptionForm::TfrmOptionForm(TEngineServices& engine, QWidget* parent)
    : QDialog(parent), Engine(engine) {
    setObjectName(QStringLiteral("frmOptionForm"));
    // A plain dialog border: a title, no buttons in it; Escape still cancels.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    pcSetting = Make<QTabWidget>(this, "pcSetting");
    tsGeneral = Make<QWidget>(pcSetting, "tsGeneral");
    pcSetting->addTab(tsGeneral, QString());

    cbAutoRun = Make<QCheckBox>(tsGeneral, "cbAutoRun");
    cbAutoUpdate = Make<QCheckBox>(tsGeneral, "cbAutoUpdate");
    for (QCheckBox* box : {cbAutoRun, cbAutoUpdate})
        box->setFixedHeight(CheckBoxHeight);
    lbSettingfor = Make<QLabel>(tsGeneral, "lbSettingfor");
    cbAllUsers = Make<QComboBox>(tsGeneral, "cbAllUsers");
    cbAllUsers->setEditable(false);
    cbAllUsers->setFixedWidth(ScopeListWidth);
    lbSettingfor->setBuddy(cbAllUsers);
    btnClearShowAgainFlag = Make<QPushButton>(tsGeneral, "btnClearShowAgainFlag");
    // Wider when a font or a translation needs it, so that the text is never cut.
    btnClearShowAgainFlag->setMinimumWidth(ClearButtonSize.width());
    btnClearShowAgainFlag->setFixedHeight(ClearButtonSize.height());
    btnClearShowAgainFlag->setAutoDefault(false);

    auto* page = new QVBoxLayout(tsGeneral);
    page->setContentsMargins(12, 12, 12, 12);
    page->setSpacing(CheckBoxPitch - CheckBoxHeight);
    page->addWidget(cbAutoRun);
    page->addWidget(cbAutoUpdate);
    page->addSpacing(12);
    auto* scope = new QHBoxLayout;
    scope->addWidget(lbSettingfor);
    scope->addSpacing(8);
    scope->addWidget(cbAllUsers);
    scope->addStretch();
    page->addLayout(scope);
    page->addSpacing(12);
    page->addWidget(btnClearShowAgainFlag, 0, Qt::AlignLeft);
    page->addStretch();

    pnButtons = Make<QWidget>(this, "pnButtons");
    pnButtons->setFixedHeight(ButtonPanelHeight);
    btnOk = Make<QPushButton>(pnButtons, "btnOk");
    btnCancel = Make<QPushButton>(pnButtons, "btnCancel");
    for (QPushButton* button : {btnOk, btnCancel})
        button->setFixedSize(DialogButtonSize);
    btnOk->setDefault(true);
    btnCancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout(pnButtons);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addSpacing(8);
    buttons->addWidget(btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 0);
    layout->setSpacing(0);
    layout->addWidget(pcSetting);
    layout->addWidget(pnButtons);
    setFixedSize(ClientSize);

    FormCreate();

    connect(btnOk, &QPushButton::clicked, this, &TfrmOptionForm::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnClearShowAgainFlag, &QPushButton::clicked, this,
            &TfrmOptionForm::btnClearShowAgainFlagClick);
    connect(cbAllUsers, &QComboBox::currentIndexChanged, this, &TfrmOptionForm::cbAllUsersChange);
}

void TfrmOptionForm::FormCreate() {
    Loading = true;
    Engine.AddTranslatedWindow(this); // also fills cbAllUsers' entries
    Loading = false;
    cbAutoUpdate->setHidden(!Settings().ReadConstBool("Update.Enable", false));
    LoadOptions();
    pcSetting->setCurrentIndex(0);
}

void TfrmOptionForm::LoadOptions() {
    Loading = true;
    cbAutoRun->setChecked(Settings().ReadBool("AutoRun", false));
    cbAutoUpdate->setChecked(Settings().ReadBool("AutoCheckUpdate", true));
    Loading = false;
    ShowRunningScope();
}

void TfrmOptionForm::ShowRunningScope() {
    Loading = true;
    cbAllUsers->setCurrentIndex(Engine.AllUsers() ? AllUsersEntry : CurrentUserEntry);
    Loading = false;
}

bool TfrmOptionForm::SaveOptions() {
    const bool autoRun = cbAutoRun->isChecked();
    // The setting follows the log-on entry, so that the two never disagree.
    if (!Engine.SetAutoRun(autoRun))
        return false;
    Settings().WriteBool("AutoRun", autoRun);
    // Written back even while the box is hidden: it then holds the loaded value.
    Settings().WriteBool("AutoCheckUpdate", cbAutoUpdate->isChecked());
    return true;
}

void TfrmOptionForm::btnOkClick() {
    if (SaveOptions())
        accept();
}

void TfrmOptionForm::btnClearShowAgainFlagClick() {
    Settings().ClearShowAgainFlags();
}

void TfrmOptionForm::cbAllUsersChange(int index) {
    if (Loading || index < 0)
        return;
    const bool allUsers = index == AllUsersEntry;
    const int answer =
        Engine.ShowMessageBox(allUsers ? "MSGBOX_SetAllUsers" : "MSGBOX_SetCurrentUser", {}, mrNone,
                              TMsgDlgBtn::OK | TMsgDlgBtn::Cancel, TMsgDlgType::Confirmation, 0);
    if (answer != mrOK) {
        // The list shows the scope in force, not a choice that was called off.
        ShowRunningScope();
        return;
    }
    // The check boxes are not stored: the dialog ends as cancelled, then the program restarts.
    reject();
    Engine.PostRestart(allUsers);
}

} // namespace tw
