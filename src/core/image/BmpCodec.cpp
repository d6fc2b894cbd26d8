// BMP files and the device-independent bitmaps inside icons.

#include "core/image/ByteReader.h"
#include "core/image/FormatDecoders.h"

#include <algorithm>
#include <array>
#include <bit>
#include <optional>

namespace tw::decoders {
namespace {

enum class Compression : std::uint32_t {
    Rgb = 0,
    Rle8 = 1,
    Rle4 = 2,
    BitFields = 3,
    Jpeg = 4,
    Png = 5,
    AlphaBitFields = 6,
};

constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;

struct DibHeader {
    std::uint32_t headerSize = 0;
    long long width = 0;
    long long height = 0; // as stored: negative means top-down rows
    int bitCount = 0;
    Compression compression = Compression::Rgb;
    std::uint32_t coloursUsed = 0;
    std::array<std::uint32_t, 4> masks{}; // red, green, blue, alpha; zero when absent

    long long Rows() const { return height < 0 ? -height : height; }
    bool TopDown() const { return height < 0; }
};

// One colour channel packed in a 16- or 32-bit pixel.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;

    explicit Channel(std::uint32_t m) : mask(m) {
        if (mask != 0) {
            shift = std::countr_zero(mask);
            max = mask >> shift;
        }
    }
    std::uint8_t Expand(std::uint32_t pixel) const {
        if (max == 0)
            return 0;
        return static_cast<std::uint8_t>((((pixel & mask) >> shift) * 255 + max / 2) / max);
    }
};

DibHeader ReadDibHeader(ByteReader& in) {
    DibHeader header;
    header.headerSize = in.U32LE();
    if (header.headerSize == kCoreHeaderSize) {
        header.width = in.U16LE();
        header.height = in.U16LE();
        in.Skip(2); // planes
        header.bitCount = in.U16LE();
        return header;
    }
    if (header.headerSize < 16 || header.headerSize > 4096)
        throw PictureError("the BMP header is damaged (header size " +
                           std::to_string(header.headerSize) + ")");
    const std::size_t start = in.Offset() - 4;
    in.Require(header.headerSize - 4);
    header.width = in.I32LE();
    header.height = in.I32LE();
    in.Skip(2); // planes
    header.bitCount = in.U16LE();
    if (header.headerSize >= 20)
        header.compression = static_cast<Compression>(in.U32LE());
    if (header.headerSize >= 36) {
        in.Skip(12); // image size, resolution
        header.coloursUsed = in.U32LE();
    }
    // OS/2 2.x headers (16 to 64 bytes other than the Windows sizes 40, 52 and 56) carry no
    // colour masks and number their compressions differently; only uncompressed and RLE are
    // shared.
    const bool os2 =
        header.headerSize == 64 || (header.headerSize != kInfoHeaderSize && header.headerSize < 52);
    if (!os2 && header.headerSize >= 52) {
        in.Seek(start + kInfoHeaderSize);
        for (std::size_t i = 0; i < (header.headerSize >= 56 ? 4u : 3u); ++i)
            header.masks[i] = in.U32LE();
    }
    in.Seek(start + header.headerSize);
    if (os2 && header.compression != Compression::Rgb && header.compression != Compression::Rle8 &&
        header.compression != Compression::Rle4)
        throw PictureError("the BMP file uses an OS/2 compression that is not supported");
    if (header.headerSize == kInfoHeaderSize) {
        if (header.compression == Compression::BitFields) {
            for (std::size_t i = 0; i < 3; ++i)
                header.masks[i] = in.U32LE();
        } else if (header.compression == Compression::AlphaBitFields) {
            for (std::size_t i = 0; i < 4; ++i)
                header.masks[i] = in.U32LE();
        }
    }
    return header;
}

void ValidateHeader(const DibHeader& header) {
    RequireAllowedSize(header.width, header.Rows());
    const int bits = header.bitCount;
    switch (header.compression) {
    case Compression::Rgb:
        if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
            throw PictureError("the BMP file has an unsupported depth of " + std::to_string(bits) +
                               " bits per pixel");
        break;
    case Compression::Rle8:
    case Compression::Rle4:
        if (bits != (header.compression == Compression::Rle8 ? 8 : 4))
            throw PictureError("the BMP file's run-length compression does not match its depth");
        if (header.TopDown())
            throw PictureError("the BMP file is damaged (compressed rows cannot run top-down)");
        break;
    case Compression::BitFields:
    case Compression::AlphaBitFields:
        if (bits != 16 && bits != 32)
            throw PictureError("the BMP file's bit fields do not match its depth");
        break;
    case Compression::Jpeg:
    case Compression::Png:
        throw PictureError("BMP files holding JPEG or PNG data are not supported");
    default:
        throw PictureError("the BMP file uses an unknown compression (" +
                           std::to_string(static_cast<std::uint32_t>(header.compression)) + ")");
    }
}

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};

std::vector<Rgb> ReadPalette(ByteReader& in, const DibHeader& header) {
    if (header.bitCount > 8)
        return {};
    const std::size_t entrySize = header.headerSize == kCoreHeaderSize ? 3 : 4;
    const std::size_t full = std::size_t{1} << header.bitCount;
    std::size_t count = header.coloursUsed == 0 ? full : header.coloursUsed;
    count = std::min(count, full);
    std::vector<Rgb> palette(full); // entries the file leaves out stay black
    for (std::size_t i = 0; i < count; ++i) {
        const auto entry = in.Take(entrySize);
        palette[i] = {entry[2], entry[1], entry[0]};
    }
    if (header.coloursUsed > count)
        in.Skip(std::min<std::size_t>(in.Remaining(), (header.coloursUsed - count) * entrySize));
    return palette;
}

std::size_t RowStride(long long width, int bitCount) {
    return static_cast<std::size_t>((width * bitCount + 31) / 32 * 4);
}

// Palette indices of a run-length compressed bitmap, one byte per pixel, bottom row first.
std::vector<std::uint8_t> ExpandRle(ByteReader& in, int width, int rows, bool fourBit) {
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(width) * rows, 0);
    int x = 0;
    int y = 0;
    auto put = [&](std::uint8_t index) {
        if (x < width && y < rows)
            indices[static_cast<std::size_t>(y) * width + x] = index;
        ++x;
    };
    while (y < rows) {
        const std::uint8_t count = in.U8();
        const std::uint8_t value = in.U8();
        if (count > 0) {
            for (int i = 0; i < count; ++i)
                put(fourBit ? static_cast<std::uint8_t>(i % 2 == 0 ? value >> 4 : value & 15)
                            : value);
        } else if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // delta
            x += in.U8();
            y += in.U8();
        } else { // absolute run of `value` pixels, padded to a 16-bit boundary
            const std::size_t bytes = fourBit ? (value + 1u) / 2 : value;
            const auto run = in.Take(bytes);
            for (int i = 0; i < value; ++i)
                put(fourBit
                        ? static_cast<std::uint8_t>(i % 2 == 0 ? run[i / 2] >> 4 : run[i / 2] & 15)
                        : run[static_cast<std::size_t>(i)]);
            if (bytes % 2 == 1)
                in.Skip(1);
        }
    }
    return indices;
}

// Pixel rows decoded to RGB, plus the alpha a 32-bit icon carries.
struct DibPixels {
    Picture picture;
    std::vector<std::uint8_t> alpha; // one per pixel, only for 32-bit icon bitmaps
};

DibPixels DecodeRows(ByteReader& in, const DibHeader& header, const std::vector<Rgb>& palette,
                     bool keepAlpha) {
    const int width = static_cast<int>(header.width);
    const int rows = static_cast<int>(header.Rows());
    const bool rle =
        header.compression == Compression::Rle8 || header.compression == Compression::Rle4;
    const int bits = header.bitCount;
    const std::size_t stride = RowStride(width, bits);
    // Uncompressed pixels must all be there before the picture is made; the last row need
    // not carry its padding.
    if (!rle)
        in.Require(stride * static_cast<std::size_t>(rows - 1) +
                   (static_cast<std::size_t>(width) * bits + 7) / 8);
    DibPixels result{Picture(width, rows), {}};
    Picture& picture = result.picture;
    auto targetRow = [&](int fileRow) {
        return picture.Row(header.TopDown() ? fileRow : rows - 1 - fileRow);
    };

    if (rle) {
        const auto indices = ExpandRle(in, width, rows, header.compression == Compression::Rle4);
        for (int fileRow = 0; fileRow < rows; ++fileRow) {
            std::uint8_t* out = targetRow(fileRow);
            const std::uint8_t* row = indices.data() + static_cast<std::size_t>(fileRow) * width;
            for (int x = 0; x < width; ++x, out += 3) {
                const Rgb& c = palette[row[x]];
                out[0] = c.r;
                out[1] = c.g;
                out[2] = c.b;
            }
        }
        return result;
    }

    std::array<std::uint32_t, 4> masks = header.masks;
    const bool fields = header.compression == Compression::BitFields ||
                        header.compression == Compression::AlphaBitFields;
    if (!fields) {
        masks = bits == 16 ? std::array<std::uint32_t, 4>{0x7C00, 0x03E0, 0x001F, 0}
                           : std::array<std::uint32_t, 4>{0xFF0000, 0xFF00, 0xFF, 0};
    }
    if (keepAlpha && bits == 32) {
        if (masks[3] == 0)
            masks[3] = ~(masks[0] | masks[1] | masks[2]);
        result.alpha.resize(static_cast<std::size_t>(width) * rows);
    }
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
    const std::size_t start = in.Offset();

    for (int fileRow = 0; fileRow < rows; ++fileRow) {
        in.Seek(start + stride * static_cast<std::size_t>(fileRow));
        const auto src = in.Take(std::min(stride, in.Remaining()));
        std::uint8_t* out = targetRow(fileRow);
        const int pictureRow = header.TopDown() ? fileRow : rows - 1 - fileRow;
        if (bits <= 8) {
            const int perByte = 8 / bits;
            const unsigned indexMask = (1u << bits) - 1;
            for (int x = 0; x < width; ++x, out += 3) {
                const int shift = 8 - bits * (x % perByte + 1);
                const Rgb& c =
                    palette[(src[static_cast<std::size_t>(x / perByte)] >> shift) & indexMask];
                out[0] = c.r;
                out[1] = c.g;
                out[2] = c.b;
            }
        } else if (bits == 24) {
            for (int x = 0; x < width; ++x, out += 3) {
                out[0] = src[3 * static_cast<std::size_t>(x) + 2];
                out[1] = src[3 * static_cast<std::size_t>(x) + 1];
                out[2] = src[3 * static_cast<std::size_t>(x)];
            }
        } else {
            const std::size_t bytes = static_cast<std::size_t>(bits / 8);
            for (int x = 0; x < width; ++x, out += 3) {
                const std::size_t at = bytes * static_cast<std::size_t>(x);
                std::uint32_t pixel = src[at] | (src[at + 1] << 8);
                if (bytes == 4)
                    pixel |= (static_cast<std::uint32_t>(src[at + 2]) << 16) |
                             (static_cast<std::uint32_t>(src[at + 3]) << 24);
                out[0] = red.Expand(pixel);
                out[1] = green.Expand(pixel);
                out[2] = blue.Expand(pixel);
                if (!result.alpha.empty())
                    result.alpha[static_cast<std::size_t>(pictureRow) * width + x] =
                        alpha.Expand(pixel);
            }
        }
    }
    in.Seek(start + stride * static_cast<std::size_t>(rows));
    return result;
}

std::size_t PaletteBytes(const DibHeader& header) {
    if (header.bitCount > 8)
        return 0;
    const std::size_t full = std::size_t{1} << header.bitCount;
    const std::size_t count = header.coloursUsed == 0 ? full : header.coloursUsed;
    return count * (header.headerSize == kCoreHeaderSize ? 3 : 4);
}

constexpr std::size_t kFileHeaderSize = 14;

} // namespace

bool IsBmp(Bytes bytes) {
    if (bytes.size() < kFileHeaderSize + 4 || bytes[0] != 'B' || bytes[1] != 'M')
        return false;
    const std::uint32_t headerSize = ByteReader(bytes, kFileHeaderSize).U32LE();
    return headerSize == kCoreHeaderSize || (headerSize >= 16 && headerSize <= 4096);
}

PictureInfo ProbeBmp(Bytes bytes) {
    if (!IsBmp(bytes))
        throw PictureError("the file is not a BMP picture");
    ByteReader in(bytes, kFileHeaderSize);
    const DibHeader header = ReadDibHeader(in);
    ValidateHeader(header);
    return {static_cast<int>(header.width), static_cast<int>(header.Rows()), "bmp"};
}

Picture DecodeBmp(Bytes bytes) {
    if (!IsBmp(bytes))
        throw PictureError("the file is not a BMP picture");
    ByteReader in(bytes, 10);
    const std::uint32_t pixelOffset = in.U32LE();
    const DibHeader header = ReadDibHeader(in);
    ValidateHeader(header);
    const std::vector<Rgb> palette = ReadPalette(in, header);
    // Trust the stored offset of the pixels only where it is plausible; some writers get it
    // wrong, and the pixels then follow the palette directly.
    const std::size_t afterPalette =
        kFileHeaderSize + header.headerSize + PaletteBytes(header) +
        (header.headerSize == kInfoHeaderSize && header.compression == Compression::BitFields ? 12
         : header.headerSize == kInfoHeaderSize && header.compression == Compression::AlphaBitFields
             ? 16
             : 0);
    if (pixelOffset >= kFileHeaderSize + header.headerSize && pixelOffset < bytes.size())
        in.Seek(pixelOffset);
    else
        in.Seek(afterPalette);
    return DecodeRows(in, header, palette, false).picture;
}

// Icons: the largest image of the directory, its transparent parts on white.
namespace {

constexpr std::size_t kIconDirSize = 6;
constexpr std::size_t kIconEntrySize = 16;

struct IconEntry {
    int width = 0;
    int height = 0;
    int bitCount = 0;
    std::uint32_t size = 0;
    std::uint32_t offset = 0;
};

std::vector<IconEntry> ReadIconDirectory(Bytes bytes) {
    ByteReader in(bytes);
    if (in.U16LE() != 0)
        throw PictureError("the file is not an icon");
    const std::uint16_t type = in.U16LE();
    const std::uint16_t count = in.U16LE();
    if ((type != 1 && type != 2) || count == 0)
        throw PictureError("the file is not an icon");
    std::vector<IconEntry> entries;
    for (std::uint16_t i = 0; i < count; ++i) {
        IconEntry entry;
        entry.width = in.U8();
        entry.height = in.U8();
        in.Skip(4); // colour count, reserved, planes or hot spot
        entry.bitCount = in.U16LE();
        entry.size = in.U32LE();
        entry.offset = in.U32LE();
        if (entry.width == 0)
            entry.width = 256;
        if (entry.height == 0)
            entry.height = 256;
        if (entry.offset >= kIconDirSize && entry.offset < bytes.size() && entry.size > 0)
            entries.push_back(entry);
    }
    if (entries.empty())
        throw PictureError("the icon holds no image");
    return entries;
}

IconEntry LargestIcon(const std::vector<IconEntry>& entries) {
    return *std::ranges::max_element(entries, {}, [](const IconEntry& e) {
        return std::pair(static_cast<long long>(e.width) * e.height, e.bitCount);
    });
}

Bytes IconImageBytes(Bytes bytes, const IconEntry& entry) {
    const std::size_t available = bytes.size() - entry.offset;
    return bytes.subspan(entry.offset, std::min<std::size_t>(entry.size, available));
}

Picture DecodeIconDib(Bytes image) {
    ByteReader in(image);
    DibHeader header = ReadDibHeader(in);
    header.height = header.Rows() / 2; // the height counts the colour bitmap and the mask
    ValidateHeader(header);
    const std::vector<Rgb> palette = ReadPalette(in, header);
    DibPixels pixels = DecodeRows(in, header, palette, true);
    Picture& picture = pixels.picture;
    const int width = picture.Width();
    const int rows = picture.Height();
    const std::size_t count = static_cast<std::size_t>(width) * rows;

    const bool hasAlpha = std::ranges::any_of(pixels.alpha, [](std::uint8_t a) { return a != 0; });
    if (hasAlpha) {
        for (std::size_t i = 0; i < count; ++i) {
            std::uint8_t* p = picture.Data() + 3 * i;
            for (int c = 0; c < 3; ++c)
                p[c] = OverWhite(p[c], pixels.alpha[i]);
        }
        return picture;
    }
    // The AND mask: set bits are transparent. Icons without a complete mask show opaque.
    const std::size_t stride = RowStride(width, 1);
    if (in.Remaining() < stride * static_cast<std::size_t>(rows))
        return picture;
    const auto mask = in.Take(stride * static_cast<std::size_t>(rows));
    for (int fileRow = 0; fileRow < rows; ++fileRow) {
        std::uint8_t* out = picture.Row(rows - 1 - fileRow);
        const std::uint8_t* bits = mask.data() + stride * static_cast<std::size_t>(fileRow);
        for (int x = 0; x < width; ++x) {
            if ((bits[x / 8] >> (7 - x % 8)) & 1)
                std::fill_n(out + 3 * x, 3, std::uint8_t{255});
        }
    }
    return picture;
}

} // namespace

bool IsIco(Bytes bytes) {
    if (bytes.size() < kIconDirSize + kIconEntrySize)
        return false;
    ByteReader in(bytes);
    const std::uint16_t reserved = in.U16LE();
    const std::uint16_t type = in.U16LE();
    const std::uint16_t count = in.U16LE();
    if (reserved != 0 || (type != 1 && type != 2) || count == 0 ||
        bytes.size() < kIconDirSize + kIconEntrySize * count)
        return false;
    // The first entry's reserved byte is zero and its data lies after the directory.
    in.Skip(3);
    if (in.U8() != 0)
        return false;
    in.Skip(8);
    const std::uint32_t offset = in.U32LE();
    return offset >= kIconDirSize + kIconEntrySize * count && offset < bytes.size();
}

PictureInfo ProbeIco(Bytes bytes) {
    const IconEntry entry = LargestIcon(ReadIconDirectory(bytes));
    const Bytes image = IconImageBytes(bytes, entry);
    if (IsPng(image)) {
        PictureInfo info = ProbePng(image);
        info.format = "ico";
        return info;
    }
    ByteReader in(image);
    DibHeader header = ReadDibHeader(in);
    header.height = header.Rows() / 2;
    ValidateHeader(header);
    return {static_cast<int>(header.width), static_cast<int>(header.height), "ico"};
}

Picture DecodeIco(Bytes bytes) {
    const IconEntry entry = LargestIcon(ReadIconDirectory(bytes));
    const Bytes image = IconImageBytes(bytes, entry);
    return IsPng(image) ? DecodePng(image) : DecodeIconDib(image);
}

} // namespace tw::decoders
