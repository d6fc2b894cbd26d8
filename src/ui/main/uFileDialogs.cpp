#include "ui/main/uFileDialogs.h"

#include "core/image/Codecs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <algorithm>

namespace tw {

TFileDialog::TFileDialog(const QString& name, QObject* parent) : QObject(parent) {
    setObjectName(name);
}

QString QtFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = parts[i + 1].split(QLatin1Char(';')).join(QLatin1Char(' '));
        entries << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}

QString PictureFilter() {
    const auto patterns = [](const std::vector<std::string>& extensions) {
        QStringList list;
        for (const std::string& extension : extensions)
            list << QStringLiteral("*.") + QString::fromStdString(extension);
        return list.join(QLatin1Char(';'));
    };
    const std::vector<PictureFormat> formats = ReadablePictureFormats();
    std::vector<std::string> all;
    for (const PictureFormat& format : formats)
        all.insert(all.end(), format.extensions.begin(), format.extensions.end());
    std::ranges::sort(all);
    QString filter = QStringLiteral("All images|") + patterns(all);
    for (const PictureFormat& format : formats)
        filter += QLatin1Char('|') + QString::fromStdString(format.description) + QLatin1Char('|') +
                  patterns(format.extensions);
    return filter;
}

QString WithDefaultExtension(const QString& path, const QString& ext) {
    if (path.isEmpty() || ext.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    return path + QLatin1Char('.') + ext;
}

QStringList TQtFileDialogs::OpenFiles(const TFileDialog& dialog, bool several) {
    const QString filter = QtFilter(dialog.Filter);
    if (several)
        return QFileDialog::getOpenFileNames(Parent, dialog.Title, {}, filter);
    const QString file = QFileDialog::getOpenFileName(Parent, dialog.Title, {}, filter);
    return file.isEmpty() ? QStringList() : QStringList{file};
}

QString TQtFileDialogs::SaveFile(const TFileDialog& dialog) {
    return WithDefaultExtension(
        QFileDialog::getSaveFileName(Parent, dialog.Title, {}, QtFilter(dialog.Filter)),
        dialog.DefaultExt);
}

QString TQtFileDialogs::BrowseForFolder(const QString& title) {
    return QFileDialog::getExistingDirectory(Parent, title);
}

} // namespace tw
