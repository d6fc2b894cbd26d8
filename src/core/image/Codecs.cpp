#include "core/image/Codecs.h"

#include "core/image/FormatDecoders.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <utility>

namespace tw {
namespace {

using decoders::Bytes;

// Files larger than this are refused before they are read: no picture within the size limits
// needs more, even uncompressed at 16 bits a channel.
constexpr std::uintmax_t kMaxFileBytes = 1ull << 30;

struct Format {
    std::string_view description;
    std::array<std::string_view, 4> extensions; // lower case, without the dot; unused ones empty
    bool (*recognise)(Bytes);
    PictureInfo (*probe)(Bytes);
    Picture (*decode)(Bytes, const DecodeHint&);
};

// Registration order is the order in which content is tried.
constexpr std::array kFormats{
    Format{"JPEG images",
           {"jpg", "jpeg", "jpe", "jfif"},
           decoders::IsJpeg,
           decoders::ProbeJpeg,
           decoders::DecodeJpeg},
    Format{"PNG images",
           {"png"},
           decoders::IsPng,
           decoders::ProbePng,
           [](Bytes b, const DecodeHint&) { return decoders::DecodePng(b); }},
    Format{"GIF images",
           {"gif"},
           decoders::IsGif,
           decoders::ProbeGif,
           [](Bytes b, const DecodeHint&) { return decoders::DecodeGif(b); }},
    Format{"TIFF images",
           {"tif", "tiff"},
           decoders::IsTiff,
           decoders::ProbeTiff,
           [](Bytes b, const DecodeHint&) { return decoders::DecodeTiff(b); }},
    Format{"Windows bitmaps",
           {"bmp", "dib", "rle"},
           decoders::IsBmp,
           decoders::ProbeBmp,
           [](Bytes b, const DecodeHint&) { return decoders::DecodeBmp(b); }},
    Format{"Windows icons",
           {"ico", "cur"},
           decoders::IsIco,
           decoders::ProbeIco,
           [](Bytes b, const DecodeHint&) { return decoders::DecodeIco(b); }},
    Format{"Photoshop images",
           {"psd"},
           decoders::IsPsd,
           decoders::ProbePsd,
           [](Bytes b, const DecodeHint&) { return decoders::DecodePsd(b); }},
    Format{"Targa images",
           {"tga", "vda", "icb", "vst"},
           decoders::IsTga,
           decoders::ProbeTga,
           [](Bytes b, const DecodeHint&) { return decoders::DecodeTga(b); }},
};

constexpr std::array<std::string_view, 2> kMetafileExtensions{"wmf", "emf"};

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::ranges::transform(lower, lower.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string NormaliseExtension(std::string_view extension) {
    if (!extension.empty() && extension.front() == '.')
        extension.remove_prefix(1);
    return Lower(extension);
}

// The format that decodes these bytes: content first, extension second.
const Format& ChooseFormat(Bytes bytes, std::string_view extension) {
    if (bytes.empty())
        throw PictureError("the file is empty");
    for (const Format& format : kFormats) {
        if (format.recognise(bytes))
            return format;
    }
    const std::string ext = NormaliseExtension(extension);
    if (decoders::IsMetafile(bytes) ||
        std::ranges::find(kMetafileExtensions, ext) != kMetafileExtensions.end())
        throw PictureError("the file is a metafile (vector drawing), which cannot be drawn here");
    if (!ext.empty()) {
        for (const Format& format : kFormats) {
            if (std::ranges::find(format.extensions, ext) != format.extensions.end())
                return format;
        }
    }
    throw PictureError("the file is not a picture in any format that can be read");
}

std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        throw PictureError("it is a folder, not a file");
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error)
        throw PictureError("the file cannot be opened (" + error.message() + ")");
    if (size > kMaxFileBytes)
        throw PictureError("the file is too large to be a picture that can be opened");
    std::ifstream stream(path, std::ios::binary);
    if (!stream)
        throw PictureError("the file cannot be opened");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    stream.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
    if (static_cast<std::uintmax_t>(stream.gcount()) != size)
        throw PictureError("the file cannot be read");
    return bytes;
}

void PutLE(std::vector<std::uint8_t>& out, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

} // namespace

namespace decoders {

bool IsMetafile(Bytes bytes) {
    auto at = [&](std::size_t i) { return i < bytes.size() ? bytes[i] : std::uint8_t{0}; };
    const bool placeable = at(0) == 0xD7 && at(1) == 0xCD && at(2) == 0xC6 && at(3) == 0x9A;
    const bool windows = (at(0) == 1 || at(0) == 2) && at(1) == 0 && at(2) == 9 && at(3) == 0 &&
                         at(4) == 0 && (at(5) == 1 || at(5) == 3);
    const bool enhanced = at(0) == 1 && at(1) == 0 && at(2) == 0 && at(3) == 0 && at(40) == ' ' &&
                          at(41) == 'E' && at(42) == 'M' && at(43) == 'F';
    return placeable || windows || enhanced;
}

void RequireAllowedSize(long long width, long long height) {
    if (width <= 0 || height <= 0)
        throw PictureError("the picture has no pixels (" + std::to_string(width) + " x " +
                           std::to_string(height) + ")");
    if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxPicturePixels)
        throw PictureError(
            "the picture is too large (" + std::to_string(width) + " x " + std::to_string(height) +
            " pixels; at most " + std::to_string(kMaxPictureSide) + " pixels a side and " +
            std::to_string(kMaxPicturePixels / 1'000'000) + " megapixels are allowed)");
}

} // namespace decoders

PictureInfo ProbePicture(std::span<const std::uint8_t> bytes, std::string_view extension) {
    return ChooseFormat(bytes, extension).probe(bytes);
}

Picture DecodePicture(std::span<const std::uint8_t> bytes, std::string_view extension,
                      const DecodeHint& hint) {
    return ChooseFormat(bytes, extension).decode(bytes, hint);
}

Picture LoadPicture(const std::filesystem::path& path, const DecodeHint& hint) {
    try {
        const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
        return DecodePicture(bytes, path.extension().string(), hint);
    } catch (const PictureError& error) {
        throw PictureError("Cannot open the picture \"" + path.string() + "\": " + error.what());
    }
}

std::vector<PictureFormat> ReadablePictureFormats() {
    std::vector<PictureFormat> formats;
    for (const Format& format : kFormats) {
        PictureFormat readable{std::string(format.description), {}};
        for (const std::string_view extension : format.extensions) {
            if (!extension.empty())
                readable.extensions.emplace_back(extension);
        }
        std::ranges::sort(readable.extensions);
        formats.push_back(std::move(readable));
    }
    // As a reader sorts: "Photoshop" before "PNG".
    std::ranges::sort(formats, {},
                      [](const PictureFormat& format) { return Lower(format.description); });
    return formats;
}

std::string PictureDialogFilter() {
    auto patterns = [](const std::vector<std::string>& extensions) {
        std::string text;
        for (const std::string& extension : extensions)
            text += (text.empty() ? "*." : " *.") + extension;
        return text;
    };
    const std::vector<PictureFormat> formats = ReadablePictureFormats();
    std::vector<std::string> all;
    for (const PictureFormat& format : formats)
        all.insert(all.end(), format.extensions.begin(), format.extensions.end());
    std::ranges::sort(all);
    std::string filter = "All images (" + patterns(all) + ")";
    for (const PictureFormat& format : formats)
        filter += ";;" + format.description + " (" + patterns(format.extensions) + ")";
    return filter;
}

std::vector<std::uint8_t> EncodeBmp24(const Picture& picture) {
    if (picture.IsEmpty())
        throw PictureError("an empty picture cannot be written as BMP");
    constexpr std::uint32_t kHeaders = 14 + 40;
    constexpr std::uint32_t kPixelsPerMetre = 2835; // 72 dpi
    const auto width = static_cast<std::uint32_t>(picture.Width());
    const auto height = static_cast<std::uint32_t>(picture.Height());
    const std::uint32_t stride = (width * 3 + 3) & ~3u;
    const std::uint32_t imageSize = stride * height;

    std::vector<std::uint8_t> out;
    out.reserve(kHeaders + imageSize);
    out.push_back('B');
    out.push_back('M');
    PutLE(out, kHeaders + imageSize, 4);
    PutLE(out, 0, 4); // reserved
    PutLE(out, kHeaders, 4);
    PutLE(out, 40, 4); // BITMAPINFOHEADER
    PutLE(out, width, 4);
    PutLE(out, height, 4); // positive: bottom-up
    PutLE(out, 1, 2);      // planes
    PutLE(out, 24, 2);     // bits per pixel
    PutLE(out, 0, 4);      // BI_RGB
    PutLE(out, imageSize, 4);
    PutLE(out, kPixelsPerMetre, 4);
    PutLE(out, kPixelsPerMetre, 4);
    PutLE(out, 0, 4);                    // colours used
    PutLE(out, 0, 4);                    // colours important
    out.resize(kHeaders + imageSize, 0); // the padding stays zero
    std::uint8_t* stored = out.data() + kHeaders;
    for (int y = picture.Height() - 1; y >= 0; --y, stored += stride) {
        const std::uint8_t* row = picture.Row(y);
        for (std::uint32_t x = 0; x < width; ++x) {
            stored[3 * x] = row[3 * x + 2];
            stored[3 * x + 1] = row[3 * x + 1];
            stored[3 * x + 2] = row[3 * x];
        }
    }
    return out;
}

} // namespace tw
