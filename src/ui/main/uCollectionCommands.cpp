#include "ui/main/uCollectionCommands.h"

#include "core/app/uSettings.h"
#include "core/app/uUtils.h"
#include "core/collection/uCollectionFile.h"
#include "core/collection/uMsnHeadManager.h"
#include "core/image/PictureError.h"
#include "ui/app/uEngineServices.h"
#include "ui/main/uFileDialogs.h"
#include "ui/main/uPictureAdder.h"
#include "ui/main/uPictureList.h"

#include <QFileInfo>
#include <system_error>

namespace tw {

namespace fs = std::filesystem;

namespace {

constexpr int kClearAllShowAgainId = 26;
constexpr const char* kDefaultCollection = "default.vkt";

fs::path ToPath(const QString& text) {
    return fs::path(text.toStdString());
}

bool IsCollectionFile(const QString& path) {
    return QFileInfo(path).suffix().compare(QStringLiteral("vkt"), Qt::CaseInsensitive) == 0;
}

// Moves a damaged file aside under a name of its own, so that nothing the user had is lost
// when a fresh file takes its place.
void KeepAside(const fs::path& path) {
    std::error_code error;
    fs::path aside;
    for (int n = 1; aside.empty() || fs::exists(aside, error); ++n)
        aside = fs::path(path.string() + ".damaged" + (n > 1 ? std::to_string(n) : ""));
    fs::rename(path, aside, error);
}

} // namespace

TCollectionCommands::TCollectionCommands(const Parts& parts, QObject* parent)
    : QObject(parent), P(parts) {}

void TCollectionCommands::ShowError(const std::string& text) {
    P.Engine.ShowMessageBox(text, {}, mrNone, TMsgDlgBtn::OK, TMsgDlgType::Error, 0);
}

bool TCollectionCommands::TryLoad(const fs::path& path) {
    try {
        return P.File.LoadFromFile(path);
    } catch (const CollectionFileError&) {
        return false;
    }
}

bool TCollectionCommands::SaveTo(const fs::path& path, bool makeCurrent) {
    try {
        P.File.SaveToFile(path, makeCurrent);
        return true;
    } catch (const CollectionFileError& error) {
        // The earlier file is whole; the user must know that this one was not written.
        ShowError(error.what());
        return false;
    }
}

void TCollectionCommands::OpenStartCollection() {
    const fs::path defaultPath = fs::path(Settings().DataFolder()) / kDefaultCollection;
    std::error_code error;
    fs::path path = Settings().ReadString("RecentFile", "");
    if (path.empty() || !fs::is_regular_file(path, error))
        path = defaultPath;
    if (!fs::exists(defaultPath, error)) {
        // A remembered file that loads needs no default.
        if (path != defaultPath && TryLoad(path))
            return;
        fs::create_directories(defaultPath.parent_path(), error);
        const fs::path shipped = fs::path(Settings().ProgramFolder()) / kDefaultCollection;
        if (!fs::is_regular_file(shipped, error) || !fs::copy_file(shipped, defaultPath, error))
            SaveTo(defaultPath, true);
        path = defaultPath;
    }
    if (TryLoad(path))
        return;
    // The remembered file does not load: the default one opens instead. Only a default that
    // does not load either is replaced, and it is kept aside first.
    if (path != defaultPath && TryLoad(defaultPath))
        return;
    KeepAside(defaultPath);
    SaveTo(defaultPath, true);
    TryLoad(defaultPath);
}

void TCollectionCommands::acAddImageExecute() {
    if (Busy)
        return;
    const QStringList files = P.Dialogs.OpenFiles(P.OPD, true);
    if (files.size() == 1) {
        try {
            if (P.Manager.AddPictureFile(ToPath(files.front()), true) >= 0) {
                P.List.AppendRow();
                P.List.update();
            }
        } catch (const PictureError& error) {
            ShowError(error.what());
        }
        return;
    }
    std::vector<fs::path> paths;
    for (const QString& file : files)
        paths.push_back(ToPath(file));
    AddFilesUnattended(paths);
}

int TCollectionCommands::AddFilesUnattended(const std::vector<fs::path>& files) {
    // Nothing else may change the collection meanwhile (the tray menu and other starts still
    // reach the commands), and nothing is added twice.
    Busy = true;
    P.Form.setEnabled(false);
    TPictureAdder adder(P.Manager, P.Engine, [this] { P.List.AppendRow(); });
    const TPictureAdder::Result result = adder.Run(files);
    P.Form.setEnabled(true);
    Busy = false;
    P.List.update();
    return result.Added;
}

void TCollectionCommands::acAddFolderExecute() {
    if (Busy)
        return;
    const QString folder = P.Dialogs.BrowseForFolder(QStringLiteral("Add Images"));
    if (folder.isEmpty())
        return;
    std::vector<std::string> found;
    for (const char* pattern : {"*.jpg", "*.bmp", "*.png", "*.gif"})
        FindFilesRecursive(folder.toStdString(), pattern, found, true);
    AddFilesUnattended(std::vector<fs::path>(found.begin(), found.end()));
}

void TCollectionCommands::acAniCreatorExecute() {
    if (Busy)
        return;
    const int rowsBefore = P.List.RowCount();
    const int headsBefore = P.Manager.HeadCount();
    const int added = P.Manager.RunAnimationGuide();
    if (added < 1)
        return;
    // Keyframe rows of an earlier cancelled guide are gone with their entries: rows anew.
    if (rowsBefore != headsBefore) {
        P.List.Rebuild();
        return;
    }
    for (int k = 0; k < added; ++k)
        P.List.AppendRow();
}

void TCollectionCommands::acEditExecute() {
    if (Busy)
        return;
    const int i = P.List.SelectedRow();
    THeadRec head;
    if (i < 0 || !P.Manager.GetHead(i, head) || head.Kind != THeadKind::hkOrdinary)
        return;
    try {
        if (P.Manager.EditHead(i, true)) {
            P.List.SetRowImage(i, i * P.Manager.ImagesPerEntry() + P.Manager.GetBadgeOffset(i));
            P.List.DrawPreview(i);
        }
    } catch (const std::exception& error) {
        ShowError(error.what());
    }
}

void TCollectionCommands::acDeleteExecute() {
    if (Busy)
        return;
    const int i = P.List.SelectedRow();
    if (i < 0)
        return;
    P.Manager.DeleteHead(i);
    P.List.Rebuild();
}

void TCollectionCommands::acClearAllExecute() {
    if (Busy)
        return;
    if (P.Engine.ShowMessageBox("MSGBOX_ClearAll", {}, mrNone, TMsgDlgBtn::Yes | TMsgDlgBtn::No,
                                TMsgDlgType::Information, kClearAllShowAgainId) != mrYes)
        return;
    P.Manager.ClearAll();
    P.List.Rebuild();
}

void TCollectionCommands::acNewExecute() {
    if (Busy)
        return;
    P.SD.Title = QStringLiteral("New");
    const QString path = P.Dialogs.SaveFile(P.SD);
    if (path.isEmpty())
        return;
    P.Manager.ClearAll();
    SaveTo(ToPath(path), true);
    P.List.Rebuild();
}

bool TCollectionCommands::LoadCollection(const fs::path& path) {
    if (Busy)
        return false;
    if (!TryLoad(path)) {
        P.Engine.ShowMessageBox(
            "Cannot open the file. Maybe the file you specified is not a VKT file.", {}, mrNone,
            TMsgDlgBtn::OK, TMsgDlgType::Information, 0);
        return false;
    }
    P.List.Rebuild();
    Settings().WriteString("RecentFile", path.string());
    return true;
}

void TCollectionCommands::acLoadExecute() {
    if (Busy)
        return;
    const QStringList files = P.Dialogs.OpenFiles(P.OD, false);
    if (!files.isEmpty())
        LoadCollection(ToPath(files.front()));
}

bool TCollectionCommands::acSaveExecute() {
    if (Busy)
        return false;
    if (!P.Manager.FileName().empty())
        return SaveTo(P.Manager.FileName(), true);
    P.SD.Title = QStringLiteral("Save");
    const QString path = P.Dialogs.SaveFile(P.SD);
    return path.isEmpty() || SaveTo(ToPath(path), true);
}

void TCollectionCommands::acSaveAsExecute() {
    if (Busy)
        return;
    P.SD.Title = QStringLiteral("Save as");
    if (const QString path = P.Dialogs.SaveFile(P.SD); !path.isEmpty())
        SaveTo(ToPath(path), false);
}

void TCollectionCommands::FilesDropped(const QStringList& files) {
    if (Busy)
        return;
    for (const QString& file : files) {
        if (IsCollectionFile(file)) {
            LoadCollection(ToPath(file));
            return;
        }
    }
    std::vector<fs::path> paths;
    for (const QString& file : files)
        paths.push_back(ToPath(file));
    AddFilesUnattended(paths);
}

} // namespace tw
