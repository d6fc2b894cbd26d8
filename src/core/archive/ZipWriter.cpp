#include "core/archive/ZipWriter.h"

#include "core/archive/ZipFormat.h"
#include "core/archive/ZipReader.h"

#include <algorithm>
#include <ctime>
#include <limits>
#include <zlib.h>

namespace tw {

using namespace zipformat;

namespace {

constexpr std::uint64_t kMax32 = std::numeric_limits<std::uint32_t>::max();

// Members come whole from memory, and no picture comes near this.
void CheckMemberSize(std::uint64_t value) {
    if (value >= kMax32) {
        throw ZipError("A member of 4 GB or more cannot be stored");
    }
}

std::uint32_t Or32Marker(std::uint64_t value, bool zip64) {
    return zip64 ? kZip64Marker : static_cast<std::uint32_t>(value);
}

std::vector<std::uint8_t> Deflate(std::span<const std::uint8_t> data) {
    CheckMemberSize(data.size());
    z_stream z{};
    if (deflateInit2(&z, 1, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw ZipError("Out of memory while compressing");
    }
    std::vector<std::uint8_t> out(deflateBound(&z, static_cast<uLong>(data.size())));
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int status = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (status != Z_STREAM_END) {
        throw ZipError("Compression failed");
    }
    return out;
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

ZipWriter::ZipWriter(ZipSink& sink, Zip64 zip64) : sink_(sink), zip64_(zip64) {
    const std::time_t now = std::time(nullptr);
    const std::tm local = *std::localtime(&now);
    dosTime_ = static_cast<std::uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) |
                                          (local.tm_sec / 2));
    dosDate_ = static_cast<std::uint16_t>(((std::max(local.tm_year, 80) - 80) << 9) |
                                          ((local.tm_mon + 1) << 5) | local.tm_mday);
}

void ZipWriter::CheckName(std::string_view name) {
    if (finished_) {
        throw ZipError("The archive is already complete");
    }
    if (name.empty() || name == "." || name == ".." || name.size() > 0xFFFF ||
        name.find_first_of(std::string_view("/\\\0", 3)) != std::string_view::npos) {
        throw ZipError("\"" + std::string(name) + "\" is not a bare file name");
    }
    if (!names_.emplace(name).second) {
        throw ZipError("The archive already holds a member named \"" + std::string(name) + "\"");
    }
}

void ZipWriter::Put(std::span<const std::uint8_t> bytes) {
    sink_.Write(bytes);
    offset_ += bytes.size();
}

void ZipWriter::WriteLocalHeader(const ZipEntry& entry) {
    CheckMemberSize(entry.CompressedSize);
    CheckMemberSize(entry.Size);
    std::vector<std::uint8_t> h;
    h.reserve(kLocalHeaderSize + entry.Name.size());
    Put32(h, kLocalHeaderSig);
    Put16(h, kVersionNeeded);
    Put16(h, IsAscii(entry.Name) ? 0 : kFlagUtf8);
    Put16(h, static_cast<std::uint16_t>(entry.Method));
    Put16(h, dosTime_);
    Put16(h, dosDate_);
    Put32(h, entry.Crc32);
    Put32(h, static_cast<std::uint32_t>(entry.CompressedSize));
    Put32(h, static_cast<std::uint32_t>(entry.Size));
    Put16(h, static_cast<std::uint16_t>(entry.Name.size()));
    Put16(h, 0);
    h.insert(h.end(), entry.Name.begin(), entry.Name.end());
    headerOffsets_.push_back(offset_);
    Put(h);
}

void ZipWriter::Add(std::string_view name, std::span<const std::uint8_t> data) {
    CheckName(name);
    const std::vector<std::uint8_t> packed = Deflate(data);
    ZipEntry entry{std::string(name), ZipMethod::Deflated, Crc32(data),
                   packed.size(),     data.size(),         0};
    WriteLocalHeader(entry);
    entry.DataOffset = offset_;
    Put(packed);
    written_.push_back(std::move(entry));
}

void ZipWriter::AddCopy(std::string_view name, const ZipReader& source, const ZipEntry& member) {
    CheckName(name);
    ZipEntry entry = member;
    entry.Name = std::string(name);
    WriteLocalHeader(entry);
    entry.DataOffset = offset_;
    // Counts the bytes as they pass so that the offsets stay right.
    class Counting final : public ZipSink {
    public:
        explicit Counting(ZipWriter& w) : w_(w) {}
        void Write(std::span<const std::uint8_t> bytes) override { w_.Put(bytes); }

    private:
        ZipWriter& w_;
    } counting(*this);
    source.CopyRaw(member, counting);
    written_.push_back(std::move(entry));
}

void ZipWriter::Finish() {
    if (finished_) {
        throw ZipError("The archive is already complete");
    }
    const bool always = zip64_ == Zip64::Always;
    const std::uint64_t dirOffset = offset_;
    std::vector<std::uint8_t> dir;
    for (std::size_t i = 0; i < written_.size(); ++i) {
        const ZipEntry& e = written_[i];
        // Only the place of a member can outgrow 32 bits; its sizes are checked on adding.
        const bool farOffset = always || headerOffsets_[i] >= kMax32;
        Put32(dir, kCentralHeaderSig);
        Put16(dir, kVersionMadeBy);
        Put16(dir, farOffset ? kVersionNeededZip64 : kVersionNeeded);
        Put16(dir, IsAscii(e.Name) ? 0 : kFlagUtf8);
        Put16(dir, static_cast<std::uint16_t>(e.Method));
        Put16(dir, dosTime_);
        Put16(dir, dosDate_);
        Put32(dir, e.Crc32);
        Put32(dir, static_cast<std::uint32_t>(e.CompressedSize));
        Put32(dir, static_cast<std::uint32_t>(e.Size));
        Put16(dir, static_cast<std::uint16_t>(e.Name.size()));
        Put16(dir, farOffset ? 12 : 0); // extra
        Put16(dir, 0);                  // comment
        Put16(dir, 0);                  // disk
        Put16(dir, 0);                  // internal attributes
        Put32(dir, kExternalAttributes);
        Put32(dir, Or32Marker(headerOffsets_[i], farOffset));
        dir.insert(dir.end(), e.Name.begin(), e.Name.end());
        if (farOffset) {
            Put16(dir, kZip64ExtraTag);
            Put16(dir, 8);
            Put64(dir, headerOffsets_[i]);
        }
    }
    const std::uint64_t dirSize = dir.size();
    const std::uint64_t count = written_.size();
    const bool zip64 = always || count >= 0xFFFF || dirOffset >= kMax32 || dirSize >= kMax32;
    if (zip64) {
        const std::uint64_t recordOffset = dirOffset + dirSize;
        Put32(dir, kZip64EndSig);
        Put64(dir, kZip64EndSize - 12); // the record's size after this field
        Put16(dir, kVersionMadeBy);
        Put16(dir, kVersionNeededZip64);
        Put32(dir, 0); // this disk
        Put32(dir, 0); // the directory's disk
        Put64(dir, count);
        Put64(dir, count);
        Put64(dir, dirSize);
        Put64(dir, dirOffset);
        Put32(dir, kZip64EndLocatorSig);
        Put32(dir, 0);
        Put64(dir, recordOffset);
        Put32(dir, 1); // disks in all
    }
    const auto count16 = static_cast<std::uint16_t>(zip64 ? 0xFFFF : count);
    Put32(dir, kEndOfDirectorySig);
    Put16(dir, 0);
    Put16(dir, 0);
    Put16(dir, count16);
    Put16(dir, count16);
    Put32(dir, Or32Marker(dirSize, zip64));
    Put32(dir, Or32Marker(dirOffset, zip64));
    Put16(dir, 0);
    Put(dir);
    finished_ = true;
}

} // namespace tw
