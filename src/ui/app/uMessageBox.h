#pragma once

#include "core/app/uLanguage.h"

#include <QDialog>
#include <QString>
#include <functional>

class QCheckBox;
class QLabel;

// The program's message box: caption, icon by type, text, buttons, and optionally the
// "Don't display this message again" check box.
namespace tw {

// Results of a message box, as the pressed button.
inline constexpr int mrNone = 0;
inline constexpr int mrOK = 1;
inline constexpr int mrCancel = 2;
inline constexpr int mrYes = 6;
inline constexpr int mrNo = 7;

// Buttons of a message box; combine with "|".
enum class TMsgDlgBtn : unsigned { OK = 1, Cancel = 2, Yes = 4, No = 8 };
constexpr TMsgDlgBtn operator|(TMsgDlgBtn a, TMsgDlgBtn b) {
    return static_cast<TMsgDlgBtn>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
constexpr bool HasButton(TMsgDlgBtn set, TMsgDlgBtn button) {
    return (static_cast<unsigned>(set) & static_cast<unsigned>(button)) != 0;
}

enum class TMsgDlgType { Warning = 0, Error = 1, Information = 2, Confirmation = 3 };

// What a message box asks.
struct TMessageBoxRequest {
    QString Caption;
    QString Text;
    TMsgDlgBtn Buttons = TMsgDlgBtn::OK;
    TMsgDlgType Type = TMsgDlgType::Information;
    bool ShowAgainBox = false;
};

// How it was answered: the result and whether "don't display again" was ticked.
struct TMessageBoxAnswer {
    int Result = mrNone;
    bool DontShowAgain = false;
};

// Answers message boxes in place of a person (tests, headless runs).
using TMessageBoxAnswerer = std::function<TMessageBoxAnswer(const TMessageBoxRequest&)>;

// The result of the button that Escape or closing the box means: Cancel, else No, else OK.
int EscapeResult(TMsgDlgBtn buttons);

class TfrmMessageBox : public QDialog {
    Q_OBJECT
public:
    // `strings` are the skin's interface strings ("MSG_BTN_OK", "MSG_CAP_SHOWFLAG", ...).
    TfrmMessageBox(const TMessageBoxRequest& request, const TNameValues& strings,
                   QWidget* parent = nullptr);

    // Shows the box modally and reports the pressed button and the check box.
    TMessageBoxAnswer Execute();

    QLabel* lbText = nullptr;
    QCheckBox* cbShowFlag = nullptr;

private:
    int Escape;
};

} // namespace tw
