#pragma once

#include "core/image/PictureError.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace tw::decoders {

// Bounds-checked reads from an encoded picture; running past the end throws PictureError.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes, std::size_t offset = 0)
        : bytes_(bytes), offset_(offset) {}

    std::size_t Offset() const { return offset_; }
    std::size_t Remaining() const { return offset_ < bytes_.size() ? bytes_.size() - offset_ : 0; }
    void Seek(std::size_t offset) { offset_ = offset; }
    void Skip(std::size_t count) {
        Require(count);
        offset_ += count;
    }

    std::uint8_t U8() {
        Require(1);
        return bytes_[offset_++];
    }
    std::uint16_t U16LE() { return static_cast<std::uint16_t>(Little(2)); }
    std::uint32_t U32LE() { return static_cast<std::uint32_t>(Little(4)); }
    std::int32_t I32LE() { return static_cast<std::int32_t>(U32LE()); }
    std::uint16_t U16BE() { return static_cast<std::uint16_t>(Big(2)); }
    std::uint32_t U32BE() { return static_cast<std::uint32_t>(Big(4)); }

    // The next `count` bytes, consumed.
    std::span<const std::uint8_t> Take(std::size_t count) {
        Require(count);
        auto part = bytes_.subspan(offset_, count);
        offset_ += count;
        return part;
    }

    void Require(std::size_t count) const {
        if (count > Remaining())
            throw PictureError("the file ends before the picture is complete");
    }

private:
    std::uint64_t Little(int size) {
        Require(static_cast<std::size_t>(size));
        std::uint64_t value = 0;
        for (int i = size - 1; i >= 0; --i)
            value = (value << 8) | bytes_[offset_ + static_cast<std::size_t>(i)];
        offset_ += static_cast<std::size_t>(size);
        return value;
    }
    std::uint64_t Big(int size) {
        Require(static_cast<std::size_t>(size));
        std::uint64_t value = 0;
        for (int i = 0; i < size; ++i)
            value = (value << 8) | bytes_[offset_ + static_cast<std::size_t>(i)];
        offset_ += static_cast<std::size_t>(size);
        return value;
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t offset_;
};

} // namespace tw::decoders
