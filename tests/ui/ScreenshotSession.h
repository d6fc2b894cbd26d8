#pragma once

#include "core/app/uSettings.h"

#include <QTemporaryDir>
#include <QtGlobal>
#include <memory>

// What every picture-taking program shares: it draws offscreen unless told otherwise, and runs
// as a first start would, with the source tree's resources and a temporary data folder.
namespace tw::screenshots {

// Call before the application object is made.
inline void PreferOffscreenPlatform() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

class ScratchSettings {
public:
    // `selectDataFolder` false leaves the choice to an engine window, as a real start does.
    explicit ScratchSettings(bool selectDataFolder = true) {
        qputenv("XDG_CONFIG_HOME", data_.filePath(QStringLiteral("config")).toLocal8Bit());
        qputenv("TILEWICK_COMMON_APPDATA", data_.filePath(QStringLiteral("common")).toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", data_.path().toLocal8Bit());
        ReplaceSettings(std::make_unique<TSettings>(TILEWICK_SOURCE_DIR "/resources/"));
        if (selectDataFolder)
            Settings().SelectDataFolder(false);
    }

private:
    QTemporaryDir data_;
};

} // namespace tw::screenshots
