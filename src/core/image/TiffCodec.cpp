// TIFF through libtiff: the first page, read as RGBA in bands of rows so that only the picture
// itself is held at full size; transparent parts on white.

#include "core/image/FormatDecoders.h"
#include "core/image/Orientation.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <tiffio.h>
#include <utility>
#include <vector>

namespace tw::decoders {
namespace {

// No single allocation of libtiff's may exceed this; a damaged header cannot make it reserve
// more than any picture within the size limits needs for one strip or tile.
constexpr tmsize_t kMaxLibraryAllocation = tmsize_t{512} << 20;
constexpr std::uint32_t kBandRows = 64;

struct MemoryFile {
    Bytes bytes;
    toff_t offset = 0;
    std::string error{}; // libtiff's first error message
};

tmsize_t ReadProc(thandle_t handle, void* out, tmsize_t size) {
    auto* file = static_cast<MemoryFile*>(handle);
    if (size <= 0 || file->offset >= file->bytes.size())
        return 0;
    const auto n = std::min<toff_t>(static_cast<toff_t>(size), file->bytes.size() - file->offset);
    std::memcpy(out, file->bytes.data() + file->offset, static_cast<std::size_t>(n));
    file->offset += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) {
    return 0;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    auto* file = static_cast<MemoryFile*>(handle);
    toff_t base = 0;
    if (whence == SEEK_CUR)
        base = file->offset;
    else if (whence == SEEK_END)
        base = file->bytes.size();
    file->offset = base + offset;
    return file->offset;
}

int CloseProc(thandle_t) {
    return 0;
}
toff_t SizeProc(thandle_t handle) {
    return static_cast<MemoryFile*>(handle)->bytes.size();
}

int OnError(TIFF*, void* data, const char*, const char* format, va_list args) {
    auto* file = static_cast<MemoryFile*>(data);
    if (file->error.empty()) {
        char text[256];
        std::vsnprintf(text, sizeof text, format, args);
        file->error = text;
    }
    return 1; // handled: nothing reaches stderr
}

int OnWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

struct OptionsDeleter {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

[[noreturn]] void Fail(const MemoryFile& file, const char* what) {
    throw PictureError(std::string("the TIFF data is damaged (") +
                       (file.error.empty() ? what : file.error.c_str()) + ")");
}

TiffHandle Open(MemoryFile& file) {
    std::unique_ptr<TIFFOpenOptions, OptionsDeleter> options(TIFFOpenOptionsAlloc());
    if (!options)
        throw PictureError("out of memory while reading a TIFF picture");
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), kMaxLibraryAllocation);
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), OnError, &file);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), OnWarning, &file);
    // "m": no memory mapping; the bytes are read through ReadProc.
    TiffHandle tiff(TIFFClientOpenExt("picture", "rm", &file, ReadProc, WriteProc, SeekProc,
                                      CloseProc, SizeProc, nullptr, nullptr, options.get()));
    if (!tiff)
        Fail(file, "cannot read the header");
    return tiff;
}

// The size as stored (before any turn).
PictureInfo ReadSize(TIFF* tiff) {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    RequireAllowedSize(width, height);
    return {static_cast<int>(width), static_cast<int>(height), "tiff"};
}

struct RgbaImage {
    TIFFRGBAImage image{};
    ~RgbaImage() { TIFFRGBAImageEnd(&image); }
};

bool StartsAtBottom(std::uint16_t orientation) {
    return orientation == ORIENTATION_BOTLEFT || orientation == ORIENTATION_BOTRIGHT ||
           orientation == ORIENTATION_LEFTBOT || orientation == ORIENTATION_RIGHTBOT;
}

std::uint16_t StoredOrientation(TIFF* tiff) {
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ORIENTATION, &orientation);
    return orientation;
}

// libtiff mirrors the stored rows upright but does not turn them by a quarter; what turns the
// mirrored rows of orientations 5 to 8 upright (numbered as EXIF, whose values TIFF shares).
int RemainingTurn(std::uint16_t orientation) {
    switch (orientation) {
    case ORIENTATION_LEFTTOP:  // not mirrored: transpose
    case ORIENTATION_RIGHTBOT: // mirrored both ways: transpose
        return 5;
    case ORIENTATION_RIGHTTOP: // mirrored left to right: transverse
    case ORIENTATION_LEFTBOT:  // mirrored top to bottom: transverse
        return 7;
    default:
        return 1;
    }
}

} // namespace

bool IsTiff(Bytes bytes) {
    if (bytes.size() < 4)
        return false;
    const bool little = bytes[0] == 'I' && bytes[1] == 'I' && bytes[3] == 0;
    const bool big = bytes[0] == 'M' && bytes[1] == 'M' && bytes[2] == 0;
    const std::uint8_t version = little ? bytes[2] : bytes[3];
    return (little || big) && (version == 42 || version == 43);
}

PictureInfo ProbeTiff(Bytes bytes) {
    MemoryFile file{bytes};
    const TiffHandle tiff = Open(file);
    PictureInfo info = ReadSize(tiff.get());
    if (SwapsSides(RemainingTurn(StoredOrientation(tiff.get()))))
        std::swap(info.width, info.height);
    return info;
}

Picture DecodeTiff(Bytes bytes) {
    MemoryFile file{bytes};
    const TiffHandle tiff = Open(file);
    const PictureInfo info = ReadSize(tiff.get());

    char reason[1024] = {};
    if (!TIFFRGBAImageOK(tiff.get(), reason))
        throw PictureError(std::string("the TIFF picture cannot be shown (") + reason + ")");
    RgbaImage rgba;
    if (!TIFFRGBAImageBegin(&rgba.image, tiff.get(), 1, reason))
        throw PictureError(std::string("the TIFF picture cannot be shown (") + reason + ")");
    rgba.image.req_orientation = ORIENTATION_TOPLEFT;
    // Each band comes out upright; a file stored from the bottom delivers the bands from the
    // bottom of the picture up.
    const bool fromBottom = StartsAtBottom(rgba.image.orientation);

    const auto width = static_cast<std::uint32_t>(info.width);
    const auto height = static_cast<std::uint32_t>(info.height);
    Picture picture(info.width, info.height);
    std::vector<std::uint32_t> band(static_cast<std::size_t>(width) * kBandRows);
    for (std::uint32_t row = 0; row < height; row += kBandRows) {
        const std::uint32_t rows = std::min(kBandRows, height - row);
        rgba.image.row_offset = static_cast<int>(row);
        rgba.image.col_offset = 0;
        if (!TIFFRGBAImageGet(&rgba.image, band.data(), width, rows))
            Fail(file, "cannot read the pixels");
        const std::uint32_t top = fromBottom ? height - row - rows : row;
        for (std::uint32_t y = 0; y < rows; ++y) {
            const std::uint32_t* in = band.data() + static_cast<std::size_t>(y) * width;
            std::uint8_t* out = picture.Row(static_cast<int>(top + y));
            for (std::uint32_t x = 0; x < width; ++x, out += 3) {
                // Colours arrive premultiplied by alpha: over white adds the uncovered part.
                const std::uint32_t pixel = in[x];
                const std::uint32_t uncovered = 255 - TIFFGetA(pixel);
                out[0] = static_cast<std::uint8_t>(
                    std::min<std::uint32_t>(255, TIFFGetR(pixel) + uncovered));
                out[1] = static_cast<std::uint8_t>(
                    std::min<std::uint32_t>(255, TIFFGetG(pixel) + uncovered));
                out[2] = static_cast<std::uint8_t>(
                    std::min<std::uint32_t>(255, TIFFGetB(pixel) + uncovered));
            }
        }
    }
    return Orient(std::move(picture), RemainingTurn(rgba.image.orientation));
}

} // namespace tw::decoders
