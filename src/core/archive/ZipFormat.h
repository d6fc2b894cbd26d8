#pragma once

// Record layouts of the ZIP format shared by the reader and the writer (little-endian).

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tw::zipformat {

inline constexpr std::uint32_t kLocalHeaderSig = 0x04034b50;
inline constexpr std::uint32_t kCentralHeaderSig = 0x02014b50;
inline constexpr std::uint32_t kEndOfDirectorySig = 0x06054b50;
inline constexpr std::uint32_t kZip64EndLocatorSig = 0x07064b50;
inline constexpr std::uint32_t kZip64EndSig = 0x06064b50;
inline constexpr std::size_t kZip64EndSize = 56;
inline constexpr std::size_t kZip64LocatorSize = 20;
inline constexpr std::uint16_t kZip64ExtraTag = 0x0001;
inline constexpr std::uint16_t kVersionNeededZip64 = 45;
// A 32-bit field holding this says the value is in the ZIP64 records.
inline constexpr std::uint32_t kZip64Marker = 0xFFFFFFFF;
inline constexpr std::size_t kLocalHeaderSize = 30;
inline constexpr std::size_t kCentralHeaderSize = 46;
inline constexpr std::size_t kEndOfDirectorySize = 22;
inline constexpr std::uint16_t kFlagEncrypted = 0x0001;
inline constexpr std::uint16_t kFlagStrongEncryption = 0x0040;
inline constexpr std::uint16_t kFlagUtf8 = 0x0800;
inline constexpr std::uint16_t kVersionNeeded = 20;
inline constexpr std::uint16_t kVersionMadeBy = 0x0314; // Unix, format 2.0
inline constexpr std::uint32_t kExternalAttributes = 0100644u << 16;

inline std::uint16_t Get16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
inline std::uint32_t Get32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
inline std::uint64_t Get64(std::span<const std::uint8_t> b, std::size_t at) {
    return Get32(b, at) | (static_cast<std::uint64_t>(Get32(b, at + 4)) << 32);
}
inline void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, static_cast<std::uint16_t>(v));
    Put16(out, static_cast<std::uint16_t>(v >> 16));
}
inline void Put64(std::vector<std::uint8_t>& out, std::uint64_t v) {
    Put32(out, static_cast<std::uint32_t>(v));
    Put32(out, static_cast<std::uint32_t>(v >> 32));
}

} // namespace tw::zipformat
