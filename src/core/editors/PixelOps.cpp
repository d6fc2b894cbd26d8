#include "core/editors/PixelOps.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace tw {

namespace {

std::uint8_t Clamp8(int value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

} // namespace

ChannelTable ContrastTable(int a) {
    ChannelTable table{};
    for (int c = 0; c < 256; ++c) {
        const int d = std::abs(127 - c) * a / 255;
        table[static_cast<std::size_t>(c)] = Clamp8(c > 127 ? c + d : c - d);
    }
    return table;
}

ChannelTable BrightnessTable(int a) {
    ChannelTable table{};
    for (int c = 0; c < 256; ++c) {
        table[static_cast<std::size_t>(c)] = Clamp8(c - c * a / 255);
    }
    return table;
}

ChannelTable ComposeTables(const ChannelTable& first, const ChannelTable& second) {
    ChannelTable table{};
    for (std::size_t c = 0; c < table.size(); ++c) {
        table[c] = second[first[c]];
    }
    return table;
}

void MapPixels(const Picture& from, Picture& to, const ChannelTable& table) {
    if (to.Width() != from.Width() || to.Height() != from.Height()) {
        to = Picture(from.Width(), from.Height());
    }
    const std::uint8_t* source = from.Data();
    std::uint8_t* target = to.Data();
    const std::size_t size = from.ByteSize();
    for (std::size_t i = 0; i < size; ++i) {
        target[i] = table[source[i]];
    }
}

void FillRect(Picture& picture, PixelRect rect, TColor color) {
    const int left = std::max(rect.left, 0);
    const int top = std::max(rect.top, 0);
    const int right = std::min(rect.left + rect.width, picture.Width());
    const int bottom = std::min(rect.top + rect.height, picture.Height());
    for (int y = top; y < bottom; ++y) {
        std::uint8_t* pixel = picture.Row(y) + static_cast<std::size_t>(left) * 3;
        for (int x = left; x < right; ++x, pixel += 3) {
            pixel[0] = color.R;
            pixel[1] = color.G;
            pixel[2] = color.B;
        }
    }
}

void CopyPixels(const Picture& source, PixelRect from, Picture& target, TPoint at) {
    // Positions may lie far outside either picture, so they are clipped in wide arithmetic:
    // first the source rectangle to the source, then its placement to the target.
    using Wide = long long;
    Wide srcLeft = std::max<Wide>(from.left, 0);
    Wide srcTop = std::max<Wide>(from.top, 0);
    const Wide srcRight = std::min<Wide>(Wide{from.left} + from.width, source.Width());
    const Wide srcBottom = std::min<Wide>(Wide{from.top} + from.height, source.Height());
    Wide dstLeft = at.X + (srcLeft - from.left);
    Wide dstTop = at.Y + (srcTop - from.top);
    if (dstLeft < 0) {
        srcLeft -= dstLeft;
        dstLeft = 0;
    }
    if (dstTop < 0) {
        srcTop -= dstTop;
        dstTop = 0;
    }
    const Wide width = std::min(srcRight - srcLeft, target.Width() - dstLeft);
    const Wide height = std::min(srcBottom - srcTop, target.Height() - dstTop);
    if (width <= 0 || height <= 0) {
        return;
    }
    for (Wide y = 0; y < height; ++y) {
        std::memcpy(target.Row(static_cast<int>(dstTop + y)) + dstLeft * 3,
                    source.Row(static_cast<int>(srcTop + y)) + srcLeft * 3,
                    static_cast<std::size_t>(width) * 3);
    }
}

} // namespace tw
