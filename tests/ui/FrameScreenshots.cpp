// Takes pictures of the tray menu, the system menu and the options dialog for the
// documentation:
//     tilewick_frame_screenshots OUTPUT_FOLDER
// Runs on the offscreen platform with the shipped resources as program folder and a
// temporary data folder.
#include "ScreenshotSession.h"
#include "core/app/uSettings.h"
#include "core/collection/uMsnHeadManager.h"
#include "platform/SystemInfo.h"
#include "ui/app/uEngineServices.h"
#include "ui/app/uOptionsForm.h"
#include "ui/app/uUpdateCheckUi.h"
#include "ui/main/uSystemMenu.h"
#include "ui/main/uTrayIcon.h"

#include <QApplication>
#include <QDir>
#include <QMainWindow>
#include <QMenu>
#include <QPainter>
#include <cstdio>
#include <memory>

namespace {

// `widget` on a light ground with a margin.
QImage Framed(QWidget& widget) {
    widget.adjustSize();
    widget.show();
    const QPixmap shot = widget.grab();
    widget.hide();
    QImage picture(shot.width() + 16, shot.height() + 16, QImage::Format_RGB32);
    picture.fill(QColor(0xd8, 0xdc, 0xe2));
    QPainter(&picture).drawPixmap(8, 8, shot);
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
    engine.SetSkin("Default");
    tw::TMsnHeadManager manager(tw::Settings().DataFolder());
    manager.SetFileName(tw::Settings().DataFolder() + "default.vkt");
    tw::TUpdateCheckUi updates(
        engine, tw::TUpdateCheck(tw::Settings(), tw::Settings().ProgramFolder(), {}, tw::LocalNow));
    QMainWindow form;
    form.setObjectName(QStringLiteral("frmMainForm"));
    tw::TTrayIcon tray(form, manager, [] { return true; });
    tw::TSystemMenu system(form, engine, updates, [] {});
    emit tray.pmTrayIcon->aboutToShow();
    tw::TfrmOptionForm options(engine, &form);

    const struct {
        QWidget* widget;
        const char* file;
    } shots[] = {
        {tray.pmTrayIcon, "tray-menu.png"},
        {system.pmSystem, "system-menu.png"},
        {&options, "options-dialog.png"},
    };
    for (const auto& shot : shots) {
        const QString file = output.filePath(QString::fromLatin1(shot.file));
        if (!Framed(*shot.widget).save(file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
