#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

namespace tw {

// Every fault of an archive, on reading or writing, is reported as one of these with a message
// that can be shown to the user as it is.
class ZipError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class ZipMethod : std::uint16_t { Stored = 0, Deflated = 8 };

// One member as the central directory describes it. `Name` is the bare file name: any folder
// part of the stored name is dropped.
struct ZipEntry {
    std::string Name;
    ZipMethod Method = ZipMethod::Stored;
    std::uint32_t Crc32 = 0;
    std::uint64_t CompressedSize = 0;
    std::uint64_t Size = 0;
    std::uint64_t DataOffset = 0; // first byte of the compressed data in the archive
};

// Where a writer's bytes go. Implementations throw on failure (a full disk, a closed device).
class ZipSink {
public:
    virtual ~ZipSink() = default;
    virtual void Write(std::span<const std::uint8_t> bytes) = 0;
};

// Bounds that keep a hostile archive from exhausting memory or time. Deflate cannot shrink
// data by more than about 1032:1, so a member claiming more was not made honestly.
struct ZipLimits {
    std::uint64_t MaxMemberSize = std::uint64_t{1} << 30;
    std::uint64_t MaxTotalSize = std::uint64_t{8} << 30;
    std::uint32_t MaxRatio = 1032;
    std::size_t MaxMembers = 200000;
};

std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);

} // namespace tw
