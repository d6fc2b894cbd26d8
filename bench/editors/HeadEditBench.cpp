// The display picture editor's rebuild and paint on a 12-megapixel source: what every burst
// of slider, wheel or scale-box input costs. Target: under 16 ms at 20 %.
#include "core/editors/uHeadEdit.h"

#include <benchmark/benchmark.h>
#include <cmath>

namespace {

// Photo-sized, with detail at several scales so the resampler does real work.
tw::Picture TwelveMegapixels() {
    tw::Picture picture(4000, 3000);
    for (int y = 0; y < picture.Height(); ++y) {
        std::uint8_t* p = picture.Row(y);
        for (int x = 0; x < picture.Width(); ++x, p += 3) {
            p[0] = static_cast<std::uint8_t>(128 + 100 * std::sin(x / 13.0));
            p[1] = static_cast<std::uint8_t>((x ^ y) & 0xff);
            p[2] = static_cast<std::uint8_t>(y * 255 / 2999);
        }
    }
    return picture;
}

void BM_RebuildAndPaint(benchmark::State& state) {
    tw::THeadEditModel model;
    model.SetSourceImage(TwelveMegapixels(), true);
    model.SetScale(static_cast<int>(state.range(0)));
    int brightness = 0;
    for (auto _ : state) {
        // A slider step, as the user makes it: the rebuild then the paint.
        model.SetBrightness(++brightness % 50);
        model.ProcessRebuildRequest();
        model.ProcessPaintRequest();
        benchmark::DoNotOptimize(model.Preview().Data());
    }
    state.counters["display_px"] = static_cast<double>(model.ImageWidth()) * model.ImageHeight();
}
BENCHMARK(BM_RebuildAndPaint)->Arg(20)->Arg(100)->Arg(800)->Unit(benchmark::kMillisecond);

// Opening the editor on a decoded photo: the reductions are made, then the first view.
void BM_OpenAndRender(benchmark::State& state) {
    const tw::Picture source = TwelveMegapixels();
    for (auto _ : state) {
        tw::THeadEditModel model;
        model.SetSourceImage(source, true);
        model.RenderNow();
        benchmark::DoNotOptimize(model.Preview().Data());
    }
}
BENCHMARK(BM_OpenAndRender)->Unit(benchmark::kMillisecond);

void BM_DragPaint(benchmark::State& state) {
    tw::THeadEditModel model;
    model.SetSourceImage(TwelveMegapixels(), true);
    model.SetScale(static_cast<int>(state.range(0)));
    model.RenderNow();
    model.MouseDown(tw::MouseButton::Left, {0, 0});
    int step = 0;
    for (auto _ : state) {
        model.MouseMove({(++step % 40) - 20, 0});
        model.ProcessPaintRequest();
        benchmark::DoNotOptimize(model.Surface().Data());
    }
}
BENCHMARK(BM_DragPaint)->Arg(20)->Arg(800)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
