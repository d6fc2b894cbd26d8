#pragma once

#include "core/archive/Zip.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tw {

// Random access to the bytes of an archive: an open file or a block of memory.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Fills `out` from `offset`; throws ZipError when the source ends first.
    virtual void ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const = 0;
};

// Reads a ZIP archive in place. Opening checks the whole directory (names, methods, sizes,
// where each member lies); members are inflated only when asked for, and their CRCs are
// checked then. Copies share the open archive, so a member can be read long after opening,
// even when the path has since been replaced.
class ZipReader {
public:
    static ZipReader Open(const std::filesystem::path& path, const ZipLimits& limits = {});
    static ZipReader FromMemory(std::vector<std::uint8_t> bytes, const ZipLimits& limits = {});

    const std::vector<ZipEntry>& Entries() const { return entries_; }
    // The member with this bare name, or null.
    const ZipEntry* Find(std::string_view name) const;
    // As Find, with ASCII letters compared without regard to case.
    const ZipEntry* FindNoCase(std::string_view name) const;

    // The member's content, inflated and checked against its size and CRC.
    std::vector<std::uint8_t> Read(const ZipEntry& entry) const;
    using ChunkSink = std::function<void(std::span<const std::uint8_t>)>;
    // Inflates the member without keeping it, to check it against its size and CRC; `observe`
    // sees the content pass by in chunks.
    void Verify(const ZipEntry& entry, const ChunkSink& observe = {}) const;
    // Passes the member's compressed bytes to `sink` as they are stored.
    void CopyRaw(const ZipEntry& entry, ZipSink& sink) const;

private:
    ZipReader(std::shared_ptr<const ByteSource> source, const ZipLimits& limits);
    void ReadDirectory();
    // Passes the member's content to `sink` in chunks; it must end exactly at its recorded
    // size.
    void Stream(const ZipEntry& entry, const ChunkSink& sink) const;

    std::shared_ptr<const ByteSource> source_;
    ZipLimits limits_;
    std::vector<ZipEntry> entries_;
    std::unordered_map<std::string, std::size_t> byName_;
};

} // namespace tw
