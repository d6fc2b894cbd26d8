// Loads arbitrary bytes as a collection file: every fault must end in CollectionFileError (or a
// false result) with the collection unchanged, never a crash, a hang or runaway memory.
#include "core/collection/uCollectionFile.h"
#include "core/collection/uMsnHeadManager.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct Harness {
    fs::path folder = fs::temp_directory_path() / ("tw-fuzz-" + std::to_string(::getpid()));
    tw::TMsnHeadManager manager{folder / "data/"};
    tw::TCollectionFile file{manager};
    fs::path input = folder / "input.vkt";

    Harness() {
        manager.SetStateIcons({tw::Picture(24, 24), tw::Picture(24, 24), tw::Picture(24, 24)});
    }
    ~Harness() { fs::remove_all(folder); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Harness harness;
    std::ofstream(harness.input, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    try {
        if (harness.file.LoadFromFile(harness.input) &&
            harness.manager.ThumbnailCount() !=
                harness.manager.HeadCount() * harness.manager.ImagesPerEntry()) {
            std::abort();
        }
    } catch (const tw::CollectionFileError&) {
    }
    return 0;
}
