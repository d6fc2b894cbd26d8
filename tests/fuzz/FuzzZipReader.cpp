// Feeds arbitrary bytes to the archive reader: it must refuse them with ZipError or read them,
// never crash, hang or exhaust memory.
#include "core/archive/ZipReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tw::ZipLimits limits;
    limits.MaxMemberSize = 16 << 20;
    limits.MaxTotalSize = 64 << 20;
    try {
        const tw::ZipReader reader =
            tw::ZipReader::FromMemory(std::vector<std::uint8_t>(data, data + size), limits);
        for (const tw::ZipEntry& entry : reader.Entries()) {
            try {
                reader.Read(entry);
            } catch (const tw::ZipError&) {
                // one bad member does not stop the others from being read
            }
        }
    } catch (const tw::ZipError&) {
    }
    return 0;
}
