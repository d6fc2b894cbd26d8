#pragma once

#include "core/editors/Geometry.h"
#include "core/image/Picture.h"
#include "core/image/Resample.h"

#include <array>
#include <cstdint>

namespace tw {

// A per-channel mapping of 8-bit values; the adjustments below work on every channel alike.
using ChannelTable = std::array<std::uint8_t, 256>;

// Contrast at parameter a (-255..255): each channel moves away from 127 by |127 - c| * a / 255
// (truncated), or toward it for a negative a; a = -255 gives a uniform 127.
ChannelTable ContrastTable(int a);
// Brightness at parameter a: each channel becomes c - c * a / 255 (truncated), limited to
// 0..255. A negative a brightens, a = 255 gives black.
ChannelTable BrightnessTable(int a);
// `second` applied after `first`.
ChannelTable ComposeTables(const ChannelTable& first, const ChannelTable& second);

// `to` becomes `from` mapped through `table`; its pixels are reused when the sizes match.
void MapPixels(const Picture& from, Picture& to, const ChannelTable& table);

struct TColor {
    std::uint8_t R = 0;
    std::uint8_t G = 0;
    std::uint8_t B = 0;
};

// Fills the part of `rect` that lies inside the picture.
void FillRect(Picture& picture, PixelRect rect, TColor color);
// Copies `from` (a part of `source`) to `target` with its top-left corner at `at`, leaving out
// whatever falls outside either picture.
void CopyPixels(const Picture& source, PixelRect from, Picture& target, TPoint at);
inline void CopyPixels(const Picture& source, Picture& target, TPoint at) {
    CopyPixels(source, PixelRect{0, 0, source.Width(), source.Height()}, target, at);
}

} // namespace tw
