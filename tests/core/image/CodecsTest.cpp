#include "core/image/Codecs.h"

#include "PictureFixtures.h"
#include "core/image/Resample.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <zlib.h>

namespace tw {
namespace {

using namespace fixtures;

// Largest difference of any channel of any pixel; pictures of different sizes differ by 256.
int MaxDifference(const Picture& a, const Picture& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return 256;
    int worst = 0;
    for (std::size_t i = 0; i < a.ByteSize(); ++i)
        worst = std::max(worst, std::abs(a.Data()[i] - b.Data()[i]));
    return worst;
}

Picture Grey(const Picture& picture) {
    Picture grey(picture.Width(), picture.Height());
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x) {
            const std::uint8_t g = PixelAt(picture, x, y).g;
            SetPixel(grey, x, y, {g, g, g});
        }
    }
    return grey;
}

// Flat 8 x 8 blocks, which JPEG keeps almost exactly.
Picture Blocks(int width, int height) {
    Picture picture = Pattern(width / 8, height / 8, 16);
    return Stretch(picture, width, height);
}

std::vector<std::uint8_t> Opaque(const Picture& picture) {
    return std::vector<std::uint8_t>(static_cast<std::size_t>(picture.Width()) * picture.Height(),
                                     255);
}

struct FormatCase {
    std::string name;
    std::string extension;
    std::string format;
    Picture expected;
    int tolerance;
    std::function<Bytes(const Picture&)> write;
};

std::vector<FormatCase> FormatCases() {
    const Picture small = Pattern(7, 5, 16);
    const Picture twoColours = Pattern(9, 5, 2);
    const Picture tall = Pattern(5, 150, 16); // more rows than one TIFF band
    const Picture wide = Pattern(19, 13, 16);
    return {
        {"PngRgb", ".png", "png", small, 0, [](auto& p) { return WritePng(p, PngLayout::Rgb); }},
        {"PngPalette", ".png", "png", small, 0,
         [](auto& p) { return WritePng(p, PngLayout::Palette); }},
        {"PngGrey16", ".png", "png", Grey(small), 0,
         [](auto&) { return WritePng(Pattern(7, 5, 16), PngLayout::Grey16); }},
        {"PngInterlaced", ".png", "png", wide, 0,
         [](auto& p) { return WritePng(p, PngLayout::RgbInterlaced); }},
        {"Jpeg", ".jpg", "jpeg", Blocks(64, 48), 6, [](auto& p) { return WriteJpeg(p); }},
        {"JpegProgressive", ".jpg", "jpeg", Blocks(32, 24), 6,
         [](auto& p) { return WriteJpeg(p, 100, true); }},
        {"JpegCmyk", ".jpg", "jpeg", Blocks(32, 24), 6, [](auto& p) { return WriteCmykJpeg(p); }},
        {"Gif", ".gif", "gif", small, 0, [](auto& p) { return WriteGif(p); }},
        {"GifInterlaced", ".gif", "gif", wide, 0, [](auto& p) { return WriteGif(p, -1, true); }},
        {"Tiff", ".tif", "tiff", tall, 0, [](auto& p) { return WriteTiff(p); }},
        {"TiffBottomUp", ".tif", "tiff", tall, 0,
         [](auto& p) { return WriteTiff(p, TiffOrientation::BottomLeft); }},
        {"Bmp24", ".bmp", "bmp", small, 0, [](auto& p) { return EncodeBmp24(p); }},
        {"Bmp1", ".bmp", "bmp", twoColours, 0,
         [](auto& p) { return WriteBmp(p, BmpLayout::Bits1); }},
        {"Bmp4", ".bmp", "bmp", small, 0, [](auto& p) { return WriteBmp(p, BmpLayout::Bits4); }},
        {"Bmp8TopDown", ".bmp", "bmp", small, 0,
         [](auto& p) { return WriteBmp(p, BmpLayout::Bits8TopDown); }},
        {"BmpRle8", ".bmp", "bmp", wide, 0, [](auto& p) { return WriteBmp(p, BmpLayout::Rle8); }},
        {"BmpRle4", ".bmp", "bmp", wide, 0, [](auto& p) { return WriteBmp(p, BmpLayout::Rle4); }},
        {"Bmp16", ".bmp", "bmp", small, 0, [](auto& p) { return WriteBmp(p, BmpLayout::Bits16); }},
        {"Bmp32BitFields", ".bmp", "bmp", small, 0,
         [](auto& p) { return WriteBmp(p, BmpLayout::Bits32Fields); }},
        {"BmpOs2Core", ".bmp", "bmp", small, 0,
         [](auto& p) { return WriteBmp(p, BmpLayout::Core24); }},
        {"IcoLargestOfTwo", ".ico", "ico", small, 0,
         [](auto& p) {
             const Picture tiny = Pattern(3, 3, 4);
             return WriteIco({{tiny, Opaque(tiny), IconEntryKind::Bmp24Mask},
                              {p, Opaque(p), IconEntryKind::Bmp32Alpha}});
         }},
        {"IcoPng", ".ico", "ico", small, 0,
         [](auto& p) {
             return WriteIco({{p, Opaque(p), IconEntryKind::Png}});
         }},
        {"TgaBottomUpWithFooter", ".tga", "tga", small, 0,
         [](auto& p) { return WriteTga(p, false, false, true); }},
        {"TgaRleTopDown", ".tga", "tga", wide, 0,
         [](auto& p) { return WriteTga(p, true, true, false); }},
        {"TgaColourMapped", ".tga", "tga", small, 0,
         [](auto& p) { return WriteTgaColourMapped(p, false); }},
        {"TgaRleColourMapped", ".tga", "tga", wide, 0,
         [](auto& p) { return WriteTgaColourMapped(p, true); }},
        {"PsdRaw", ".psd", "psd", small, 0, [](auto& p) { return WritePsd(p, false); }},
        {"PsdPackBits", ".psd", "psd", wide, 0, [](auto& p) { return WritePsd(p, true); }},
        {"PsdGrey16", ".psd", "psd", Grey(small), 0,
         [](auto&) { return WritePsd(Pattern(7, 5, 16), true, PsdMode::Grey16); }},
        {"PsdIndexed", ".psd", "psd", small, 0,
         [](auto& p) { return WritePsd(p, false, PsdMode::Indexed); }},
        {"PsdCmyk", ".psd", "psd", wide, 0,
         [](auto& p) { return WritePsd(p, true, PsdMode::Cmyk); }},
    };
}

class FormatTest : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatTest, DecodesPixelsAndProbesSize) {
    const FormatCase& c = GetParam();
    // The writers get the expected picture; the grey cases write the coloured pattern whose
    // green channel the expectation holds.
    const Bytes bytes = c.write(c.expected);

    const Picture decoded = DecodePicture(bytes, c.extension);
    EXPECT_LE(MaxDifference(decoded, c.expected), c.tolerance);

    const PictureInfo info = ProbePicture(bytes, c.extension);
    EXPECT_EQ(info.width, c.expected.Width());
    EXPECT_EQ(info.height, c.expected.Height());
    EXPECT_EQ(info.format, c.format);
}

TEST_P(FormatTest, TruncatedFileThrows) {
    const FormatCase& c = GetParam();
    const Bytes bytes = c.write(c.expected);
    for (const std::size_t length : {std::size_t{0}, std::size_t{12}, bytes.size() / 2}) {
        SCOPED_TRACE(length);
        const Bytes cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_THROW(DecodePicture(cut, c.extension), PictureError);
    }
}

// Damaged bytes anywhere: a picture or a PictureError, never a crash (run under sanitizers).
TEST_P(FormatTest, DamagedBytesDecodeOrThrow) {
    const FormatCase& c = GetParam();
    const Bytes bytes = c.write(c.expected);
    std::srand(7);
    for (int round = 0; round < 60; ++round) {
        Bytes damaged = bytes;
        for (int hit = 0; hit < 1 + round % 4; ++hit)
            damaged[static_cast<std::size_t>(std::rand()) % damaged.size()] ^=
                static_cast<std::uint8_t>(1 + std::rand() % 255);
        try {
            const Picture picture = DecodePicture(damaged, c.extension);
            EXPECT_FALSE(picture.IsEmpty());
        } catch (const PictureError&) {
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, FormatTest, testing::ValuesIn(FormatCases()),
                         [](const auto& info) { return info.param.name; });

// Transparency is drawn over white -------------------------------------------------------------

struct TransparencyCase {
    std::string name;
    std::string extension;
    std::vector<std::uint8_t> alpha; // of blue, red, green
    std::function<Bytes(const Picture&, const std::vector<std::uint8_t>&)> write;
};

TEST(Transparency, IsDrawnOverWhite) {
    Picture colours(3, 1);
    SetPixel(colours, 0, 0, {0, 0, 255});
    SetPixel(colours, 1, 0, {255, 0, 0});
    SetPixel(colours, 2, 0, {0, 255, 0});
    const std::vector<std::uint8_t> partial{255, 128, 0};
    const std::vector<std::uint8_t> binary{255, 255, 0};
    const std::vector<TransparencyCase> cases{
        {"PngRgba", ".png", partial,
         [](auto& p, auto& a) { return WritePng(p, PngLayout::Rgba, a); }},
        {"PngPaletteTrns", ".png", binary,
         [](auto& p, auto& a) { return WritePng(p, PngLayout::PaletteWithTransparency, a); }},
        {"GifTransparentIndex", ".gif", binary, [](auto& p, auto&) { return WriteGif(p, 2); }},
        {"Ico32Alpha", ".ico", partial,
         [](auto& p, auto& a) {
             return WriteIco({{p, a, IconEntryKind::Bmp32Alpha}});
         }},
        {"IcoAndMask", ".ico", binary,
         [](auto& p, auto& a) {
             return WriteIco({{p, a, IconEntryKind::Bmp24Mask}});
         }},
        {"IcoPngAlpha", ".ico", partial,
         [](auto& p, auto& a) {
             return WriteIco({{p, a, IconEntryKind::Png}});
         }},
        {"Tga32", ".tga", partial,
         [](auto& p, auto& a) { return WriteTga(p, false, true, true, a); }},
        {"TiffUnassociatedAlpha", ".tif", partial,
         [](auto& p, auto& a) { return WriteTiff(p, TiffOrientation::TopLeft, a); }},
    };
    for (const TransparencyCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Picture decoded = DecodePicture(c.write(colours, c.alpha), c.extension);
        Picture expected(3, 1);
        for (int x = 0; x < 3; ++x) {
            const Rgb in = PixelAt(colours, x, 0);
            const unsigned a = c.alpha[static_cast<std::size_t>(x)];
            auto over = [a](unsigned v) {
                return static_cast<std::uint8_t>((v * a + 255 * (255 - a) + 127) / 255);
            };
            SetPixel(expected, x, 0, {over(in.r), over(in.g), over(in.b)});
        }
        EXPECT_LE(MaxDifference(decoded, expected), 1);
    }
}

TEST(Transparency, TargaAlphaOfZeroEverywhereMeansOpaque) {
    const Picture picture = Pattern(4, 2, 4);
    const std::vector<std::uint8_t> zero(8, 0);
    EXPECT_EQ(DecodePicture(WriteTga(picture, false, true, true, zero), ".tga"), picture);
}

// A first frame smaller than the GIF's screen sits at its place on white; one reaching past
// the screen makes the picture larger rather than being cut.
TEST(Gif, FramePlacedOnItsScreen) {
    const Picture frame = Pattern(5, 3, 4);
    struct Case {
        GifPlacement placement;
        int width, height;
    };
    const Case cases[] = {{{12, 8, 4, 2}, 12, 8}, {{6, 4, 3, 2}, 8, 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        Picture expected(c.width, c.height, 255);
        for (int y = 0; y < frame.Height(); ++y) {
            for (int x = 0; x < frame.Width(); ++x)
                SetPixel(expected, c.placement.left + x, c.placement.top + y, PixelAt(frame, x, y));
        }
        const Bytes gif = WriteGifFrame(frame, c.placement);
        EXPECT_EQ(DecodePicture(gif, ".gif"), expected);
        const PictureInfo info = ProbePicture(gif, ".gif");
        EXPECT_EQ(info.width, c.width);
        EXPECT_EQ(info.height, c.height);
    }
}

// Refused headers --------------------------------------------------------------------------------

Bytes PngChunk(const char* type, const Bytes& data) {
    ByteWriter out;
    out.U32BE(static_cast<std::uint32_t>(data.size()));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out.Append(typed);
    out.U32BE(static_cast<std::uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
    return out.bytes;
}

Bytes PngHeaderOnly(std::uint32_t width, std::uint32_t height) {
    ByteWriter ihdr;
    ihdr.U32BE(width);
    ihdr.U32BE(height);
    ihdr.Append({8, 2, 0, 0, 0});
    ByteWriter out;
    out.Append({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
    out.Append(PngChunk("IHDR", ihdr.bytes));
    return out.bytes;
}

// A JPEG whose frame header claims another size.
Bytes JpegClaiming(unsigned width, unsigned height) {
    Bytes bytes = WriteJpeg(Blocks(16, 16));
    for (std::size_t i = 2; i + 9 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) { // baseline frame header
            bytes[i + 5] = static_cast<std::uint8_t>(height >> 8);
            bytes[i + 6] = static_cast<std::uint8_t>(height & 255);
            bytes[i + 7] = static_cast<std::uint8_t>(width >> 8);
            bytes[i + 8] = static_cast<std::uint8_t>(width & 255);
            break;
        }
    }
    return bytes;
}

// A progressive JPEG whose last scan is repeated until there are thousands of scans.
Bytes JpegWithScanFlood() {
    Bytes bytes = WriteJpeg(Blocks(16, 16), 90, true);
    std::size_t lastScan = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA)
            lastScan = i;
    }
    const Bytes scan(bytes.begin() + static_cast<std::ptrdiff_t>(lastScan), bytes.end() - 2);
    Bytes flooded(bytes.begin(), bytes.end() - 2);
    for (int i = 0; i < 1500; ++i)
        flooded.insert(flooded.end(), scan.begin(), scan.end());
    flooded.insert(flooded.end(), {0xFF, 0xD9});
    return flooded;
}

Bytes GifClaiming(unsigned width, unsigned height) {
    Bytes bytes = WriteGif(Pattern(4, 4, 4));
    auto put16 = [&](std::size_t at, unsigned v) {
        bytes[at] = static_cast<std::uint8_t>(v & 255);
        bytes[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    put16(6, width); // logical screen
    put16(8, height);
    for (std::size_t i = 13; i + 9 < bytes.size(); ++i) {
        if (bytes[i] == 0x2C) { // image descriptor
            put16(i + 5, width);
            put16(i + 7, height);
            break;
        }
    }
    return bytes;
}

Bytes TgaHeaderOnly(unsigned width, unsigned height) {
    ByteWriter out;
    out.Append({0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    out.U16LE(width);
    out.U16LE(height);
    out.Append({24, 0});
    return out.bytes;
}

Bytes PsdHeaderOnly(std::uint32_t width, std::uint32_t height) {
    ByteWriter out;
    out.Text("8BPS");
    out.U16BE(1);
    out.Append({0, 0, 0, 0, 0, 0});
    out.U16BE(3);
    out.U32BE(height);
    out.U32BE(width);
    out.U16BE(8);
    out.U16BE(3);
    return out.bytes;
}

struct RefusalCase {
    std::string name;
    Bytes bytes;
    std::string extension;
    std::string reason;        // a part of the message
    bool headerRefused = true; // a probe, which reads only the header, refuses it too
};

TEST(Refusal, OversizedAndDamagedHeadersGiveClearErrors) {
    Bytes badCrc = WritePng(Pattern(4, 4, 4), PngLayout::Rgb);
    badCrc[29] ^= 0xFF; // inside IHDR's CRC
    Bytes unknownCompression = WriteBmp(Pattern(4, 4, 4), BmpLayout::Bits4);
    unknownCompression[30] = 9;
    Bytes os2Rle24 = WriteBmpHeader(4, 4, 24); // an OS/2 2.x header of 64 bytes
    os2Rle24[14] = 64;
    os2Rle24[30] = 4; // run-length 24-bit, which Windows numbers as JPEG
    os2Rle24.resize(14 + 64 + 64, 0);
    Bytes rleTopDown = WriteBmp(Pattern(4, 4, 4), BmpLayout::Rle8);
    for (std::size_t i = 22; i < 26; ++i) // height -4: top-down
        rleTopDown[i] = i == 22 ? 0xFC : 0xFF;
    const std::vector<RefusalCase> cases{
        {"BmpTooWide", WriteBmpHeader(20000, 10, 24), ".bmp", "too large"},
        {"BmpOver100Megapixels", WriteBmpHeader(10001, 10000, 24), ".bmp", "too large"},
        {"BmpNoPixels", WriteBmpHeader(0, 10, 24), ".bmp", "no pixels"},
        {"BmpDepth7", WriteBmpHeader(4, 4, 7), ".bmp", "depth"},
        {"BmpUnknownCompression", unknownCompression, ".bmp", "compression"},
        {"BmpOs2Rle24", os2Rle24, ".bmp", "OS/2 compression"},
        {"BmpRleTopDown", rleTopDown, ".bmp", "damaged"},
        {"PngTooTall", PngHeaderOnly(1, 16385), ".png", "too large"},
        {"PngBadCrc", badCrc, ".png", "damaged"},
        {"JpegTooWide", JpegClaiming(16385, 16), ".jpg", "too large"},
        {"JpegOver100Megapixels", JpegClaiming(12000, 9000), ".jpg", "too large"},
        {"JpegScanFlood", JpegWithScanFlood(), ".jpg", "scans", false},
        {"GifTooLarge", GifClaiming(16385, 16385), ".gif", "too large"},
        {"TiffTooLarge", WriteTiffHeaderOnly(20000, 20000), ".tif", "too large"},
        {"TgaTooWide", TgaHeaderOnly(20000, 1), ".tga", "too large"},
        {"PsdTooLarge", PsdHeaderOnly(16384, 16384), ".psd", "too large"},
        {"Empty", {}, ".png", "empty"},
        {"GifWithoutFrames",
         {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x3B},
         ".gif",
         "no picture"},
        {"TextFile", {'h', 'e', 'l', 'l', 'o'}, ".txt", "not a picture"},
        {"PlaceableMetafile", {0xD7, 0xCD, 0xC6, 0x9A, 0, 0, 0, 0}, ".dat", "cannot be drawn"},
        {"EnhancedMetafileByName", {1, 2, 3, 4, 5}, ".EMF", "cannot be drawn"},
        {"TargaWithoutFooterNeedsItsName", WriteTga(Pattern(2, 2, 2), false, true, false), ".bin",
         "not a picture"},
    };
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            DecodePicture(c.bytes, c.extension);
            ADD_FAILURE() << "decoded";
        } catch (const PictureError& error) {
            EXPECT_NE(std::string(error.what()).find(c.reason), std::string::npos) << error.what();
        }
        if (c.headerRefused) {
            EXPECT_THROW(ProbePicture(c.bytes, c.extension), PictureError);
        }
    }
}

// JPEG at reduced size ---------------------------------------------------------------------------

// A smooth picture, on which the reduced decode and a stretched full decode must agree.
Picture Gradient(int width, int height) {
    Picture picture(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            SetPixel(picture, x, y,
                     {static_cast<std::uint8_t>(x * 255 / width),
                      static_cast<std::uint8_t>(y * 255 / height), 128});
    }
    return picture;
}

TEST(JpegScaling, DecodesTheSmallestScaleThatMeetsTheHint) {
    const Bytes jpeg = WriteJpeg(Gradient(64, 48), 95);
    struct Case {
        DecodeHint hint;
        int width, height;
    };
    const Case cases[] = {
        {{0, 0}, 64, 48},   {{1, 1}, 8, 6},    {{8, 6}, 8, 6},
        {{9, 0}, 16, 12},   {{0, 7}, 16, 12},  {{24, 18}, 24, 18},
        {{32, 24}, 32, 24}, {{33, 1}, 64, 48}, {{500, 1}, 64, 48},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.hint.minWidth << "x" << c.hint.minHeight);
        const Picture picture = DecodePicture(jpeg, ".jpg", c.hint);
        EXPECT_EQ(picture.Width(), c.width);
        EXPECT_EQ(picture.Height(), c.height);
    }
    const Picture full = DecodePicture(jpeg, ".jpg");
    EXPECT_LE(MaxDifference(DecodePicture(jpeg, ".jpg", {8, 6}), Stretch(full, 8, 6)), 4);
    EXPECT_LE(MaxDifference(DecodePicture(jpeg, ".jpg", {16, 12}), Stretch(full, 16, 12)), 4);
}

TEST(JpegScaling, OtherFormatsIgnoreTheHint) {
    const Picture picture = Pattern(64, 48, 16);
    EXPECT_EQ(DecodePicture(WritePng(picture, PngLayout::Rgb), ".png", {8, 6}), picture);
}

TEST(Jpeg, MissingEndMarkerStillDecodes) {
    const Picture picture = Blocks(64, 48);
    Bytes jpeg = WriteJpeg(picture);
    jpeg.resize(jpeg.size() - 2);
    EXPECT_LE(MaxDifference(DecodePicture(jpeg, ".jpg"), picture), 6);
}

// Photos are shown upright as their orientation (EXIF in JPEG, a tag in TIFF) says.
TEST(Orientation, TurnsThePictureUpright) {
    const Rgb red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, white{255, 255, 255};
    Picture stored(32, 16); // quadrants: red, green over blue, white
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 32; ++x)
            SetPixel(stored, x, y, y < 8 ? (x < 16 ? red : green) : (x < 16 ? blue : white));
    }
    struct Case {
        int orientation;
        int width, height;
        Rgb topLeft, topRight, bottomLeft, bottomRight;
    };
    const Case cases[] = {
        {1, 32, 16, red, green, blue, white}, {2, 32, 16, green, red, white, blue},
        {3, 32, 16, white, blue, green, red}, {4, 32, 16, blue, white, red, green},
        {5, 16, 32, red, blue, green, white}, {6, 16, 32, blue, red, white, green},
        {7, 16, 32, white, green, blue, red}, {8, 16, 32, green, white, red, blue},
    };
    const std::pair<std::string, std::function<Bytes(int)>> writers[] = {
        {".jpg", [&](int o) { return WriteJpeg(stored, 100, false, o); }},
        {".tif", [&](int o) { return WriteTiffAsStored(stored, o); }},
    };
    auto near = [](Rgb a, Rgb b) {
        return std::abs(a.r - b.r) <= 8 && std::abs(a.g - b.g) <= 8 && std::abs(a.b - b.b) <= 8;
    };
    for (const auto& [extension, write] : writers) {
        for (const Case& c : cases) {
            SCOPED_TRACE(extension + " " + std::to_string(c.orientation));
            const Bytes bytes = write(c.orientation);
            const PictureInfo info = ProbePicture(bytes, extension);
            EXPECT_EQ(info.width, c.width);
            EXPECT_EQ(info.height, c.height);
            const Picture upright = DecodePicture(bytes, extension);
            ASSERT_EQ(upright.Width(), c.width);
            ASSERT_EQ(upright.Height(), c.height);
            const int r = c.width - 1, b = c.height - 1;
            EXPECT_TRUE(near(PixelAt(upright, 0, 0), c.topLeft));
            EXPECT_TRUE(near(PixelAt(upright, r, 0), c.topRight));
            EXPECT_TRUE(near(PixelAt(upright, 0, b), c.bottomLeft));
            EXPECT_TRUE(near(PixelAt(upright, r, b), c.bottomRight));
        }
    }
    // The hint speaks of the upright picture: 16 x 32 at least needs half of 32 x 64.
    const Picture reduced =
        DecodePicture(WriteJpeg(Stretch(stored, 64, 32), 90, false, 6), ".jpg", {16, 32});
    EXPECT_EQ(reduced.Width(), 16);
    EXPECT_EQ(reduced.Height(), 32);
}

// Content before extension, and files -----------------------------------------------------------

class LoadPictureTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("tilewick-load-" + std::to_string(::getpid()) + "-" +
                   testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::filesystem::path Write(const std::string& name, const Bytes& bytes) {
        const auto path = folder_ / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    std::string MessageOf(const std::filesystem::path& path) {
        try {
            LoadPicture(path);
        } catch (const PictureError& error) {
            return error.what();
        }
        return "(no error)";
    }

    std::filesystem::path folder_;
};

TEST_F(LoadPictureTest, ContentBeatsExtension) {
    const Picture picture = Pattern(7, 5, 16);
    EXPECT_EQ(LoadPicture(Write("photo.jpg", WritePng(picture, PngLayout::Rgb))), picture);
    EXPECT_EQ(LoadPicture(Write("anim.gif", EncodeBmp24(picture))), picture);
    EXPECT_EQ(LoadPicture(Write("noext", WriteGif(picture))), picture);
    EXPECT_EQ(LoadPicture(Write("SHOUT.TGA", WriteTga(picture, true, false, false))), picture);
}

TEST_F(LoadPictureTest, ErrorsNameTheFileAndTheReason) {
    const auto missing = folder_ / "missing.png";
    const auto text = Write("notes.txt", {'h', 'i', '\n'});
    const auto broken = Write("broken.png", PngHeaderOnly(4, 4));
    const auto folder = folder_ / "folder.png";
    std::filesystem::create_directory(folder);
    const std::pair<std::filesystem::path, std::string> cases[] = {
        {missing, "cannot be opened"},
        {text, "not a picture"},
        {broken, "damaged"},
        {folder, "folder"},
    };
    for (const auto& [path, reason] : cases) {
        const std::string message = MessageOf(path);
        EXPECT_NE(message.find(path.string()), std::string::npos) << message;
        EXPECT_NE(message.find(reason), std::string::npos) << message;
    }
}

TEST_F(LoadPictureTest, PassesTheHintToTheDecoder) {
    const auto path = Write("big.jpeg", WriteJpeg(Gradient(64, 48)));
    const Picture reduced = LoadPicture(path, {8, 6});
    EXPECT_EQ(reduced.Width(), 8);
    EXPECT_EQ(reduced.Height(), 6);
}

// The dialogs' list of formats -------------------------------------------------------------------

TEST(PictureDialogFilter, ListsAllImagesFirstThenEachFormatByDescription) {
    const std::string filter = PictureDialogFilter();
    std::vector<std::string> entries;
    for (std::size_t start = 0; start <= filter.size();) {
        const std::size_t end = std::min(filter.find(";;", start), filter.size());
        entries.push_back(filter.substr(start, end - start));
        start = end + 2;
    }
    ASSERT_GE(entries.size(), 9u);
    EXPECT_EQ(entries[0].rfind("All images (*.bmp *.cur ", 0), 0u) << entries[0];
    auto lower = [](std::string text) {
        for (char& c : text)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    };
    EXPECT_TRUE(std::is_sorted(entries.begin() + 1, entries.end(),
                               [&](const auto& a, const auto& b) { return lower(a) < lower(b); }))
        << filter;
    EXPECT_NE(filter.find(";;JPEG images (*.jfif *.jpe *.jpeg *.jpg);;"), std::string::npos);
    EXPECT_EQ(filter.find("wmf"), std::string::npos); // metafiles cannot be read
    // Every format the decoders read is offered, under "All images" too.
    for (const FormatCase& c : FormatCases()) {
        const std::string pattern = "*" + c.extension;
        EXPECT_NE(entries[0].find(pattern + " "), std::string::npos) << pattern;
    }
}

// BMP output -------------------------------------------------------------------------------------

TEST(EncodeBmp24, WritesBottomUpPaddedRows) {
    Picture picture(2, 2);
    SetPixel(picture, 0, 0, {1, 2, 3});
    SetPixel(picture, 1, 0, {4, 5, 6});
    SetPixel(picture, 0, 1, {7, 8, 9});
    SetPixel(picture, 1, 1, {10, 11, 12});
    const Bytes bmp = EncodeBmp24(picture);
    ASSERT_EQ(bmp.size(), 54u + 2 * 8);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[2], 70);  // file size
    EXPECT_EQ(bmp[10], 54); // pixel offset
    EXPECT_EQ(bmp[14], 40); // BITMAPINFOHEADER
    EXPECT_EQ(bmp[28], 24); // bits per pixel
    const Bytes firstStoredRow(bmp.begin() + 54, bmp.begin() + 62);
    EXPECT_EQ(firstStoredRow, (Bytes{9, 8, 7, 12, 11, 10, 0, 0})); // the bottom row, BGR
}

TEST(EncodeBmp24, RoundTripsEveryPadding) {
    for (int width = 1; width <= 5; ++width) {
        const Picture picture = RandomPicture(width, 3, static_cast<unsigned>(width));
        EXPECT_EQ(DecodePicture(EncodeBmp24(picture), ".bmp"), picture) << width;
    }
    EXPECT_THROW(EncodeBmp24(Picture()), PictureError);
}

} // namespace
} // namespace tw
