#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tw {

// A decoded 24-bit picture: rows top-down, three bytes per pixel in R, G, B order, no row
// padding. Every decoder produces one and every pixel routine works on one.
class Picture {
public:
    Picture() = default;
    // A picture of the given size, every pixel set to the given grey level.
    Picture(int width, int height, std::uint8_t fill = 0)
        : width_(width), height_(height),
          pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3, fill) {}

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool IsEmpty() const { return width_ <= 0 || height_ <= 0; }
    std::size_t Stride() const { return static_cast<std::size_t>(width_) * 3; }

    std::uint8_t* Row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * Stride(); }
    const std::uint8_t* Row(int y) const {
        return pixels_.data() + static_cast<std::size_t>(y) * Stride();
    }
    std::uint8_t* Data() { return pixels_.data(); }
    const std::uint8_t* Data() const { return pixels_.data(); }
    std::size_t ByteSize() const { return pixels_.size(); }

    friend bool operator==(const Picture&, const Picture&) = default;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint8_t> pixels_;
};

} // namespace tw
