#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

namespace tw {

// Where the encoded bytes of a source picture live. Reading may fail (a file gone, a disk
// error); that raises std::runtime_error.
class ImageSource {
public:
    virtual ~ImageSource() = default;
    virtual std::vector<std::uint8_t> ReadBytes() const = 0;
    virtual std::uint64_t Size() const = 0;
};

// Bytes held in memory.
class MemoryImageSource final : public ImageSource {
public:
    explicit MemoryImageSource(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    std::vector<std::uint8_t> ReadBytes() const override { return bytes_; }
    std::uint64_t Size() const override { return bytes_.size(); }

private:
    std::vector<std::uint8_t> bytes_;
};

// Keeps source bytes out of the process's memory: they are appended to one anonymous
// temporary file, which the system removes when the last source using it is gone (also
// after a crash). One file for all sources keeps a single descriptor open however many
// pictures are added.
class ImageSpool {
public:
    // A source for the bytes: spooled when the temporary file can be written, otherwise
    // kept in memory.
    std::shared_ptr<const ImageSource> Keep(std::vector<std::uint8_t> bytes);
    // Closes the temporary file when no source uses it any more, which frees its space; the
    // next Keep starts a new one.
    void DropIfUnused();

private:
    struct SpoolFile;
    class SpooledSource;

    std::shared_ptr<SpoolFile> file_;
    bool unavailable_ = false;
};

} // namespace tw
