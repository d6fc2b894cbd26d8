#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace tw {

// A file dialog as the window's component (OPD, OD, SD): its title, filter and default
// extension, which language files set by name. Showing it goes through IFileDialogs.
class TFileDialog : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Title MEMBER Title)
    Q_PROPERTY(QString Filter MEMBER Filter)
    Q_PROPERTY(QString DefaultExt MEMBER DefaultExt)
public:
    TFileDialog(const QString& name, QObject* parent);

    QString Title;
    // "Description|*.a;*.b|Description|*.c".
    QString Filter;
    QString DefaultExt;
};

// What the main window asks a person for: files to open, a file to save to, a folder. Each
// returns nothing (an empty list or text) when the person cancels. Tests answer in place of
// a person.
class IFileDialogs {
public:
    virtual ~IFileDialogs() = default;
    virtual QStringList OpenFiles(const TFileDialog& dialog, bool several) = 0;
    virtual QString SaveFile(const TFileDialog& dialog) = 0;
    virtual QString BrowseForFolder(const QString& title) = 0;
};

// The filter "Description|*.a;*.b|..." in the form Qt's dialogs take.
QString QtFilter(const QString& filter);

// Every picture format the decoders read, in the dialogs' own form: "All images" with all
// extensions first, then one entry per format, sorted by description.
QString PictureFilter();

// `path` with `.ext` appended when it has no extension of its own.
QString WithDefaultExtension(const QString& path, const QString& ext);

// The file dialogs of the desktop.
class TQtFileDialogs final : public IFileDialogs {
public:
    explicit TQtFileDialogs(QWidget* parent) : Parent(parent) {}
    QStringList OpenFiles(const TFileDialog& dialog, bool several) override;
    QString SaveFile(const TFileDialog& dialog) override;
    QString BrowseForFolder(const QString& title) override;

private:
    QWidget* Parent;
};

} // namespace tw
