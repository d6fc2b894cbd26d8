// Takes a picture of the main window with a dozen pictures in its list, for the
// documentation:
//     tilewick_mainform_screenshot OUTPUT_FILE
// Runs on the offscreen platform with the shipped resources as program folder and a
// temporary data folder; the pictures are the shipped samples and the test pictures.
#include "ScreenshotSession.h"
#include "core/app/uSettings.h"
#include "ui/app/uEngineWnd.h"
#include "ui/main/uCollectionCommands.h"
#include "ui/main/uMainForm.h"
#include "ui/main/uPictureList.h"

#include <QApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char** argv) {
    tw::screenshots::PreferOffscreenPlatform();
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FILE\n", argv[0]);
        return 2;
    }
    const tw::screenshots::ScratchSettings settings(false);
    tw::TfrmEngineWnd engine;
    engine.SetMessageBoxAnswerer([](const tw::TMessageBoxRequest&) {
        return tw::TMessageBoxAnswer{tw::mrOK, false};
    });
    tw::TfrmMainForm form;
    form.show();

    QStringList pictures;
    for (const char* folder : {TILEWICK_SOURCE_DIR "/resources/res/samples",
                               TILEWICK_SOURCE_DIR "/tests/data/collection"}) {
        const QDir dir(QString::fromLatin1(folder));
        for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
            pictures << dir.filePath(name);
    }
    form.Commands().FilesDropped(pictures);
    form.lvList->setCurrentRow(1);
    QApplication::processEvents();
    if (!form.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("%d rows\n", form.lvList->count());
    return 0;
}
