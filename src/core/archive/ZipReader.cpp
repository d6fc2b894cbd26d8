#include "core/archive/ZipReader.h"

#include "core/archive/ZipFormat.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <limits>
#include <mutex>
#include <zlib.h>

namespace tw {

using namespace zipformat;

namespace {

class FileSource final : public ByteSource {
public:
    explicit FileSource(const std::filesystem::path& path) : file_(path, std::ios::binary) {
        if (!file_) {
            // The caller names the file; the system says why it cannot be opened.
            throw ZipError(std::strerror(errno));
        }
        file_.seekg(0, std::ios::end);
        size_ = static_cast<std::uint64_t>(file_.tellg());
    }
    std::uint64_t Size() const override { return size_; }
    void ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const override {
        if (offset > size_ || out.size() > size_ - offset) {
            throw ZipError("The archive is truncated");
        }
        // Members may be read from more than one thread.
        std::lock_guard lock(mutex_);
        file_.clear();
        file_.seekg(static_cast<std::streamoff>(offset));
        file_.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
        if (static_cast<std::size_t>(file_.gcount()) != out.size()) {
            throw ZipError("The archive could not be read");
        }
    }

private:
    mutable std::mutex mutex_;
    mutable std::ifstream file_;
    std::uint64_t size_ = 0;
};

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    void ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const override {
        if (offset > bytes_.size() || out.size() > bytes_.size() - offset) {
            throw ZipError("The archive is truncated");
        }
        std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
    }

private:
    std::vector<std::uint8_t> bytes_;
};

std::string BareName(std::string_view stored) {
    const auto slash = stored.find_last_of("/\\");
    return std::string(slash == std::string_view::npos ? stored : stored.substr(slash + 1));
}

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return out;
}

std::string Quoted(std::string_view name) {
    return "\"" + std::string(name) + "\"";
}

constexpr std::size_t kChunk = 256 * 1024;

// A central directory's biggest honest size: the most members, each with a long name.
constexpr std::uint64_t kMaxDirectorySize = std::uint64_t{256} << 20;

// Replaces each field that holds the ZIP64 marker by its value from the member's ZIP64 extra
// field, where they follow in the order given (size, compressed size, header offset).
void ReadZip64Fields(std::span<const std::uint8_t> extra,
                     std::initializer_list<std::uint64_t*> fields) {
    if (std::none_of(fields.begin(), fields.end(),
                     [](const std::uint64_t* f) { return *f == kZip64Marker; })) {
        return;
    }
    while (extra.size() >= 4) {
        const std::size_t length = Get16(extra, 2);
        if (extra.size() - 4 < length) {
            break;
        }
        if (Get16(extra, 0) == kZip64ExtraTag) {
            std::size_t at = 4;
            for (std::uint64_t* field : fields) {
                if (*field != kZip64Marker) {
                    continue;
                }
                if (at + 8 > 4 + length) {
                    throw ZipError("The archive's central directory is damaged (ZIP64 field)");
                }
                *field = Get64(extra, at);
                at += 8;
            }
            return;
        }
        extra = extra.subspan(4 + length);
    }
    throw ZipError("The archive's central directory is damaged (ZIP64 field missing)");
}

} // namespace

ZipReader::ZipReader(std::shared_ptr<const ByteSource> source, const ZipLimits& limits)
    : source_(std::move(source)), limits_(limits) {
    ReadDirectory();
}

ZipReader ZipReader::Open(const std::filesystem::path& path, const ZipLimits& limits) {
    return ZipReader(std::make_shared<FileSource>(path), limits);
}

ZipReader ZipReader::FromMemory(std::vector<std::uint8_t> bytes, const ZipLimits& limits) {
    return ZipReader(std::make_shared<MemorySource>(std::move(bytes)), limits);
}

void ZipReader::ReadDirectory() {
    const std::uint64_t size = source_->Size();
    if (size < kEndOfDirectorySize) {
        throw ZipError("Not a ZIP archive (too short)");
    }
    // The end record sits in the last 22 bytes plus a comment of up to 65535.
    const std::uint64_t tailSize = std::min<std::uint64_t>(size, kEndOfDirectorySize + 0xFFFF);
    std::vector<std::uint8_t> tail(tailSize);
    source_->ReadAt(size - tailSize, tail);
    std::size_t end = std::string::npos;
    for (std::size_t at = tailSize - kEndOfDirectorySize + 1; at-- > 0;) {
        if (Get32(tail, at) == kEndOfDirectorySig &&
            at + kEndOfDirectorySize + Get16(tail, at + 20) <= tailSize) {
            end = at;
            break;
        }
    }
    if (end == std::string::npos) {
        throw ZipError("Not a ZIP archive (no end of central directory)");
    }
    const std::span<const std::uint8_t> eocd(tail.data() + end, kEndOfDirectorySize);
    std::uint64_t endOffset = size - tailSize + end;
    if (Get16(eocd, 4) != 0 || Get16(eocd, 6) != 0 || Get16(eocd, 8) != Get16(eocd, 10)) {
        throw ZipError("Archives split over several files are not supported");
    }
    std::uint64_t count = Get16(eocd, 10);
    std::uint64_t dirSize = Get32(eocd, 12);
    std::uint64_t dirOffset = Get32(eocd, 16);
    if (end >= kZip64LocatorSize && Get32(tail, end - kZip64LocatorSize) == kZip64EndLocatorSig) {
        // A ZIP64 archive keeps the real counts and places in a record of their own.
        const std::span<const std::uint8_t> locator(tail.data() + end - kZip64LocatorSize,
                                                    kZip64LocatorSize);
        const std::uint64_t recordOffset = Get64(locator, 8);
        const std::uint64_t locatorOffset = endOffset - kZip64LocatorSize;
        if (recordOffset > locatorOffset || locatorOffset - recordOffset < kZip64EndSize) {
            throw ZipError("The archive is truncated (ZIP64 record out of range)");
        }
        std::array<std::uint8_t, kZip64EndSize> record{};
        source_->ReadAt(recordOffset, record);
        if (Get32(record, 0) != kZip64EndSig) {
            throw ZipError("The archive's ZIP64 record is damaged");
        }
        if (Get32(locator, 4) != 0 || Get32(record, 16) != 0 || Get32(record, 20) != 0 ||
            Get64(record, 24) != Get64(record, 32)) {
            throw ZipError("Archives split over several files are not supported");
        }
        count = Get64(record, 32);
        dirSize = Get64(record, 40);
        dirOffset = Get64(record, 48);
        endOffset = recordOffset;
    }
    if (dirOffset > endOffset || dirSize > endOffset - dirOffset) {
        throw ZipError("The archive is truncated (central directory out of range)");
    }
    if (count > limits_.MaxMembers || dirSize > kMaxDirectorySize) {
        throw ZipError("The archive has too many members");
    }
    std::vector<std::uint8_t> dir(dirSize);
    source_->ReadAt(dirOffset, dir);

    struct Placed {
        std::uint64_t header;
        std::uint64_t end;
    };
    std::vector<Placed> placed;
    std::uint64_t total = 0;
    std::size_t at = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        if (dir.size() - at < kCentralHeaderSize || Get32(dir, at) != kCentralHeaderSig) {
            throw ZipError("The archive's central directory is damaged");
        }
        const std::span<const std::uint8_t> h(dir.data() + at, kCentralHeaderSize);
        const std::size_t nameLen = Get16(h, 28);
        const std::size_t varLen = nameLen + Get16(h, 30) + Get16(h, 32);
        if (dir.size() - at - kCentralHeaderSize < varLen) {
            throw ZipError("The archive's central directory is damaged");
        }
        const std::string stored(
            reinterpret_cast<const char*>(dir.data() + at) + kCentralHeaderSize, nameLen);
        const std::span<const std::uint8_t> extra(dir.data() + at + kCentralHeaderSize + nameLen,
                                                  Get16(h, 30));
        at += kCentralHeaderSize + varLen;

        ZipEntry entry;
        entry.Name = BareName(stored);
        entry.Crc32 = Get32(h, 16);
        entry.CompressedSize = Get32(h, 20);
        entry.Size = Get32(h, 24);
        std::uint64_t header = Get32(h, 42);
        ReadZip64Fields(extra, {&entry.Size, &entry.CompressedSize, &header});
        if (stored.find('\0') != std::string::npos) {
            throw ZipError("The archive holds a member with an invalid name");
        }
        if (entry.Name.empty()) {
            continue; // a folder
        }
        if (entry.Name == "." || entry.Name == "..") {
            throw ZipError("The archive holds a member with an invalid name " + Quoted(stored));
        }
        if ((Get16(h, 8) & (kFlagEncrypted | kFlagStrongEncryption)) != 0) {
            throw ZipError("Member " + Quoted(entry.Name) + " is encrypted");
        }
        const std::uint16_t method = Get16(h, 10);
        if (method != static_cast<std::uint16_t>(ZipMethod::Stored) &&
            method != static_cast<std::uint16_t>(ZipMethod::Deflated)) {
            throw ZipError("Member " + Quoted(entry.Name) + " uses compression method " +
                           std::to_string(method) + ", which is not supported");
        }
        entry.Method = static_cast<ZipMethod>(method);
        if (entry.Method == ZipMethod::Stored && entry.Size != entry.CompressedSize) {
            throw ZipError("Member " + Quoted(entry.Name) + " has inconsistent sizes");
        }
        if (entry.Size > limits_.MaxMemberSize ||
            entry.Size / limits_.MaxRatio > std::max<std::uint64_t>(entry.CompressedSize, 1)) {
            throw ZipError("Member " + Quoted(entry.Name) +
                           " would expand beyond the allowed size");
        }
        total += entry.Size;
        if (total > limits_.MaxTotalSize) {
            throw ZipError("The archive would expand beyond the allowed size");
        }

        std::array<std::uint8_t, kLocalHeaderSize> local{};
        if (header > dirOffset || dirOffset - header < local.size()) {
            throw ZipError("The archive is truncated (member " + Quoted(entry.Name) +
                           " out of range)");
        }
        source_->ReadAt(header, local);
        if (Get32(local, 0) != kLocalHeaderSig) {
            throw ZipError("The archive is damaged (member " + Quoted(entry.Name) +
                           " has no local header)");
        }
        entry.DataOffset = header + kLocalHeaderSize + Get16(local, 26) + Get16(local, 28);
        if (entry.DataOffset > dirOffset || entry.CompressedSize > dirOffset - entry.DataOffset) {
            throw ZipError("The archive is truncated (member " + Quoted(entry.Name) +
                           " runs past its end)");
        }
        placed.push_back({header, entry.DataOffset + entry.CompressedSize});

        if (!byName_.emplace(entry.Name, entries_.size()).second) {
            throw ZipError("The archive holds two members named " + Quoted(entry.Name));
        }
        entries_.push_back(std::move(entry));
    }
    // Members that share bytes are how the worst zip bombs multiply their output.
    std::sort(placed.begin(), placed.end(),
              [](const Placed& a, const Placed& b) { return a.header < b.header; });
    for (std::size_t i = 1; i < placed.size(); ++i) {
        if (placed[i].header < placed[i - 1].end) {
            throw ZipError("The archive is damaged (members overlap)");
        }
    }
}

const ZipEntry* ZipReader::Find(std::string_view name) const {
    const auto it = byName_.find(std::string(name));
    return it == byName_.end() ? nullptr : &entries_[it->second];
}

const ZipEntry* ZipReader::FindNoCase(std::string_view name) const {
    if (const ZipEntry* exact = Find(name)) {
        return exact;
    }
    const std::string wanted = Lower(name);
    const auto it = std::find_if(entries_.begin(), entries_.end(),
                                 [&](const ZipEntry& e) { return Lower(e.Name) == wanted; });
    return it == entries_.end() ? nullptr : &*it;
}

std::vector<std::uint8_t> ZipReader::Read(const ZipEntry& entry) const {
    if (entry.Size > limits_.MaxMemberSize) {
        throw ZipError("Member " + Quoted(entry.Name) + " would expand beyond the allowed size");
    }
    std::vector<std::uint8_t> out;
    out.reserve(entry.Size);
    Stream(entry, [&](std::span<const std::uint8_t> chunk) {
        out.insert(out.end(), chunk.begin(), chunk.end());
    });
    if (Crc32(out) != entry.Crc32) {
        throw ZipError("Member " + Quoted(entry.Name) + " is damaged (CRC mismatch)");
    }
    return out;
}

void ZipReader::Verify(const ZipEntry& entry, const ChunkSink& observe) const {
    std::uint32_t crc = 0;
    Stream(entry, [&](std::span<const std::uint8_t> chunk) {
        crc = Crc32(chunk, crc);
        if (observe) {
            observe(chunk);
        }
    });
    if (crc != entry.Crc32) {
        throw ZipError("Member " + Quoted(entry.Name) + " is damaged (CRC mismatch)");
    }
}

void ZipReader::Stream(const ZipEntry& entry, const ChunkSink& sink) const {
    const auto fail = [&](const char* what) {
        return ZipError("Member " + Quoted(entry.Name) + " " + what);
    };
    const auto deliver = [&](std::span<const std::uint8_t> chunk) {
        if (!chunk.empty()) {
            sink(chunk);
        }
    };
    std::vector<std::uint8_t> buffer(kChunk);
    if (entry.Method == ZipMethod::Stored) {
        for (std::uint64_t done = 0; done < entry.Size;) {
            const auto n = std::min<std::uint64_t>(buffer.size(), entry.Size - done);
            source_->ReadAt(entry.DataOffset + done, std::span(buffer.data(), n));
            deliver(std::span(buffer.data(), n));
            done += n;
        }
        return;
    }
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) {
        throw fail("could not be inflated (out of memory)");
    }
    const std::unique_ptr<z_stream, int (*)(z_stream*)> end(&z, inflateEnd);
    std::vector<std::uint8_t> in(std::min<std::uint64_t>(entry.CompressedSize, kChunk));
    std::uint64_t fed = 0;
    for (;;) {
        if (z.avail_in == 0 && fed < entry.CompressedSize) {
            const auto n = std::min<std::uint64_t>(in.size(), entry.CompressedSize - fed);
            source_->ReadAt(entry.DataOffset + fed, std::span(in.data(), n));
            fed += n;
            z.next_in = in.data();
            z.avail_in = static_cast<uInt>(n);
        }
        z.next_out = buffer.data();
        z.avail_out = static_cast<uInt>(buffer.size());
        const int status = inflate(&z, Z_NO_FLUSH);
        if (z.total_out > entry.Size) {
            throw fail("is larger than its recorded size");
        }
        deliver(std::span(buffer.data(), buffer.size() - z.avail_out));
        if (status == Z_STREAM_END) {
            break;
        }
        if (status == Z_BUF_ERROR) {
            throw fail("is truncated");
        }
        if (status != Z_OK) {
            throw fail("is damaged");
        }
    }
    if (z.total_out != entry.Size) {
        throw fail("is smaller than its recorded size");
    }
    if (z.avail_in != 0 || fed != entry.CompressedSize) {
        throw fail("has inconsistent sizes");
    }
}

void ZipReader::CopyRaw(const ZipEntry& entry, ZipSink& sink) const {
    std::vector<std::uint8_t> buffer(std::min<std::uint64_t>(entry.CompressedSize, kChunk));
    for (std::uint64_t done = 0; done < entry.CompressedSize;) {
        const auto n = std::min<std::uint64_t>(buffer.size(), entry.CompressedSize - done);
        const std::span chunk(buffer.data(), n);
        source_->ReadAt(entry.DataOffset + done, chunk);
        sink.Write(chunk);
        done += n;
    }
}

std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc) {
    // zlib takes at most uInt bytes at a time.
    while (!bytes.empty()) {
        const auto n = std::min<std::size_t>(bytes.size(), std::numeric_limits<uInt>::max());
        crc = static_cast<std::uint32_t>(::crc32(crc, bytes.data(), static_cast<uInt>(n)));
        bytes = bytes.subspan(n);
    }
    return crc;
}

} // namespace tw
