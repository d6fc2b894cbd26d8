#include "PictureFixtures.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gif_lib.h>
#include <jpeglib.h>
#include <map>
#include <png.h>
#include <random>
#include <stdexcept>
#include <tiffio.h>
#include <unistd.h>

namespace tw::fixtures {
namespace {

constexpr Rgb kColours[] = {
    {255, 0, 0},   {0, 255, 0},   {0, 0, 255},     {255, 255, 255}, {0, 0, 0},   {255, 255, 0},
    {0, 255, 255}, {255, 0, 255}, {132, 0, 0},     {0, 132, 0},     {0, 0, 132}, {132, 132, 132},
    {255, 132, 0}, {0, 132, 255}, {132, 255, 132}, {132, 0, 255},
};

std::size_t PixelIndex(const Picture& picture, int x, int y) {
    return static_cast<std::size_t>(y) * picture.Width() + x;
}

int IndexOf(const std::vector<Rgb>& palette, Rgb colour) {
    for (std::size_t i = 0; i < palette.size(); ++i) {
        if (palette[i] == colour)
            return static_cast<int>(i);
    }
    throw std::logic_error("colour missing from palette");
}

Bytes ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

} // namespace

Rgb PixelAt(const Picture& picture, int x, int y) {
    const std::uint8_t* p = picture.Row(y) + 3 * x;
    return {p[0], p[1], p[2]};
}

void SetPixel(Picture& picture, int x, int y, Rgb colour) {
    std::uint8_t* p = picture.Row(y) + 3 * x;
    p[0] = colour.r;
    p[1] = colour.g;
    p[2] = colour.b;
}

Picture Pattern(int width, int height, int colours) {
    Picture picture(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            SetPixel(picture, x, y, kColours[(x + 3 * y) % colours]);
    }
    return picture;
}

Picture RandomPicture(int width, int height, unsigned seed) {
    Picture picture(width, height);
    std::mt19937 random(seed);
    for (std::size_t i = 0; i < picture.ByteSize(); ++i)
        picture.Data()[i] = static_cast<std::uint8_t>(random() & 255);
    return picture;
}

std::vector<Rgb> ColoursOf(const Picture& picture) {
    std::vector<Rgb> colours;
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x) {
            const Rgb c = PixelAt(picture, x, y);
            if (std::find(colours.begin(), colours.end(), c) == colours.end())
                colours.push_back(c);
        }
    }
    return colours;
}

void ByteWriter::U16LE(unsigned v) {
    U8(v & 255);
    U8(v >> 8);
}
void ByteWriter::U32LE(std::uint32_t v) {
    U16LE(v & 0xFFFF);
    U16LE(v >> 16);
}
void ByteWriter::U16BE(unsigned v) {
    U8(v >> 8);
    U8(v & 255);
}
void ByteWriter::U32BE(std::uint32_t v) {
    U16BE(v >> 16);
    U16BE(v & 0xFFFF);
}

// PNG ---------------------------------------------------------------------------------------

namespace {
void AppendPngData(png_structp png, png_bytep data, png_size_t size) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + size);
}
void NoFlush(png_structp) {}
} // namespace

Bytes WritePng(const Picture& picture, PngLayout layout, const std::vector<std::uint8_t>& alpha) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, AppendPngData, NoFlush);
    const int w = picture.Width();
    const int h = picture.Height();
    const std::vector<Rgb> palette = ColoursOf(picture);
    int colourType = PNG_COLOR_TYPE_RGB;
    int depth = 8;
    switch (layout) {
    case PngLayout::Rgba:
        colourType = PNG_COLOR_TYPE_RGBA;
        break;
    case PngLayout::Palette:
    case PngLayout::PaletteWithTransparency:
        colourType = PNG_COLOR_TYPE_PALETTE;
        break;
    case PngLayout::Grey16:
        colourType = PNG_COLOR_TYPE_GRAY;
        depth = 16;
        break;
    default:
        break;
    }
    png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), depth,
                 colourType,
                 layout == PngLayout::RgbInterlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> colours;
    std::vector<png_byte> transparency;
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        for (const Rgb& c : palette)
            colours.push_back({c.r, c.g, c.b});
        png_set_PLTE(png, info, colours.data(), static_cast<int>(colours.size()));
        if (layout == PngLayout::PaletteWithTransparency) {
            // The palette entry of the first transparent pixel becomes fully transparent.
            transparency.assign(colours.size(), 255);
            for (int i = 0; i < w * h; ++i) {
                if (alpha[static_cast<std::size_t>(i)] == 0) {
                    transparency[static_cast<std::size_t>(
                        IndexOf(palette, PixelAt(picture, i % w, i / w)))] = 0;
                }
            }
            png_set_tRNS(png, info, transparency.data(), static_cast<int>(transparency.size()),
                         nullptr);
        }
    }
    png_write_info(png, info);
    std::vector<std::vector<png_byte>> rows(static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y) {
        auto& row = rows[static_cast<std::size_t>(y)];
        for (int x = 0; x < w; ++x) {
            const Rgb c = PixelAt(picture, x, y);
            switch (colourType) {
            case PNG_COLOR_TYPE_PALETTE:
                row.push_back(static_cast<png_byte>(IndexOf(palette, c)));
                break;
            case PNG_COLOR_TYPE_GRAY: // 16-bit big-endian: the value in both bytes
                row.push_back(c.g);
                row.push_back(c.g);
                break;
            default:
                row.insert(row.end(), {c.r, c.g, c.b});
                if (colourType == PNG_COLOR_TYPE_RGBA)
                    row.push_back(alpha[PixelIndex(picture, x, y)]);
            }
        }
    }
    std::vector<png_bytep> pointers;
    for (auto& row : rows)
        pointers.push_back(row.data());
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// JPEG --------------------------------------------------------------------------------------

namespace {
// "Exif", then a big-endian TIFF structure whose first directory holds only the orientation.
Bytes ExifBlock(int orientation) {
    ByteWriter out;
    out.Append({'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42});
    out.U32BE(8); // first directory
    out.U16BE(1); // one entry
    out.U16BE(0x0112);
    out.U16BE(3); // SHORT
    out.U32BE(1);
    out.U16BE(static_cast<unsigned>(orientation));
    out.U16BE(0);
    out.U32BE(0); // no next directory
    return out.bytes;
}

Bytes Compress(int width, int height, int components, J_COLOR_SPACE space,
               const std::vector<std::uint8_t>& samples, int quality, bool progressive,
               int exifOrientation = 0) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    for (int c = 0; c < info.num_components; ++c) {
        info.comp_info[c].h_samp_factor = 1;
        info.comp_info[c].v_samp_factor = 1;
    }
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    if (exifOrientation != 0) {
        const Bytes exif = ExifBlock(exifOrientation);
        jpeg_write_marker(&info, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));
    }
    const std::size_t stride = static_cast<std::size_t>(width) * components;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples.data() + info.next_scanline * stride);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}
} // namespace

Bytes WriteJpeg(const Picture& picture, int quality, bool progressive, int exifOrientation) {
    const std::vector<std::uint8_t> samples(picture.Data(), picture.Data() + picture.ByteSize());
    return Compress(picture.Width(), picture.Height(), 3, JCS_RGB, samples, quality, progressive,
                    exifOrientation);
}

Bytes WriteCmykJpeg(const Picture& picture) {
    std::vector<std::uint8_t> samples;
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x) {
            const Rgb c = PixelAt(picture, x, y);
            // Inverted CMYK with no black: stored value = 255 - ink = the RGB component.
            samples.insert(samples.end(), {c.r, c.g, c.b, 255});
        }
    }
    return Compress(picture.Width(), picture.Height(), 4, JCS_CMYK, samples, 100, false);
}

// GIF ---------------------------------------------------------------------------------------

namespace {
int AppendGifData(GifFileType* gif, const GifByteType* data, int size) {
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + size);
    return size;
}
} // namespace

Bytes WriteGif(const Picture& picture, int transparentIndex, bool interlaced) {
    return WriteGifFrame(picture, {picture.Width(), picture.Height(), 0, 0}, transparentIndex,
                         interlaced);
}

Bytes WriteGifFrame(const Picture& picture, GifPlacement placement, int transparentIndex,
                    bool interlaced) {
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, AppendGifData, &error);
    const std::vector<Rgb> palette = ColoursOf(picture);
    int mapSize = 2;
    while (mapSize < static_cast<int>(palette.size()))
        mapSize *= 2;
    std::vector<GifColorType> colours(static_cast<std::size_t>(mapSize), GifColorType{0, 0, 0});
    for (std::size_t i = 0; i < palette.size(); ++i)
        colours[i] = {palette[i].r, palette[i].g, palette[i].b};
    ColorMapObject* map = GifMakeMapObject(mapSize, colours.data());
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, placement.screenWidth, placement.screenHeight, 8, 0, map);
    if (transparentIndex >= 0) {
        const GifByteType control[4] = {1, 0, 0, static_cast<GifByteType>(transparentIndex)};
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control);
    }
    EGifPutImageDesc(gif, placement.left, placement.top, picture.Width(), picture.Height(),
                     interlaced, nullptr);
    auto putRow = [&](int y) {
        std::vector<GifPixelType> line;
        for (int x = 0; x < picture.Width(); ++x)
            line.push_back(static_cast<GifPixelType>(IndexOf(palette, PixelAt(picture, x, y))));
        EGifPutLine(gif, line.data(), picture.Width());
    };
    if (interlaced) {
        const int start[] = {0, 4, 2, 1};
        const int step[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass) {
            for (int y = start[pass]; y < picture.Height(); y += step[pass])
                putRow(y);
        }
    } else {
        for (int y = 0; y < picture.Height(); ++y)
            putRow(y);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

// TIFF --------------------------------------------------------------------------------------

namespace {
std::filesystem::path TempTiffPath() {
    static int counter = 0;
    return std::filesystem::temp_directory_path() /
           ("tilewick-fixture-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) +
            ".tif");
}
} // namespace

Bytes WriteTiff(const Picture& picture, TiffOrientation orientation,
                const std::vector<std::uint8_t>& alpha) {
    const auto path = TempTiffPath();
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    const int w = picture.Width();
    const int h = picture.Height();
    const int samples = alpha.empty() ? 3 : 4;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 2);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION,
                 orientation == TiffOrientation::TopLeft ? ORIENTATION_TOPLEFT
                                                         : ORIENTATION_BOTLEFT);
    if (!alpha.empty()) {
        const std::uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    std::vector<std::uint8_t> row(static_cast<std::size_t>(w) * samples);
    for (int fileRow = 0; fileRow < h; ++fileRow) {
        const int y = orientation == TiffOrientation::TopLeft ? fileRow : h - 1 - fileRow;
        for (int x = 0; x < w; ++x) {
            const Rgb c = PixelAt(picture, x, y);
            std::uint8_t* p = row.data() + static_cast<std::size_t>(x) * samples;
            p[0] = c.r;
            p[1] = c.g;
            p[2] = c.b;
            if (samples == 4)
                p[3] = alpha[PixelIndex(picture, x, y)];
        }
        TIFFWriteScanline(tiff, row.data(), static_cast<std::uint32_t>(fileRow), 0);
    }
    TIFFClose(tiff);
    Bytes bytes = ReadFile(path);
    std::filesystem::remove(path);
    return bytes;
}

Bytes WriteTiffAsStored(const Picture& stored, int orientation) {
    const auto path = TempTiffPath();
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, stored.Width());
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, stored.Height());
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 3);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, orientation);
    for (int y = 0; y < stored.Height(); ++y) {
        std::vector<std::uint8_t> row(stored.Row(y), stored.Row(y) + stored.Stride());
        TIFFWriteScanline(tiff, row.data(), static_cast<std::uint32_t>(y), 0);
    }
    TIFFClose(tiff);
    Bytes bytes = ReadFile(path);
    std::filesystem::remove(path);
    return bytes;
}

Bytes WriteTiffHeaderOnly(std::uint32_t width, std::uint32_t height) {
    const auto path = TempTiffPath();
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, height);
    std::uint8_t strip[16] = {};
    TIFFWriteRawStrip(tiff, 0, strip, sizeof strip); // far less than the size claims
    TIFFClose(tiff);
    Bytes bytes = ReadFile(path);
    std::filesystem::remove(path);
    return bytes;
}

// BMP ---------------------------------------------------------------------------------------

Bytes WriteBmpHeader(std::int32_t width, std::int32_t height, int bitCount) {
    ByteWriter out;
    out.Text("BM");
    out.U32LE(54);
    out.U32LE(0);
    out.U32LE(54);
    out.U32LE(40);
    out.U32LE(static_cast<std::uint32_t>(width));
    out.U32LE(static_cast<std::uint32_t>(height));
    out.U16LE(1);
    out.U16LE(static_cast<unsigned>(bitCount));
    for (int i = 0; i < 6; ++i)
        out.U32LE(0);
    return out.bytes;
}

namespace {

// Run-length rows: each row as runs of equal indices, then end of line; end of bitmap last.
Bytes EncodeRle(const Picture& picture, const std::vector<Rgb>& palette, bool fourBit) {
    ByteWriter out;
    for (int y = picture.Height() - 1; y >= 0; --y) {
        int x = 0;
        while (x < picture.Width()) {
            const int index = IndexOf(palette, PixelAt(picture, x, y));
            int run = 1;
            while (x + run < picture.Width() && run < 255 &&
                   IndexOf(palette, PixelAt(picture, x + run, y)) == index)
                ++run;
            out.U8(static_cast<unsigned>(run));
            out.U8(fourBit ? static_cast<unsigned>(index << 4 | index)
                           : static_cast<unsigned>(index));
            x += run;
        }
        out.U16LE(0); // end of line
    }
    out.U8(0);
    out.U8(1); // end of bitmap
    return out.bytes;
}

} // namespace

Bytes WriteBmp(const Picture& picture, BmpLayout layout) {
    const int w = picture.Width();
    const int h = picture.Height();
    const std::vector<Rgb> palette = ColoursOf(picture);
    int bits = 24;
    std::uint32_t compression = 0;
    bool topDown = false;
    switch (layout) {
    case BmpLayout::Bits1:
        bits = 1;
        break;
    case BmpLayout::Bits4:
        bits = 4;
        break;
    case BmpLayout::Bits8TopDown:
        bits = 8;
        topDown = true;
        break;
    case BmpLayout::Rle8:
        bits = 8;
        compression = 1;
        break;
    case BmpLayout::Rle4:
        bits = 4;
        compression = 2;
        break;
    case BmpLayout::Bits16:
        bits = 16;
        break;
    case BmpLayout::Bits32Fields:
        bits = 32;
        compression = 3;
        break;
    case BmpLayout::Core24:
        break;
    }
    const bool core = layout == BmpLayout::Core24;

    ByteWriter pixels;
    if (compression == 1 || compression == 2) {
        pixels.Append(EncodeRle(picture, palette, compression == 2));
    } else {
        const std::size_t stride = static_cast<std::size_t>((w * bits + 31) / 32 * 4);
        for (int fileRow = 0; fileRow < h; ++fileRow) {
            const int y = topDown ? fileRow : h - 1 - fileRow;
            Bytes row(stride, 0);
            for (int x = 0; x < w; ++x) {
                const Rgb c = PixelAt(picture, x, y);
                if (bits <= 8) {
                    const int perByte = 8 / bits;
                    row[static_cast<std::size_t>(x / perByte)] |= static_cast<std::uint8_t>(
                        IndexOf(palette, c) << (8 - bits * (x % perByte + 1)));
                } else if (bits == 16) { // 5-5-5
                    const unsigned v =
                        (c.r * 31 / 255) << 10 | (c.g * 31 / 255) << 5 | (c.b * 31 / 255);
                    row[2 * static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(v & 255);
                    row[2 * static_cast<std::size_t>(x) + 1] = static_cast<std::uint8_t>(v >> 8);
                } else if (bits == 24) {
                    std::uint8_t* p = row.data() + 3 * static_cast<std::size_t>(x);
                    p[0] = c.b;
                    p[1] = c.g;
                    p[2] = c.r;
                } else { // 32-bit fields: red in the low byte, blue in the third
                    std::uint8_t* p = row.data() + 4 * static_cast<std::size_t>(x);
                    p[0] = c.r;
                    p[1] = c.g;
                    p[2] = c.b;
                    p[3] = 0x5A;
                }
            }
            pixels.Append(row);
        }
    }

    ByteWriter info;
    if (core) {
        info.U32LE(12);
        info.U16LE(static_cast<unsigned>(w));
        info.U16LE(static_cast<unsigned>(h));
        info.U16LE(1);
        info.U16LE(24);
    } else {
        info.U32LE(40);
        info.U32LE(static_cast<std::uint32_t>(w));
        info.U32LE(static_cast<std::uint32_t>(topDown ? -h : h));
        info.U16LE(1);
        info.U16LE(static_cast<unsigned>(bits));
        info.U32LE(compression);
        info.U32LE(static_cast<std::uint32_t>(pixels.bytes.size()));
        info.U32LE(2835);
        info.U32LE(2835);
        info.U32LE(bits <= 8 ? static_cast<std::uint32_t>(palette.size()) : 0);
        info.U32LE(0);
        if (compression == 3) {
            info.U32LE(0x000000FF);
            info.U32LE(0x0000FF00);
            info.U32LE(0x00FF0000);
        }
        if (bits <= 8) {
            for (const Rgb& c : palette) {
                info.U8(c.b);
                info.U8(c.g);
                info.U8(c.r);
                info.U8(0);
            }
        }
    }
    ByteWriter file;
    const auto offset = static_cast<std::uint32_t>(14 + info.bytes.size());
    file.Text("BM");
    file.U32LE(offset + static_cast<std::uint32_t>(pixels.bytes.size()));
    file.U32LE(0);
    file.U32LE(offset);
    file.Append(info.bytes);
    file.Append(pixels.bytes);
    return file.bytes;
}

// ICO ---------------------------------------------------------------------------------------

namespace {

Bytes IconDib(const IconImage& image) {
    const Picture& p = image.picture;
    const int w = p.Width();
    const int h = p.Height();
    const bool alpha32 = image.kind == IconEntryKind::Bmp32Alpha;
    ByteWriter out;
    out.U32LE(40);
    out.U32LE(static_cast<std::uint32_t>(w));
    out.U32LE(static_cast<std::uint32_t>(2 * h));
    out.U16LE(1);
    out.U16LE(alpha32 ? 32 : 24);
    for (int i = 0; i < 6; ++i)
        out.U32LE(0);
    const std::size_t stride = static_cast<std::size_t>((w * (alpha32 ? 32 : 24) + 31) / 32 * 4);
    for (int y = h - 1; y >= 0; --y) {
        Bytes row(stride, 0);
        for (int x = 0; x < w; ++x) {
            const Rgb c = PixelAt(p, x, y);
            std::uint8_t* q = row.data() + static_cast<std::size_t>(x) * (alpha32 ? 4 : 3);
            q[0] = c.b;
            q[1] = c.g;
            q[2] = c.r;
            if (alpha32)
                q[3] = image.alpha[static_cast<std::size_t>(y) * w + x];
        }
        out.Append(row);
    }
    const std::size_t maskStride = static_cast<std::size_t>((w + 31) / 32 * 4);
    for (int y = h - 1; y >= 0; --y) {
        Bytes row(maskStride, 0);
        for (int x = 0; x < w; ++x) {
            if (!alpha32 && image.alpha[static_cast<std::size_t>(y) * w + x] == 0)
                row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
        out.Append(row);
    }
    return out.bytes;
}

} // namespace

Bytes WriteIco(const std::vector<IconImage>& images) {
    std::vector<Bytes> data;
    for (const IconImage& image : images)
        data.push_back(image.kind == IconEntryKind::Png
                           ? WritePng(image.picture, PngLayout::Rgba, image.alpha)
                           : IconDib(image));
    ByteWriter out;
    out.U16LE(0);
    out.U16LE(1);
    out.U16LE(static_cast<unsigned>(images.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const Picture& p = images[i].picture;
        out.U8(p.Width() >= 256 ? 0 : static_cast<unsigned>(p.Width()));
        out.U8(p.Height() >= 256 ? 0 : static_cast<unsigned>(p.Height()));
        out.U8(0);
        out.U8(0);
        out.U16LE(1);
        out.U16LE(32);
        out.U32LE(static_cast<std::uint32_t>(data[i].size()));
        out.U32LE(offset);
        offset += static_cast<std::uint32_t>(data[i].size());
    }
    for (const Bytes& d : data)
        out.Append(d);
    return out.bytes;
}

// TGA ---------------------------------------------------------------------------------------

Bytes WriteTga(const Picture& picture, bool rle, bool topOrigin, bool withFooter,
               const std::vector<std::uint8_t>& alpha) {
    const int w = picture.Width();
    const int h = picture.Height();
    const bool withAlpha = !alpha.empty();
    ByteWriter out;
    out.U8(3); // id length
    out.U8(0);
    out.U8(rle ? 10 : 2);
    out.U16LE(0);
    out.U16LE(0);
    out.U8(0);
    out.U16LE(0);
    out.U16LE(0);
    out.U16LE(static_cast<unsigned>(w));
    out.U16LE(static_cast<unsigned>(h));
    out.U8(withAlpha ? 32 : 24);
    out.U8((topOrigin ? 0x20u : 0u) | (withAlpha ? 8u : 0u));
    out.Text("id!");
    std::vector<Bytes> stream;
    for (int row = 0; row < h; ++row) {
        const int y = topOrigin ? row : h - 1 - row;
        for (int x = 0; x < w; ++x) {
            const Rgb c = PixelAt(picture, x, y);
            Bytes px{c.b, c.g, c.r};
            if (withAlpha)
                px.push_back(alpha[static_cast<std::size_t>(y) * w + x]);
            stream.push_back(px);
        }
    }
    if (!rle) {
        for (const Bytes& px : stream)
            out.Append(px);
    } else {
        // Runs of equal pixels as run packets, everything else as raw packets; packets may
        // cross rows.
        std::size_t i = 0;
        while (i < stream.size()) {
            std::size_t run = 1;
            while (i + run < stream.size() && run < 128 && stream[i + run] == stream[i])
                ++run;
            if (run > 1) {
                out.U8(static_cast<unsigned>(0x80 | (run - 1)));
                out.Append(stream[i]);
                i += run;
            } else {
                std::size_t raw = 1;
                while (i + raw < stream.size() && raw < 128 &&
                       (i + raw + 1 >= stream.size() || stream[i + raw] != stream[i + raw + 1]))
                    ++raw;
                out.U8(static_cast<unsigned>(raw - 1));
                for (std::size_t k = 0; k < raw; ++k)
                    out.Append(stream[i + k]);
                i += raw;
            }
        }
    }
    if (withFooter) {
        out.U32LE(0);
        out.U32LE(0);
        out.Text("TRUEVISION-XFILE.");
        out.U8(0);
    }
    return out.bytes;
}

Bytes WriteTgaColourMapped(const Picture& picture, bool rle) {
    constexpr unsigned kFirstEntry = 5;
    const std::vector<Rgb> palette = ColoursOf(picture);
    ByteWriter out;
    out.U8(0);
    out.U8(1); // colour map present
    out.U8(rle ? 9 : 1);
    out.U16LE(kFirstEntry);
    out.U16LE(static_cast<unsigned>(palette.size()));
    out.U8(24);
    out.U16LE(0);
    out.U16LE(0);
    out.U16LE(static_cast<unsigned>(picture.Width()));
    out.U16LE(static_cast<unsigned>(picture.Height()));
    out.U8(8);
    out.U8(0x20); // top origin
    for (const Rgb& c : palette)
        out.Append({c.b, c.g, c.r});
    std::vector<unsigned> indices;
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x)
            indices.push_back(kFirstEntry +
                              static_cast<unsigned>(IndexOf(palette, PixelAt(picture, x, y))));
    }
    for (std::size_t i = 0; i < indices.size();) {
        if (!rle) {
            out.U8(indices[i++]);
            continue;
        }
        std::size_t run = 1;
        while (i + run < indices.size() && run < 128 && indices[i + run] == indices[i])
            ++run;
        out.U8(static_cast<unsigned>(0x80 | (run - 1))); // runs only, of one pixel too
        out.U8(indices[i]);
        i += run;
    }
    return out.bytes;
}

// PSD ---------------------------------------------------------------------------------------

namespace {
// PackBits with literal runs only for unequal bytes and repeat runs for equal ones.
Bytes PackBits(const Bytes& row) {
    ByteWriter out;
    std::size_t i = 0;
    while (i < row.size()) {
        std::size_t run = 1;
        while (i + run < row.size() && run < 128 && row[i + run] == row[i])
            ++run;
        if (run >= 2) {
            out.U8(static_cast<unsigned>(257 - run)); // -(run - 1) as a byte
            out.U8(row[i]);
            i += run;
        } else {
            std::size_t literal = 1;
            while (i + literal < row.size() && literal < 128 &&
                   (i + literal + 1 >= row.size() || row[i + literal] != row[i + literal + 1]))
                ++literal;
            out.U8(static_cast<unsigned>(literal - 1));
            out.bytes.insert(out.bytes.end(), row.begin() + static_cast<std::ptrdiff_t>(i),
                             row.begin() + static_cast<std::ptrdiff_t>(i + literal));
            i += literal;
        }
    }
    return out.bytes;
}
} // namespace

Bytes WritePsd(const Picture& picture, bool rle, PsdMode mode) {
    const int w = picture.Width();
    const int h = picture.Height();
    // Every mode carries one channel more than it uses (an alpha channel, which the
    // flattened image ignores), so that readers must skip it.
    const int used = mode == PsdMode::Rgb ? 3 : mode == PsdMode::Cmyk ? 4 : 1;
    const int channels = used + 1;
    const int depth = mode == PsdMode::Grey16 ? 16 : 8;
    const std::vector<Rgb> palette = ColoursOf(picture);
    ByteWriter out;
    out.Text("8BPS");
    out.U16BE(1);
    for (int i = 0; i < 6; ++i)
        out.U8(0);
    out.U16BE(static_cast<unsigned>(channels));
    out.U32BE(static_cast<std::uint32_t>(h));
    out.U32BE(static_cast<std::uint32_t>(w));
    out.U16BE(static_cast<unsigned>(depth));
    out.U16BE(mode == PsdMode::Rgb       ? 3
              : mode == PsdMode::Cmyk    ? 4
              : mode == PsdMode::Indexed ? 2
                                         : 1);
    if (mode == PsdMode::Indexed) { // 256 reds, 256 greens, 256 blues
        out.U32BE(768);
        for (int component = 0; component < 3; ++component) {
            for (std::size_t i = 0; i < 256; ++i) {
                const Rgb c = i < palette.size() ? palette[i] : Rgb{0, 0, 0};
                out.U8(component == 0 ? c.r : component == 1 ? c.g : c.b);
            }
        }
    } else {
        out.U32BE(0);
    }
    out.U32BE(4); // image resources
    out.U32BE(0xDEADBEEF);
    out.U32BE(0); // layers
    out.U16BE(rle ? 1 : 0);
    auto sample = [&](int channel, Rgb p) -> unsigned {
        if (channel == used)
            return 255; // the alpha channel
        switch (mode) {
        case PsdMode::Indexed:
            return static_cast<unsigned>(IndexOf(palette, p));
        case PsdMode::Grey16:
            return p.g;
        case PsdMode::Cmyk: // stored inverted: no black ink, and the rest as the colour
            return channel == 0 ? p.r : channel == 1 ? p.g : channel == 2 ? p.b : 255;
        default:
            return channel == 0 ? p.r : channel == 1 ? p.g : p.b;
        }
    };
    std::vector<Bytes> rows;
    for (int c = 0; c < channels; ++c) {
        for (int y = 0; y < h; ++y) {
            Bytes row;
            for (int x = 0; x < w; ++x) {
                const unsigned v = sample(c, PixelAt(picture, x, y));
                row.push_back(static_cast<std::uint8_t>(v));
                if (depth == 16)
                    row.push_back(static_cast<std::uint8_t>(v)); // v * 257, big-endian
            }
            rows.push_back(rle ? PackBits(row) : row);
        }
    }
    if (rle) {
        for (const Bytes& row : rows)
            out.U16BE(static_cast<unsigned>(row.size()));
    }
    for (const Bytes& row : rows)
        out.Append(row);
    return out.bytes;
}

} // namespace tw::fixtures
