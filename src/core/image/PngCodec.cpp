// PNG through libpng. libpng reports fatal errors by longjmp, so every libpng call runs inside a
// small function whose frame holds no object with a destructor; PngDecoder owns libpng's
// structures and frees them on every path.

#include "core/image/ByteReader.h"
#include "core/image/FormatDecoders.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <png.h>
#include <string>
#include <vector>
#include <zlib.h>

namespace tw::decoders {
namespace {

constexpr std::size_t kSignatureSize = 8;
constexpr png_alloc_size_t kMaxChunkBytes = 8u << 20;
constexpr png_uint_32 kMaxCachedChunks = 1000;

struct PngDecoder {
    png_structp png = nullptr;
    png_infop info = nullptr;
    Bytes bytes;
    std::size_t offset = 0;
    char message[200] = {};

    explicit PngDecoder(Bytes data);
    ~PngDecoder() { png_destroy_read_struct(&png, &info, nullptr); }
    PngDecoder(const PngDecoder&) = delete;
    PngDecoder& operator=(const PngDecoder&) = delete;

    [[noreturn]] void Fail() const {
        throw PictureError(std::string("the PNG data is damaged (") + message + ")");
    }
};

void OnFatalError(png_structp png, png_const_charp text) {
    auto* d = static_cast<PngDecoder*>(png_get_error_ptr(png));
    std::snprintf(d->message, sizeof d->message, "%s", text);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* d = static_cast<PngDecoder*>(png_get_io_ptr(png));
    if (count > d->bytes.size() - d->offset)
        png_error(png, "the file ends before the picture is complete");
    std::memcpy(out, d->bytes.data() + d->offset, count);
    d->offset += count;
}

PngDecoder::PngDecoder(Bytes data) : bytes(data) {
    png = png_create_read_struct(PNG_LIBPNG_VER_STRING, this, OnFatalError, OnWarning);
    if (png != nullptr)
        info = png_create_info_struct(png);
    if (png == nullptr || info == nullptr)
        throw PictureError("out of memory while reading a PNG picture");
    png_set_read_fn(png, this, ReadFromMemory);
    // Text and profile chunks are not needed; bound what a hostile file can make libpng keep.
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_set_chunk_cache_max(png, kMaxCachedChunks);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
}

bool ReadInfo(PngDecoder& d) {
    if (setjmp(png_jmpbuf(d.png)))
        return false;
    png_read_info(d.png, d.info);
    return true;
}

// Asks libpng for 8-bit RGB or RGBA whatever the stored layout; returns the number of passes.
bool SetTransforms(PngDecoder& d, int* passes) {
    if (setjmp(png_jmpbuf(d.png)))
        return false;
    png_set_expand(d.png);
    png_set_scale_16(d.png);
    png_set_gray_to_rgb(d.png);
    *passes = png_set_interlace_handling(d.png);
    png_read_update_info(d.png, d.info);
    return true;
}

bool ReadImage(PngDecoder& d, png_bytepp rows) {
    if (setjmp(png_jmpbuf(d.png)))
        return false;
    png_read_image(d.png, rows);
    return true;
}

bool ReadOneRow(PngDecoder& d, png_bytep row) {
    if (setjmp(png_jmpbuf(d.png)))
        return false;
    png_read_row(d.png, row, nullptr);
    return true;
}

// The size from the header chunk, which must come first; checked before libpng reads on.
PictureInfo ReadHeaderChunk(Bytes bytes) {
    constexpr std::size_t kTypeAndData = 4 + 13;
    ByteReader in(bytes, kSignatureSize);
    if (in.U32BE() != 13 || in.U32BE() != 0x49484452) // "IHDR"
        throw PictureError("the PNG data is damaged (the header is missing)");
    const std::uint32_t width = in.U32BE();
    const std::uint32_t height = in.U32BE();
    in.Skip(5);
    const auto crc = crc32(0, bytes.data() + kSignatureSize + 4, kTypeAndData);
    if (in.U32BE() != crc)
        throw PictureError("the PNG data is damaged (IHDR: CRC error)");
    RequireAllowedSize(width, height);
    return {static_cast<int>(width), static_cast<int>(height), "png"};
}

void OpenHeader(PngDecoder& d) {
    ReadHeaderChunk(d.bytes);
    if (!ReadInfo(d))
        d.Fail();
}

void CompositeRowOnWhite(const std::uint8_t* rgba, std::uint8_t* rgb, int width) {
    for (int x = 0; x < width; ++x, rgba += 4, rgb += 3) {
        rgb[0] = OverWhite(rgba[0], rgba[3]);
        rgb[1] = OverWhite(rgba[1], rgba[3]);
        rgb[2] = OverWhite(rgba[2], rgba[3]);
    }
}

} // namespace

bool IsPng(Bytes bytes) {
    return bytes.size() >= kSignatureSize && png_sig_cmp(bytes.data(), 0, kSignatureSize) == 0;
}

PictureInfo ProbePng(Bytes bytes) {
    if (!IsPng(bytes))
        throw PictureError("the file is not a PNG picture");
    return ReadHeaderChunk(bytes);
}

Picture DecodePng(Bytes bytes) {
    PngDecoder d(bytes);
    OpenHeader(d);
    int passes = 1;
    if (!SetTransforms(d, &passes))
        d.Fail();
    const int width = static_cast<int>(png_get_image_width(d.png, d.info));
    const int height = static_cast<int>(png_get_image_height(d.png, d.info));
    const int channels = png_get_channels(d.png, d.info);
    if (channels != 3 && channels != 4)
        throw PictureError("the PNG picture has an unsupported colour layout");

    Picture picture(width, height);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * channels;
    if (passes > 1) {
        // Interlaced rows arrive in several passes, so the whole picture is read at once.
        std::vector<std::uint8_t> rgba(channels == 4 ? rowBytes * height : 0);
        std::vector<png_bytep> rows(static_cast<std::size_t>(height));
        for (int y = 0; y < height; ++y)
            rows[static_cast<std::size_t>(y)] =
                channels == 4 ? rgba.data() + rowBytes * y : picture.Row(y);
        if (!ReadImage(d, rows.data()))
            d.Fail();
        if (channels == 4) {
            for (int y = 0; y < height; ++y)
                CompositeRowOnWhite(rows[static_cast<std::size_t>(y)], picture.Row(y), width);
        }
        return picture;
    }
    std::vector<std::uint8_t> rgbaRow(channels == 4 ? rowBytes : 0);
    for (int y = 0; y < height; ++y) {
        if (!ReadOneRow(d, channels == 4 ? rgbaRow.data() : picture.Row(y)))
            d.Fail();
        if (channels == 4)
            CompositeRowOnWhite(rgbaRow.data(), picture.Row(y), width);
    }
    return picture;
}

} // namespace tw::decoders
