#pragma once

#include <QObject>
#include <QStringList>
#include <filesystem>
#include <string>
#include <vector>

class QWidget;

namespace tw {

class IFileDialogs;
class TCollectionFile;
class TEngineServices;
class TFileDialog;
class TMsnHeadManager;
class TPictureList;

// The main window's collection commands: adding pictures (files, a folder, dropped files,
// the animation guide), editing, deleting, clearing, and the collection file (new, load,
// save, save as, and the collection opened at start). Each is a call to the manager followed
// by an update of the list.
class TCollectionCommands : public QObject {
    Q_OBJECT
public:
    struct Parts {
        TMsnHeadManager& Manager;
        TCollectionFile& File;
        TEngineServices& Engine;
        TPictureList& List;
        IFileDialogs& Dialogs;
        TFileDialog& OPD;
        TFileDialog& OD;
        TFileDialog& SD;
        // The window that is kept from new commands while a long add runs.
        QWidget& Form;
    };
    explicit TCollectionCommands(const Parts& parts, QObject* parent = nullptr);

    // The remembered collection, else "default.vkt" in the data folder, made when missing.
    void OpenStartCollection();

    void acAddImageExecute();
    void acAddFolderExecute();
    void acAniCreatorExecute();
    void acEditExecute();
    void acDeleteExecute();
    void acClearAllExecute();
    void acNewExecute();
    void acLoadExecute();
    // True when nothing is lost: saved, or the user declined to choose a file.
    bool acSaveExecute();
    void acSaveAsExecute();
    // Files dropped from another program: a collection file is opened like Load, pictures
    // are added like several chosen files.
    void FilesDropped(const QStringList& files);

    // Adds the files unattended with the progress; the number added. Every command does
    // nothing while this runs.
    int AddFilesUnattended(const std::vector<std::filesystem::path>& files);
    // Opens a collection file; on success the list is rebuilt and it is remembered.
    bool LoadCollection(const std::filesystem::path& path);

private:
    bool TryLoad(const std::filesystem::path& path);
    bool SaveTo(const std::filesystem::path& path, bool makeCurrent);
    void ShowError(const std::string& text);

    Parts P;
    // While a long add runs.
    bool Busy = false;
};

} // namespace tw
