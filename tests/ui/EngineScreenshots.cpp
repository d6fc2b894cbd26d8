// Takes pictures of the About window and a message box in the built-in skin, in each shipped
// skin and in German, for the documentation:
//     tilewick_ui_screenshots OUTPUT_FOLDER
// Runs on the offscreen platform with the shipped resources as program folder and a
// temporary data folder.
#include "ScreenshotSession.h"
#include "core/app/uSettings.h"
#include "ui/app/uAboutForm.h"
#include "ui/app/uEngineServices.h"
#include "ui/app/uMessageBox.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <cstdio>
#include <memory>
#include <string>

namespace {

// The About window above a message box with its show-again box, on one picture.
QImage Shoot(tw::TEngineServices& engine) {
    tw::TfrmAboutForm about(engine);
    about.adjustSize();
    const tw::TMessageBoxRequest request{
        QString::fromStdString(engine.Translate("strAppName") + "  4.2.0.0"),
        QString::fromStdString(engine.Translate("MSGBOX_ClearAll")),
        tw::TMsgDlgBtn::Yes | tw::TMsgDlgBtn::No, tw::TMsgDlgType::Information, true};
    tw::TfrmMessageBox box(request, engine.SkinStrings());
    box.adjustSize();

    const QPixmap top = about.grab();
    const QPixmap bottom = box.grab();
    QImage picture(qMax(top.width(), bottom.width()) + 16, top.height() + bottom.height() + 24,
                   QImage::Format_RGB32);
    picture.fill(QColor(0xd8, 0xdc, 0xe2));
    QPainter painter(&picture);
    painter.drawPixmap(8, 8, top);
    painter.drawPixmap(8, top.height() + 16, bottom);
    return picture;
}

} // namespace

int main(int argc, char** argv) {
    tw::screenshots::PreferOffscreenPlatform();
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QDir output(QString::fromLocal8Bit(argv[1]));
    const tw::screenshots::ScratchSettings settings;
    tw::TEngineServices engine;

    const struct {
        const char* language;
        const char* skin;
        const char* file;
    } shots[] = {
        {"English", "Default", "engine-default.png"},
        {"English", "Blue", "engine-blue.png"},
        {"English", "Graphite", "engine-graphite.png"},
        {"German", "Default", "engine-german.png"},
    };
    for (const auto& shot : shots) {
        engine.SetLanguage(shot.language);
        engine.SetSkin(shot.skin);
        const QString file = output.filePath(QString::fromLatin1(shot.file));
        if (!Shoot(engine).save(file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
