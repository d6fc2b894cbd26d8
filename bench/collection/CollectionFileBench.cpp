// Saving and loading collection files of photo collections, beside minimal zlib references
// (a level-1 writer and a reader that inflates and checks every member) and beside `zip -1`
// and `unzip -t` on the same members. Targets: a first save within 1.15 x the minimal writer,
// a load within 1.3 x the minimal reader, a save with nothing changed at least 5 x faster than
// the first, and under 100 MB resident after loading the 200-photo collection (the
// "resident_mb" counter, measured in a fresh process).
#include "Corpus.h"
#include "core/archive/ZipReader.h"
#include "core/collection/Thumbnails.h"
#include "core/collection/uCollectionFile.h"
#include "core/collection/uMsnHeadManager.h"
#include "core/image/Codecs.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const fs::path kWork = fs::temp_directory_path() / "tilewick-bench-collection-file";
std::string gSelf; // this program, run again to measure a load in a fresh process

Bytes ReadAll(const fs::path& path) {
    Bytes bytes(fs::file_size(path));
    std::ifstream(path, std::ios::binary)
        .read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

// A collection of `entries` entries over the photos of one corpus folder, each entry with a
// picture slot of its own, as after adding that many photos.
struct Collection {
    std::vector<tw::TImageRec> images;
    tw::THeadArray heads;
    std::vector<tw::Picture> thumbnails;
};

struct Setup {
    const char* folder;
    int entries;
};

std::unique_ptr<tw::TMsnHeadManager> NewManager(const std::string& name) {
    auto manager = std::make_unique<tw::TMsnHeadManager>(kWork / name / "");
    manager->SetStateIcons(tw::LoadStateIcons(fs::path(TILEWICK_RESOURCES) / "images"));
    return manager;
}

const Collection& MakeCollection(const Setup& setup) {
    static std::map<std::string, Collection> made;
    const std::string key = std::string(setup.folder) + std::to_string(setup.entries);
    if (const auto it = made.find(key); it != made.end()) {
        return it->second;
    }
    // Real thumbnails and fits from adding each photo once; the entries cycle through them.
    auto manager = NewManager("build");
    const auto files = tw::bench::CorpusFiles(setup.folder);
    for (const auto& file : files) {
        manager->AddPictureFile(file, false);
    }
    Collection c;
    const auto n = static_cast<std::size_t>(manager->ImagesPerEntry());
    for (int i = 0; i < setup.entries; ++i) {
        const std::size_t from = static_cast<std::size_t>(i) % files.size();
        c.images.push_back(manager->Images()[from]);
        c.heads.push_back(manager->Heads()[from]);
        c.heads.back().ImageID = i;
        for (std::size_t k = 0; k < n; ++k) {
            c.thumbnails.push_back(manager->Thumbnails()[from * n + k]);
        }
    }
    return made.emplace(key, std::move(c)).first->second;
}

fs::path SavedFile(const Setup& setup) {
    const fs::path path =
        kWork / (std::string(setup.folder) + "-" + std::to_string(setup.entries) + ".vkt");
    if (!fs::exists(path)) {
        auto manager = NewManager("save");
        const Collection& c = MakeCollection(setup);
        manager->ReplaceCollection(c.images, c.heads, c.thumbnails);
        tw::TCollectionFile(*manager).SaveToFile(path, true);
    }
    return path;
}

void Bytes_(benchmark::State& state, const fs::path& file) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(fs::file_size(file)));
}

void BM_FirstSave(benchmark::State& state, Setup setup) {
    const Collection& c = MakeCollection(setup);
    auto manager = NewManager("first");
    const fs::path path = kWork / "first.vkt";
    for (auto _ : state) {
        state.PauseTiming();
        manager->ReplaceCollection(c.images, c.heads, c.thumbnails);
        tw::TCollectionFile file(*manager);
        state.ResumeTiming();
        file.SaveToFile(path, true);
    }
    Bytes_(state, path);
}

void BM_UnchangedSave(benchmark::State& state, Setup setup) {
    const Collection& c = MakeCollection(setup);
    auto manager = NewManager("unchanged");
    manager->ReplaceCollection(c.images, c.heads, c.thumbnails);
    tw::TCollectionFile file(*manager);
    const fs::path path = kWork / "unchanged.vkt";
    file.SaveToFile(path, true);
    for (auto _ : state) {
        file.SaveToFile(path, true);
    }
    Bytes_(state, path);
}

void BM_Load(benchmark::State& state, Setup setup) {
    const fs::path path = SavedFile(setup);
    for (auto _ : state) {
        auto manager = NewManager("load");
        tw::TCollectionFile file(*manager);
        benchmark::DoNotOptimize(file.LoadFromFile(path));
    }
    Bytes_(state, path);
    // Resident memory of a fresh process that has loaded the file.
    const std::string command = "'" + gSelf + "' --measure-load '" + path.string() + "'";
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        double megabytes = 0;
        if (std::fscanf(pipe, "%lf", &megabytes) == 1) {
            state.counters["resident_mb"] = megabytes;
        }
        ::pclose(pipe);
    }
}

// The members a save writes, in memory, for the references.
std::vector<std::pair<std::string, Bytes>> Members(const Setup& setup) {
    const tw::ZipReader reader = tw::ZipReader::Open(SavedFile(setup));
    std::vector<std::pair<std::string, Bytes>> members;
    for (const tw::ZipEntry& e : reader.Entries()) {
        members.emplace_back(e.Name, reader.Read(e));
    }
    return members;
}

void Put16(Bytes& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// The least a ZIP writer can do: deflate each member at level 1, write it after its local
// header, then the central directory, and flush the file to disk.
void MinimalWrite(const std::vector<std::pair<std::string, Bytes>>& members, const fs::path& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    Bytes directory;
    std::uint32_t offset = 0;
    Bytes packed;
    for (const auto& [name, data] : members) {
        z_stream z{};
        deflateInit2(&z, 1, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
        packed.resize(deflateBound(&z, data.size()));
        z.next_in = const_cast<Bytef*>(data.data());
        z.avail_in = static_cast<uInt>(data.size());
        z.next_out = packed.data();
        z.avail_out = static_cast<uInt>(packed.size());
        deflate(&z, Z_FINISH);
        const auto size = static_cast<std::uint32_t>(z.total_out);
        deflateEnd(&z);
        const auto crc =
            static_cast<std::uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size())));
        Bytes header;
        for (Bytes* out : {&header, &directory}) {
            Put32(*out, out == &header ? 0x04034b50 : 0x02014b50);
            if (out == &directory) {
                Put16(*out, 20);
            }
            Put16(*out, 20);
            Put16(*out, 0);
            Put16(*out, 8);
            Put32(*out, 0);
            Put32(*out, crc);
            Put32(*out, size);
            Put32(*out, static_cast<std::uint32_t>(data.size()));
            Put16(*out, static_cast<unsigned>(name.size()));
            Put16(*out, 0);
            if (out == &directory) {
                Put32(*out, 0); // comment length, disk
                Put16(*out, 0);
                Put32(*out, 0);
                Put32(*out, offset);
            }
            out->insert(out->end(), name.begin(), name.end());
        }
        benchmark::DoNotOptimize(::write(fd, header.data(), header.size()));
        benchmark::DoNotOptimize(::write(fd, packed.data(), size));
        offset += static_cast<std::uint32_t>(header.size()) + size;
    }
    Bytes end;
    Put32(end, 0x06054b50);
    Put32(end, 0);
    Put16(end, static_cast<unsigned>(members.size()));
    Put16(end, static_cast<unsigned>(members.size()));
    Put32(end, static_cast<std::uint32_t>(directory.size()));
    Put32(end, offset);
    Put16(end, 0);
    directory.insert(directory.end(), end.begin(), end.end());
    benchmark::DoNotOptimize(::write(fd, directory.data(), directory.size()));
    ::fsync(fd);
    ::close(fd);
}

// The least a ZIP reader can do to trust an archive: inflate every member and check its CRC.
void MinimalRead(const fs::path& path) {
    const Bytes zip = ReadAll(path);
    const auto get16 = [&](std::size_t at) { return zip[at] | zip[at + 1] << 8; };
    const auto get32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(get16(at)) | static_cast<std::uint32_t>(get16(at + 2))
                                                           << 16;
    };
    const std::size_t end = zip.size() - 22;
    std::size_t at = get32(end + 16);
    Bytes out;
    for (unsigned i = 0, count = get16(end + 10); i < count; ++i) {
        const std::uint32_t crc = get32(at + 16);
        const std::uint32_t packed = get32(at + 20);
        out.resize(get32(at + 24));
        const std::size_t local = get32(at + 42);
        const std::size_t data = local + 30 + get16(local + 26) + get16(local + 28);
        uLongf size = static_cast<uLongf>(out.size());
        z_stream z{};
        inflateInit2(&z, -MAX_WBITS);
        z.next_in = const_cast<Bytef*>(zip.data() + data);
        z.avail_in = packed;
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(size);
        inflate(&z, Z_FINISH);
        inflateEnd(&z);
        if (crc32(0, out.data(), static_cast<uInt>(out.size())) != crc) {
            throw std::runtime_error("CRC mismatch");
        }
        at += 46 + get16(at + 28) + get16(at + 30) + get16(at + 32);
    }
}

void BM_MinimalWriter(benchmark::State& state, Setup setup) {
    const auto members = Members(setup);
    const fs::path path = kWork / "minimal.zip";
    for (auto _ : state) {
        MinimalWrite(members, path);
    }
    Bytes_(state, path);
}

void BM_MinimalReader(benchmark::State& state, Setup setup) {
    const fs::path path = SavedFile(setup);
    for (auto _ : state) {
        MinimalRead(path);
    }
    Bytes_(state, path);
}

// The common tools on the same members, for scale.
void BM_ZipCommand(benchmark::State& state, Setup setup) {
    const fs::path folder = kWork / "members";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string saved = SavedFile(setup).string();
    if (std::system(("cd '" + folder.string() + "' && unzip -q '" + saved + "'").c_str()) != 0) {
        state.SkipWithError("unzip failed");
        return;
    }
    const std::string zip = (kWork / "zip1.zip").string();
    for (auto _ : state) {
        fs::remove(zip);
        if (std::system(("cd '" + folder.string() + "' && zip -q -1 '" + zip + "' *").c_str()) !=
            0) {
            state.SkipWithError("zip failed");
        }
    }
    Bytes_(state, zip);
    fs::remove_all(folder);
}

void BM_UnzipTest(benchmark::State& state, Setup setup) {
    const fs::path path = SavedFile(setup);
    for (auto _ : state) {
        if (std::system(("unzip -tq '" + path.string() + "' >/dev/null").c_str()) != 0) {
            state.SkipWithError("unzip -t failed");
        }
    }
    Bytes_(state, path);
}

int MeasureLoad(const char* path) {
    auto manager = NewManager("measure");
    tw::TCollectionFile file(*manager);
    if (!file.LoadFromFile(path)) {
        return 1;
    }
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            std::cout << std::stod(line.substr(6)) / 1024.0 << '\n';
        }
    }
    return 0;
}

constexpr Setup k1080{"jpg1080", 1000};
constexpr Setup k12mp{"jpg12mp", 200};

// Each case takes seconds, so a few iterations give steady figures.
#define TW_COLLECTION_BENCH(fn, iterations)                                                        \
    BENCHMARK_CAPTURE(fn, photos1080x1000, k1080)                                                  \
        ->Unit(benchmark::kMillisecond)                                                            \
        ->UseRealTime()                                                                            \
        ->Iterations(iterations);                                                                  \
    BENCHMARK_CAPTURE(fn, photos12mpx200, k12mp)                                                   \
        ->Unit(benchmark::kMillisecond)                                                            \
        ->UseRealTime()                                                                            \
        ->Iterations(iterations)

TW_COLLECTION_BENCH(BM_MinimalWriter, 2);
TW_COLLECTION_BENCH(BM_FirstSave, 2);
TW_COLLECTION_BENCH(BM_UnchangedSave, 3);
TW_COLLECTION_BENCH(BM_ZipCommand, 1);
TW_COLLECTION_BENCH(BM_MinimalReader, 2);
TW_COLLECTION_BENCH(BM_Load, 2);
TW_COLLECTION_BENCH(BM_UnzipTest, 1);

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--measure-load") == 0) {
        return MeasureLoad(argv[2]);
    }
    gSelf = fs::canonical("/proc/self/exe").string();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(kWork);
    return 0;
}
