#pragma once

#include "core/archive/Zip.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace tw {

class ZipReader;

// When the archive carries ZIP64 records: only when it outgrows the classic format (past 4 GB
// or 65535 members), or always, as a test can ask so as not to need 4 GB of data.
enum class Zip64 { WhenNeeded, Always };

// Writes a ZIP archive to a sink member by member: Deflate at level 1, bare names, no
// encryption. Nothing is valid until Finish has written the central directory.
class ZipWriter {
public:
    explicit ZipWriter(ZipSink& sink, Zip64 zip64 = Zip64::WhenNeeded);

    // Compresses `data` as the member `name`.
    void Add(std::string_view name, std::span<const std::uint8_t> data);
    // Copies a member of another archive as it is stored, without inflating it again.
    void AddCopy(std::string_view name, const ZipReader& source, const ZipEntry& member);
    void Finish();

    // What was written for each member so far: its place, sizes and CRC in this archive.
    const std::vector<ZipEntry>& Written() const { return written_; }

private:
    void WriteLocalHeader(const ZipEntry& entry);
    void Put(std::span<const std::uint8_t> bytes);
    void CheckName(std::string_view name);

    ZipSink& sink_;
    Zip64 zip64_;
    std::uint64_t offset_ = 0;
    std::uint16_t dosTime_ = 0;
    std::uint16_t dosDate_ = 0;
    bool finished_ = false;
    std::vector<ZipEntry> written_;
    std::vector<std::uint64_t> headerOffsets_;
    std::unordered_set<std::string> names_;
};

} // namespace tw
