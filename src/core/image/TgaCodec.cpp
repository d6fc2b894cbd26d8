// Truevision Targa: colour-mapped, true-colour and grey, uncompressed and run-length encoded.

#include "core/image/ByteReader.h"
#include "core/image/FormatDecoders.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace tw::decoders {
namespace {

constexpr std::size_t kHeaderSize = 18;
constexpr std::string_view kFooterSignature{"TRUEVISION-XFILE.\0", 18};

enum class ImageType : std::uint8_t {
    ColourMapped = 1,
    TrueColour = 2,
    Grey = 3,
    RleColourMapped = 9,
    RleTrueColour = 10,
    RleGrey = 11,
};

struct TgaHeader {
    std::uint8_t idLength = 0;
    std::uint8_t colourMapType = 0;
    ImageType type = ImageType::TrueColour;
    int mapFirst = 0;
    int mapLength = 0;
    int mapEntryBits = 0;
    int width = 0;
    int height = 0;
    int pixelBits = 0;
    std::uint8_t descriptor = 0;

    bool Rle() const { return static_cast<std::uint8_t>(type) >= 9; }
    ImageType Base() const { return static_cast<ImageType>(static_cast<std::uint8_t>(type) & 7); }
    int PixelBytes() const { return (pixelBits + 7) / 8; }
    bool TopOrigin() const { return (descriptor & 0x20) != 0; }
    bool RightOrigin() const { return (descriptor & 0x10) != 0; }
};

bool ValidEntryBits(int bits) {
    return bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

TgaHeader ReadHeader(Bytes bytes) {
    ByteReader in(bytes);
    TgaHeader h;
    h.idLength = in.U8();
    h.colourMapType = in.U8();
    const std::uint8_t type = in.U8();
    h.mapFirst = in.U16LE();
    h.mapLength = in.U16LE();
    h.mapEntryBits = in.U8();
    in.Skip(4); // origin
    h.width = in.U16LE();
    h.height = in.U16LE();
    h.pixelBits = in.U8();
    h.descriptor = in.U8();

    const bool knownType =
        type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11;
    if (!knownType || h.colourMapType > 1)
        throw PictureError("the file is not a Targa picture");
    h.type = static_cast<ImageType>(type);
    switch (h.Base()) {
    case ImageType::ColourMapped:
        if (h.colourMapType != 1 || (h.pixelBits != 8 && h.pixelBits != 16) ||
            !ValidEntryBits(h.mapEntryBits))
            throw PictureError("the Targa picture has an unsupported colour map");
        break;
    case ImageType::TrueColour:
        if (!ValidEntryBits(h.pixelBits))
            throw PictureError("the Targa picture has an unsupported depth of " +
                               std::to_string(h.pixelBits) + " bits");
        break;
    default:
        if (h.pixelBits != 8 && h.pixelBits != 16)
            throw PictureError("the Targa picture has an unsupported depth of " +
                               std::to_string(h.pixelBits) + " bits");
        break;
    }
    RequireAllowedSize(h.width, h.height);
    return h;
}

struct Rgba {
    std::uint8_t r = 0, g = 0, b = 0, a = 255;
};

// One stored pixel (little-endian, blue first) as colour.
Rgba Unpack(const std::uint8_t* p, int bits) {
    switch (bits) {
    case 8:
        return {p[0], p[0], p[0], 255};
    case 15:
    case 16: {
        const unsigned v = p[0] | (p[1] << 8);
        auto five = [](unsigned c) { return static_cast<std::uint8_t>((c * 255 + 15) / 31); };
        return {five((v >> 10) & 31), five((v >> 5) & 31), five(v & 31), 255};
    }
    case 24:
        return {p[2], p[1], p[0], 255};
    default:
        return {p[2], p[1], p[0], p[3]};
    }
}

} // namespace

bool IsTga(Bytes bytes) {
    if (bytes.size() < kHeaderSize + 26)
        return false;
    return std::memcmp(bytes.data() + bytes.size() - kFooterSignature.size(),
                       kFooterSignature.data(), kFooterSignature.size()) == 0;
}

PictureInfo ProbeTga(Bytes bytes) {
    const TgaHeader h = ReadHeader(bytes);
    return {h.width, h.height, "tga"};
}

Picture DecodeTga(Bytes bytes) {
    const TgaHeader h = ReadHeader(bytes);
    ByteReader in(bytes, kHeaderSize);
    in.Skip(h.idLength);

    std::vector<Rgba> map;
    if (h.colourMapType == 1) {
        const int entryBytes = (h.mapEntryBits + 7) / 8;
        const auto stored = in.Take(static_cast<std::size_t>(h.mapLength) * entryBytes);
        if (h.Base() == ImageType::ColourMapped) {
            map.resize(static_cast<std::size_t>(h.mapFirst) + h.mapLength);
            for (int i = 0; i < h.mapLength; ++i)
                map[static_cast<std::size_t>(h.mapFirst + i)] = Unpack(
                    stored.data() + static_cast<std::size_t>(i) * entryBytes, h.mapEntryBits);
        }
    }

    const int pixelBytes = h.PixelBytes();
    const bool grey16 = h.Base() == ImageType::Grey && h.pixelBits == 16; // grey + alpha
    const bool hasAlpha = grey16 || (h.pixelBits == 32 && h.Base() == ImageType::TrueColour);
    const int unpackBits = h.Base() == ImageType::Grey ? 8 : h.pixelBits;
    // Enough data for every pixel must be there before the picture is made: all of it when
    // uncompressed, a packet per 128 pixels at least when run-length encoded.
    const long long total = static_cast<long long>(h.width) * h.height;
    in.Require(static_cast<std::size_t>(h.Rle() ? (total + 127) / 128 * (1 + pixelBytes)
                                                : total * pixelBytes));
    Picture picture(h.width, h.height);
    std::vector<std::uint8_t> alpha(hasAlpha ? static_cast<std::size_t>(h.width) * h.height : 0);

    long long written = 0;
    auto emit = [&](const std::uint8_t* p) {
        Rgba c;
        if (h.Base() == ImageType::ColourMapped) {
            const std::size_t index = pixelBytes == 1 ? p[0] : p[0] | (p[1] << 8);
            if (index < map.size())
                c = map[index];
            else
                c = {0, 0, 0, 255};
        } else {
            c = Unpack(p, unpackBits);
            if (grey16)
                c.a = p[1];
        }
        const int column = static_cast<int>(written % h.width);
        const int row = static_cast<int>(written / h.width);
        const int x = h.RightOrigin() ? h.width - 1 - column : column;
        const int y = h.TopOrigin() ? row : h.height - 1 - row;
        std::uint8_t* out = picture.Row(y) + 3 * static_cast<std::size_t>(x);
        out[0] = c.r;
        out[1] = c.g;
        out[2] = c.b;
        if (hasAlpha)
            alpha[static_cast<std::size_t>(y) * h.width + x] = c.a;
        ++written;
    };

    if (!h.Rle()) {
        const auto data = in.Take(static_cast<std::size_t>(total) * pixelBytes);
        for (long long i = 0; i < total; ++i)
            emit(data.data() + i * pixelBytes);
    } else {
        // Packets may run across rows but never past the last pixel.
        while (written < total) {
            const std::uint8_t packet = in.U8();
            const long long count = std::min<long long>((packet & 0x7F) + 1, total - written);
            if ((packet & 0x80) != 0) {
                const auto pixel = in.Take(static_cast<std::size_t>(pixelBytes));
                for (long long i = 0; i < count; ++i)
                    emit(pixel.data());
            } else {
                const auto pixels = in.Take(static_cast<std::size_t>(count) * pixelBytes);
                for (long long i = 0; i < count; ++i)
                    emit(pixels.data() + i * pixelBytes);
            }
        }
    }

    // Many writers leave the alpha channel at zero without meaning transparency.
    if (std::ranges::any_of(alpha, [](std::uint8_t a) { return a != 0; })) {
        std::uint8_t* p = picture.Data();
        for (const std::uint8_t a : alpha) {
            for (int c = 0; c < 3; ++c, ++p)
                *p = OverWhite(*p, a);
        }
    }
    return picture;
}

} // namespace tw::decoders
