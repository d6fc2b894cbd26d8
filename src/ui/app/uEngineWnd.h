#pragma once

#include "core/collection/uCollectionFile.h"
#include "core/collection/uMsnHeadManager.h"
#include "ui/app/uEngineServices.h"
#include "ui/editors/uEditorWindows.h"
#include "ui/app/uUpdateCheckUi.h"

#include <memory>

// The hidden engine window: created before the main window and destroyed after it, never
// shown and never the main window. It hosts the services that all windows share.
namespace tw {

class TfrmEngineWnd : public TEngineServices {
    Q_OBJECT
public:
    // Runs FormCreate.
    explicit TfrmEngineWnd(QWidget* parent = nullptr);
    // Runs FormDestroy.
    ~TfrmEngineWnd() override;

    // The collection manager, and the collection file that loads and saves its collection
    // with the progress window.
    std::unique_ptr<TMsnHeadManager> HeadManager;
    std::unique_ptr<TCollectionFile> CollectionFile;
    // The display picture editor and the animation guide that the manager runs.
    std::unique_ptr<TEditorWindows> EditorWindows;

    // The update check and the program's web pages.
    void CheckForUpdate(bool manual) { UpdateCheck->CheckForUpdate(manual); }
    void StartupUpdateCheck() { UpdateCheck->StartupUpdateCheck(); }
    void OpenURL(const std::string& url) { UpdateCheck->OpenURL(url); }
    void OpenNamedPage(const std::string& pageName) { UpdateCheck->OpenNamedPage(pageName); }
    std::unique_ptr<TUpdateCheckUi> UpdateCheck;

private:
    // Chooses the settings scope and selects the data folder, loads the language and creates
    // the collection manager.
    void FormCreate();
    void FormDestroy();
    // The plain box telling the user that settings stay with the current user only.
    void ShowCurrentUserOnlyNotice();
};

// The one engine window while it exists, else null.
extern TfrmEngineWnd* frmEngineWnd;

} // namespace tw
