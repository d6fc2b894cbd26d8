#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QWidget;

namespace tw {

class TEngineServices;

// The options dialog: start at log-on, the automatic update check, the settings scope (all
// users or the current user, which restarts the program) and forgetting every answer given
// through "Don't display this message again". Shown modally by the main window.
class TfrmOptionForm : public QDialog {
    Q_OBJECT
public:
    explicit TfrmOptionForm(TEngineServices& engine, QWidget* parent = nullptr);

    // Entries of cbAllUsers.
    static constexpr int AllUsersEntry = 0;
    static constexpr int CurrentUserEntry = 1;

    QTabWidget* pcSetting = nullptr;
    QWidget* tsGeneral = nullptr;
    QCheckBox* cbAutoRun = nullptr;
    QCheckBox* cbAutoUpdate = nullptr;
    QLabel* lbSettingfor = nullptr;
    QComboBox* cbAllUsers = nullptr;
    QPushButton* btnClearShowAgainFlag = nullptr;
    QWidget* pnButtons = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    void FormCreate();
    void LoadOptions();
    // Stores the check boxes; false, with the dialog left open, when the log-on entry could
    // not be changed.
    bool SaveOptions();
    void btnOkClick();
    void btnClearShowAgainFlagClick();
    void cbAllUsersChange(int index);
    // Selects the entry of the scope this run uses, without counting it as a choice.
    void ShowRunningScope();

    TEngineServices& Engine;
    // Set while the controls are filled by the program rather than by the user.
    bool Loading = false;
};

} // namespace tw
