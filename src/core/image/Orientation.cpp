#include "core/image/Orientation.h"

#include "core/image/ByteReader.h"

#include <cstring>

namespace tw::decoders {

int ReadExifOrientation(Bytes app1) {
    constexpr std::size_t kExifHeader = 6;
    constexpr std::uint16_t kOrientationTag = 0x0112;
    constexpr std::uint16_t kShortType = 3;
    if (app1.size() < kExifHeader + 8 || std::memcmp(app1.data(), "Exif\0\0", kExifHeader) != 0)
        return 1;
    const Bytes tiff = app1.subspan(kExifHeader);
    const bool little = tiff[0] == 'I' && tiff[1] == 'I';
    if (!little && !(tiff[0] == 'M' && tiff[1] == 'M'))
        return 1;
    try {
        ByteReader in(tiff, 4);
        auto u16 = [&] { return little ? in.U16LE() : in.U16BE(); };
        auto u32 = [&] { return little ? in.U32LE() : in.U32BE(); };
        in.Seek(u32());
        const std::uint16_t entries = u16();
        for (std::uint16_t i = 0; i < entries; ++i) {
            const std::uint16_t tag = u16();
            const std::uint16_t type = u16();
            in.Skip(4); // count
            const std::uint16_t value = u16();
            in.Skip(2);
            if (tag == kOrientationTag && type == kShortType)
                return value >= 1 && value <= 8 ? value : 1;
        }
    } catch (const PictureError&) {
        // A damaged EXIF block leaves the picture as stored.
    }
    return 1;
}

Picture Orient(Picture picture, int orientation) {
    if (orientation <= 1 || orientation > 8)
        return picture;
    const int w = picture.Width();
    const int h = picture.Height();
    const bool swap = SwapsSides(orientation);
    Picture upright(swap ? h : w, swap ? w : h);
    for (int y = 0; y < upright.Height(); ++y) {
        std::uint8_t* out = upright.Row(y);
        for (int x = 0; x < upright.Width(); ++x, out += 3) {
            int sx = x;
            int sy = y;
            switch (orientation) {
            case 2: // mirrored
                sx = w - 1 - x;
                break;
            case 3: // half turn
                sx = w - 1 - x;
                sy = h - 1 - y;
                break;
            case 4: // mirrored upside down
                sy = h - 1 - y;
                break;
            case 5: // transposed
                sx = y;
                sy = x;
                break;
            case 6: // stored a quarter turn anticlockwise: turn clockwise
                sx = y;
                sy = h - 1 - x;
                break;
            case 7: // transversed
                sx = w - 1 - y;
                sy = h - 1 - x;
                break;
            default: // 8: stored a quarter turn clockwise: turn anticlockwise
                sx = w - 1 - y;
                sy = x;
                break;
            }
            std::memcpy(out, picture.Row(sy) + 3 * static_cast<std::size_t>(sx), 3);
        }
    }
    return upright;
}

} // namespace tw::decoders
