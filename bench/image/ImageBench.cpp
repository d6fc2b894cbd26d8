// Decoding and stretching on the photo corpus. The floor for adding a 12-megapixel JPEG is
// libjpeg's own decode at 1/8 DCT scale, measured here beside ours on the same bytes.
// Corpus: $TILEWICK_CORPUS, else /tmp/tilewick-corpus, made on first use.
#include "core/image/Codecs.h"
#include "core/image/Resample.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <jpeglib.h>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

fs::path CorpusFolder() {
    const char* configured = std::getenv("TILEWICK_CORPUS");
    const fs::path folder = configured != nullptr ? configured : "/tmp/tilewick-corpus";
    if (!fs::exists(folder / "MANIFEST.sha256")) {
        const std::string command =
            std::string("'") + TILEWICK_CORPUS_SCRIPT + "' '" + folder.string() + "'";
        if (std::system(command.c_str()) != 0)
            throw std::runtime_error("cannot make the corpus with " + command);
    }
    return folder;
}

// Every file of one corpus set, read once.
const std::vector<Bytes>& CorpusSet(const std::string& set) {
    static std::map<std::string, std::vector<Bytes>> cache;
    auto& files = cache[set];
    if (files.empty()) {
        std::vector<fs::path> paths;
        for (const auto& entry : fs::directory_iterator(CorpusFolder() / set))
            paths.push_back(entry.path());
        std::sort(paths.begin(), paths.end());
        for (const auto& path : paths) {
            std::ifstream in(path, std::ios::binary);
            files.emplace_back(std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>());
        }
    }
    return files;
}

// The reference: libjpeg's plain decode at 1/8 scale, default settings, into one buffer.
std::size_t ReferenceEighthDecode(const Bytes& jpeg, std::vector<std::uint8_t>& pixels) {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&info, TRUE);
    info.scale_num = 1;
    info.scale_denom = 8;
    jpeg_start_decompress(&info);
    const std::size_t stride = static_cast<std::size_t>(info.output_width) * 3;
    pixels.resize(stride * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels.data() + stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return pixels.size();
}

void SetPicturesProcessed(benchmark::State& state) {
    state.counters["pictures/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_ReferenceLibjpegEighth(benchmark::State& state, const std::string& set) {
    const auto& files = CorpusSet(set);
    std::vector<std::uint8_t> pixels;
    std::size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(ReferenceEighthDecode(files[i++ % files.size()], pixels));
    SetPicturesProcessed(state);
}

// `hint` {1, 1}: as small as the decoder can make it cheaply.
void BM_Decode(benchmark::State& state, const std::string& set, tw::DecodeHint hint) {
    const auto& files = CorpusSet(set);
    std::size_t i = 0;
    for (auto _ : state) {
        const tw::Picture picture = tw::DecodePicture(files[i++ % files.size()], "", hint);
        benchmark::DoNotOptimize(picture.Data());
    }
    SetPicturesProcessed(state);
}

BENCHMARK_CAPTURE(BM_ReferenceLibjpegEighth, jpg12mp, "jpg12mp")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Decode, jpg12mp_eighth, "jpg12mp", tw::DecodeHint{1, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Decode, jpg12mp_full, "jpg12mp", tw::DecodeHint{})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReferenceLibjpegEighth, jpg1080, "jpg1080")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Decode, jpg1080_eighth, "jpg1080", tw::DecodeHint{1, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Decode, png768, "png768", tw::DecodeHint{})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Decode, gif480, "gif480", tw::DecodeHint{})->Unit(benchmark::kMillisecond);

const tw::Picture& FullPhoto() {
    static const tw::Picture photo = tw::DecodePicture(CorpusSet("jpg12mp").front(), ".jpg");
    return photo;
}

const tw::Picture& EighthPhoto() {
    static const tw::Picture photo =
        tw::DecodePicture(CorpusSet("jpg12mp").front(), ".jpg", tw::DecodeHint{1, 1});
    return photo;
}

// The fit after a 1/8 decode: 500 x 375 down to the display size.
void BM_StretchEighthToFit(benchmark::State& state) {
    const tw::Picture& source = EighthPhoto();
    for (auto _ : state)
        benchmark::DoNotOptimize(tw::Stretch(source, 128, 96).Data());
}
BENCHMARK(BM_StretchEighthToFit)->Unit(benchmark::kMicrosecond);

void BM_StretchFullToPercent(benchmark::State& state) {
    const tw::Picture& source = FullPhoto();
    const auto percent = static_cast<int>(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            tw::Stretch(source, source.Width() * percent / 100, source.Height() * percent / 100)
                .Data());
    }
}
BENCHMARK(BM_StretchFullToPercent)->Arg(20)->Arg(50)->Unit(benchmark::kMillisecond);

// The editor's surface: the 12-megapixel source at a scale, centred on 471 x 303.
void BM_StretchIntoEditor(benchmark::State& state) {
    const tw::Picture& source = FullPhoto();
    const auto percent = static_cast<int>(state.range(0));
    tw::Picture surface(471, 303);
    const int width = source.Width() * percent / 100;
    const int height = source.Height() * percent / 100;
    const tw::PixelRect destination{(471 - width) / 2, (303 - height) / 2, width, height};
    for (auto _ : state) {
        tw::StretchInto(source, surface, destination, {0, 0, 471, 303});
        benchmark::DoNotOptimize(surface.Data());
    }
}
BENCHMARK(BM_StretchIntoEditor)->Arg(7)->Arg(20)->Arg(100)->Arg(800)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
