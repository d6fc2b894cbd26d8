#pragma once

// Small pictures written in every format the decoders read, made by the tests themselves:
// the libraries' own writers for JPEG, PNG, GIF and TIFF, byte by byte for the rest.

#include "core/image/Picture.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tw::fixtures {

using Bytes = std::vector<std::uint8_t>;

struct Rgb {
    std::uint8_t r, g, b;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

Rgb PixelAt(const Picture& picture, int x, int y);
void SetPixel(Picture& picture, int x, int y, Rgb colour);

// A width x height picture whose pixels cycle through the first `colours` entries of a fixed
// table of distinct colours (every component 0, 132 or 255, so 5-bit channels keep them).
Picture Pattern(int width, int height, int colours);
// Noise with a fixed seed.
Picture RandomPicture(int width, int height, unsigned seed);
// The distinct colours of a picture, in order of first appearance.
std::vector<Rgb> ColoursOf(const Picture& picture);

// Little- and big-endian byte building.
struct ByteWriter {
    Bytes bytes;
    void U8(unsigned v) { bytes.push_back(static_cast<std::uint8_t>(v)); }
    void U16LE(unsigned v);
    void U32LE(std::uint32_t v);
    void U16BE(unsigned v);
    void U32BE(std::uint32_t v);
    void Append(const Bytes& more) { bytes.insert(bytes.end(), more.begin(), more.end()); }
    void Text(const std::string& text) { bytes.insert(bytes.end(), text.begin(), text.end()); }
};

enum class PngLayout { Rgb, Rgba, Palette, PaletteWithTransparency, Grey16, RgbInterlaced };
// `alpha` (one per pixel) is used by the layouts with transparency.
Bytes WritePng(const Picture& picture, PngLayout layout,
               const std::vector<std::uint8_t>& alpha = {});

// 4:4:4 sampling, so flat 8 x 8 blocks come back almost exactly. A non-zero
// `exifOrientation` adds an EXIF block with that orientation.
Bytes WriteJpeg(const Picture& picture, int quality = 100, bool progressive = false,
                int exifOrientation = 0);
// Adobe-style CMYK (stored inverted, 255 = no ink) of the given colours.
Bytes WriteCmykJpeg(const Picture& picture);

Bytes WriteGif(const Picture& picture, int transparentIndex = -1, bool interlaced = false);
// The picture as a frame at (left, top) of a logical screen of the given size.
struct GifPlacement {
    int screenWidth, screenHeight, left, top;
};
Bytes WriteGifFrame(const Picture& picture, GifPlacement placement, int transparentIndex = -1,
                    bool interlaced = false);

enum class TiffOrientation { TopLeft, BottomLeft };
Bytes WriteTiff(const Picture& picture, TiffOrientation orientation = TiffOrientation::TopLeft,
                const std::vector<std::uint8_t>& alpha = {});
// The rows as given, tagged with an orientation (1..8) that says how to turn them upright.
Bytes WriteTiffAsStored(const Picture& stored, int orientation);
// A TIFF header claiming a size without carrying the pixels.
Bytes WriteTiffHeaderOnly(std::uint32_t width, std::uint32_t height);

enum class BmpLayout { Bits1, Bits4, Bits8TopDown, Rle8, Rle4, Bits16, Bits32Fields, Core24 };
Bytes WriteBmp(const Picture& picture, BmpLayout layout);
// A BITMAPINFOHEADER file header claiming the given size, with no pixels.
Bytes WriteBmpHeader(std::int32_t width, std::int32_t height, int bitCount);

// An icon of several sizes: each entry is BMP (32-bit with alpha, or 24-bit with the AND
// mask taken from alpha 0) or PNG.
enum class IconEntryKind { Bmp32Alpha, Bmp24Mask, Png };
struct IconImage {
    Picture picture;
    std::vector<std::uint8_t> alpha;
    IconEntryKind kind;
};
Bytes WriteIco(const std::vector<IconImage>& images);

Bytes WriteTga(const Picture& picture, bool rle, bool topOrigin, bool withFooter,
               const std::vector<std::uint8_t>& alpha = {});
// Colour-mapped, 8-bit indices into a 24-bit map that starts at index 5.
Bytes WriteTgaColourMapped(const Picture& picture, bool rle);
enum class PsdMode { Rgb, Grey16, Indexed, Cmyk };
Bytes WritePsd(const Picture& picture, bool rle, PsdMode mode = PsdMode::Rgb);

} // namespace tw::fixtures
