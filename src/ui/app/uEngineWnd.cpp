#include "ui/app/uEngineWnd.h"

#include "core/app/uSettings.h"
#include "platform/SystemInfo.h"

#include <QImage>
#include <cstring>

namespace tw {

TfrmEngineWnd* frmEngineWnd = nullptr;

namespace {

// The badge pictures of an image list as the collection manager takes them.
std::vector<Picture> ToPictures(const TImageList& list) {
    std::vector<Picture> pictures;
    for (int i = 0; i < list.Count(); ++i) {
        const QImage image = list.Image(i).toImage().convertToFormat(QImage::Format_RGB888);
        Picture picture(image.width(), image.height());
        for (int y = 0; y < image.height(); ++y)
            std::memcpy(picture.Row(y), image.constScanLine(y), picture.Stride());
        pictures.push_back(std::move(picture));
    }
    return pictures;
}

} // namespace

TfrmEngineWnd::TfrmEngineWnd(QWidget* parent) : TEngineServices(parent) {
    setObjectName(QStringLiteral("frmEngineWnd"));
    frmEngineWnd = this;
    FormCreate();
}

TfrmEngineWnd::~TfrmEngineWnd() {
    FormDestroy();
    frmEngineWnd = nullptr;
}

void TfrmEngineWnd::FormCreate() {
    ChooseDataFolder(Settings(), [this] { ShowCurrentUserOnlyNotice(); });
    ApplyAllUsers(Settings().GetAllUsers());

    const std::string forced = Settings().ReadConstString("Language.Force", "");
    SetLanguage(forced.empty() ? Settings().ReadString("Language", "English") : forced);

    HeadManager = std::make_unique<TMsnHeadManager>(Settings().DataFolder());
    HeadManager->SetStateIcons(ToPictures(imgState));
    EditorWindows = std::make_unique<TEditorWindows>(*this);
    HeadManager->SetHeadEditor(EditorWindows.get());
    HeadManager->SetAnimationGuide(EditorWindows.get());
    CollectionFile = std::make_unique<TCollectionFile>(*HeadManager);
    CollectionFile->OnLoadProgress = [this](int position, int total) {
        ShowLoadingProgress(position, total);
    };
    CollectionFile->OnSaveProgress = [this](int position, int total) {
        ShowSavingProgress(position, total);
    };
    UpdateCheck =
        std::make_unique<TUpdateCheckUi>(*this, TUpdateCheck(Settings(), Settings().ProgramFolder(),
                                                             CurrentSystemFacts(), LocalNow));
}

void TfrmEngineWnd::FormDestroy() {
    UpdateCheck.reset();
    delete ProgressWindow();
    CollectionFile.reset();
    HeadManager.reset();
    EditorWindows.reset();
}

void TfrmEngineWnd::ShowCurrentUserOnlyNotice() {
    ShowPlainMessageBox(Translate("strAppName"), Translate("MSGBOX_HavetoCurrentUser"));
}

} // namespace tw
