// The display picture editor's window on a 12-megapixel photo, its two kinds of work measured
// apart: the rebuild after a slider step (target under 16 ms) and the paint after a drag step,
// up to the pixels on the window (target under 4 ms). Runs on the offscreen platform.
#include "collection/Corpus.h"
#include "core/app/uSettings.h"
#include "core/image/Codecs.h"
#include "ui/app/uEngineServices.h"
#include "ui/editors/PictureBox.h"
#include "ui/editors/uHeadEditor.h"

#include <QApplication>
#include <QSlider>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

QEvent::Type Request(int message) {
    return static_cast<QEvent::Type>(QEvent::User + message);
}

const tw::Picture& Photo() {
    static const tw::Picture photo = tw::LoadPicture(tw::bench::CorpusFiles("jpg12mp").front());
    return photo;
}

// The window over the photo at `scale` percent (0: the opening fit), its first view made.
struct Editor {
    explicit Editor(int scale) {
        model.SetSourceImage(Photo(), true);
        if (scale > 0)
            model.SetScale(scale);
        window = std::make_unique<tw::TfrmHeadEditor>(model, engine);
        window->show();
        QCoreApplication::sendPostedEvents(window.get());
    }
    tw::TEngineServices engine;
    tw::THeadEditModel model;
    std::unique_ptr<tw::TfrmHeadEditor> window;
};

void BM_SliderRebuild(benchmark::State& state) {
    Editor editor(static_cast<int>(state.range(0)));
    int brightness = 0;
    for (auto _ : state) {
        editor.window->sldBrightness->setValue(++brightness % 100);
        QCoreApplication::sendPostedEvents(editor.window.get(), Request(tw::WM_EDITOR_REBUILD));
        state.PauseTiming();
        QCoreApplication::sendPostedEvents(editor.window.get(), Request(tw::WM_EDITOR_PAINT));
        state.ResumeTiming();
    }
    state.counters["scale"] = editor.model.GetScale();
}
BENCHMARK(BM_SliderRebuild)->Arg(0)->Arg(100)->Arg(800)->Unit(benchmark::kMillisecond);

void BM_DragPaint(benchmark::State& state) {
    Editor editor(static_cast<int>(state.range(0)));
    editor.model.MouseDown(tw::MouseButton::Left, {0, 0});
    int step = 0;
    for (auto _ : state) {
        editor.model.MouseMove({(++step % 40) - 20, step % 7});
        QCoreApplication::sendPostedEvents(editor.window.get(), Request(tw::WM_EDITOR_PAINT));
        // Onto the window now, as the display would show it.
        editor.window->imgEditSimple->repaint();
        editor.window->imgPreview->repaint();
    }
}
BENCHMARK(BM_DragPaint)->Arg(0)->Arg(100)->Arg(800)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir data;
    qputenv("XDG_CONFIG_HOME", data.path().toLocal8Bit());
    tw::ReplaceSettings(std::make_unique<tw::TSettings>(TILEWICK_RESOURCES));
    tw::Settings().SelectDataFolder(false);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
