// Peak memory of adding 200 photos of 12 megapixels unattended (the 20 corpus files, ten times
// each) to one collection. Target: VmHWM under 300 MB. Run alone: the figure is the process's.
#include "Corpus.h"
#include "core/collection/uMsnHeadManager.h"

#include <benchmark/benchmark.h>

namespace {

namespace fs = std::filesystem;

void BM_Add200TwelveMegapixelPhotos(benchmark::State& state) {
    const auto files = tw::bench::CorpusFiles("jpg12mp");
    const fs::path data = fs::temp_directory_path() / "tilewick-bench-memory";
    const double before = tw::bench::PeakResidentMegabytes();
    int added = 0;
    for (auto _ : state) {
        tw::TMsnHeadManager manager(data);
        manager.SetStateIcons(tw::LoadStateIcons(fs::path(TILEWICK_RESOURCES) / "images"));
        for (int round = 0; round < 10; ++round) {
            for (const auto& file : files) {
                added += manager.AddPictureFile(file, false) >= 0 ? 1 : 0;
            }
        }
    }
    state.counters["photos"] = added;
    state.counters["VmHWM_before_MB"] = before;
    state.counters["VmHWM_MB"] = tw::bench::PeakResidentMegabytes();
    fs::remove_all(data);
}
BENCHMARK(BM_Add200TwelveMegapixelPhotos)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
