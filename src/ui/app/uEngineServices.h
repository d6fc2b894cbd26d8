#pragma once

#include "core/app/uLanguage.h"
#include "ui/app/uImageList.h"
#include "ui/app/uMessageBox.h"
#include "ui/app/uPrograss.h"

#include <QList>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

namespace tw {

// Window message that asks the engine window to restart the program (wParam 1 = all users).
inline constexpr unsigned WM_RESTARTAPP = 2028;

// Starts a program (path, then arguments) without waiting; false when it could not start.
using TProgramLauncher = std::function<bool(const std::vector<std::string>& argv)>;

// The services every window shares, hosted by the hidden engine window: language data and
// the translation of windows, skins, message boxes, the progress window, the log-on entry,
// the restart of the program and the shared image lists.
class TEngineServices : public QWidget {
    Q_OBJECT
public:
    explicit TEngineServices(QWidget* parent = nullptr);
    ~TEngineServices() override;

    // --- Languages ---

    // The message of `key` in the current language, "<BR>" and "<SP>" decoded; the key
    // itself when no language data has it.
    std::string Translate(const std::string& key) const;
    // Sets `list`'s value for every name of `section`, from the default then the current data.
    void LoadLanguageSection(const std::string& section, TNameValues& list) const;
    // Loads langs/NAME.lan when it exists (keeping the current data otherwise), re-translates
    // every window, announces the change and stores the name as setting "Language".
    void SetLanguage(const std::string& name);
    // The languages beside the program: base names and menu captions. Returns the count.
    int ListLanguages(std::vector<std::string>& names, std::vector<std::string>& captions) const;
    const std::string& LanguageName() const { return Languages.LanguageName(); }
    // The current language data, for windows that read their own entries.
    const TLanguageData& CurrentLanguage() const { return Languages.Current(); }

    // Translates `window` now and again at every language change, until it is destroyed.
    // Every window calls this once its components exist.
    void AddTranslatedWindow(QWidget* window);
    // Translates `window` once from the current language data.
    void TranslateWindow(QWidget* window) const;

    // --- Skins ---

    // Loads skins/NAME.skn beside the program when it exists, else the built-in skin, which
    // "Default" always means ("&Default" too); stores the loaded name as setting "Skin". A
    // skin names the pictures beside it as url(%skinpath%picture.png).
    void SetSkin(const std::string& name);
    // The loaded skin file's name; empty while the built-in skin is in use.
    std::string GetSkinName() const { return SkinName; }
    // The skins beside the program, without "Default".
    std::vector<std::string> ListSkins() const;
    // The skin's interface strings in the current language ("MSG_BTN_YES", ...).
    const TNameValues& SkinStrings() const { return SkinResStrings; }

    // --- Message boxes and progress ---

    // Shows a message box (text or key translated, %1..%9 filled from `args`) with the main
    // window's caption and returns the pressed button (mrOK, mrCancel, mrYes, mrNo). With a
    // `showAgainId`, the box offers "don't display again"; once ticked, later calls return
    // `presetResult` (or the remembered answer) without showing anything. Returns 0 and
    // shows nothing while the main window does not exist.
    int ShowMessageBox(const std::string& textOrKey, const std::vector<std::string>& args,
                       int presetResult, TMsgDlgBtn buttons, TMsgDlgType dlgType, int showAgainId);
    // An error box for message "ERRORMSG_<code>" with `detail` as %1; `detail` alone when
    // the language has no such message.
    void ShowErrorMessage(int code, const std::string& detail);
    // A plain information box with an OK button, owned by this window: the one notice shown
    // before the main window exists. An answerer sees it like any box; without a display it
    // is skipped.
    void ShowPlainMessageBox(const std::string& caption, const std::string& text);
    // Replaces the person who answers message boxes; an empty function restores the box.
    // Without either, a run without a display answers every box with its Escape button.
    void SetMessageBoxAnswerer(TMessageBoxAnswerer answerer);

    // Shows the progress window at `value` of `min`..`max`; at or past `max` it closes.
    void ShowProgress(int min, int max, const std::string& caption, int value);
    void ShowLoadingProgress(int position, int total);
    void ShowSavingProgress(int position, int total);
    // The progress window while it is open, else null.
    TfrmProgress* ProgressWindow() const { return frmProgress; }

    // --- Log-on entry, scope and restart ---

    // Creates or removes the log-on entry named after "strAppName" that starts this program.
    // A failure is reported in a message box and returns false.
    bool SetAutoRun(bool flag);
    // Selects the data folder of the given scope for this run.
    void ApplyAllUsers(bool flag);
    bool AllUsers() const { return AllUsersScope; }
    // Restart request (window message 2028): stores the scope (wParam 1 = all users), starts
    // the program again with "-r" and closes the main window.
    void WMRestart(int wParam);
    // Queues WMRestart, so that the caller (a modal dialog) has closed before it runs.
    void PostRestart(bool allUsers);
    // Replaces how the program is started again; an empty function restores the default.
    void SetProgramLauncher(TProgramLauncher launcher);

    // The main window ("frmMainForm") while it exists, else null.
    QWidget* MainWindow() const;

    // --- Shared pictures ---

    TImageList liIconsPng{QSize(20, 20)};
    TImageList imgState{QSize(24, 24)};
    TImageList pngMSNFrame{QSize(126, 126)};
    TImageList ImageList1{QSize(16, 16)};
    TImageList ImageList2{QSize(16, 16)};

signals:
    // Every translated window has received the new language.
    void LanguageChanged();

private:
    void smLanguageChangeLanguage();
    TMessageBoxAnswer AskUser(const TMessageBoxRequest& request);

    TLanguages Languages;
    TNameValues SkinResStrings;
    std::string SkinName;
    bool AllUsersScope = false;
    QList<QPointer<QWidget>> TranslatedWindows;
    QPointer<TfrmProgress> frmProgress;
    TMessageBoxAnswerer Answerer;
    TProgramLauncher Launcher;
};

// The built-in English language data.
TLanguageData BuiltinLanguage();

} // namespace tw
