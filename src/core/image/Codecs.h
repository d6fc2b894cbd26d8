#pragma once

#include "core/image/Picture.h"
#include "core/image/PictureError.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tw {

// Pictures come from the web too: anything larger is refused before memory is allocated.
constexpr long long kMaxPicturePixels = 100'000'000;
constexpr int kMaxPictureSide = 16384;

// How small a decoder may make the picture. A decoder that can decode at reduced size cheaply
// (JPEG DCT scaling) returns a picture at least this big with the aspect ratio of the full
// picture; {0, 0} asks for the full size. Other decoders ignore the hint.
struct DecodeHint {
    int minWidth = 0;
    int minHeight = 0;
};

// Size and format of an encoded picture, read from its header only.
struct PictureInfo {
    int width = 0;
    int height = 0;
    std::string format; // "jpeg", "png", "gif", "tiff", "bmp", "ico", "tga", "psd"
};

// The format is recognised by content first; formats without a signature (Targa) and metafiles
// are recognised by `extension` (with or without the dot, any case). Sizes and pixels are
// upright: JPEG and TIFF pictures stored turned (EXIF or TIFF orientation) are turned, so a
// probe of such a photo gives the upright width and height. All throw PictureError.
PictureInfo ProbePicture(std::span<const std::uint8_t> bytes, std::string_view extension);
Picture DecodePicture(std::span<const std::uint8_t> bytes, std::string_view extension,
                      const DecodeHint& hint = {});

// Reads and decodes a file; the error message names the file.
Picture LoadPicture(const std::filesystem::path& path, const DecodeHint& hint = {});

// A format that can be read, as the open-picture dialogs list it.
struct PictureFormat {
    std::string description;             // "JPEG images"
    std::vector<std::string> extensions; // lower case, without the dot, sorted
};
// Every readable format, sorted by description.
std::vector<PictureFormat> ReadablePictureFormats();
// The open-picture dialogs' filter in name-filter syntax (entries separated by ";;"): "All
// images" with every extension first, then one entry per format, e.g.
// "All images (*.bmp *.cur ...);;GIF images (*.gif);;JPEG images (*.jfif *.jpe *.jpeg *.jpg);;..."
std::string PictureDialogFilter();

// A 24-bit BMP file (BITMAPFILEHEADER + BITMAPINFOHEADER, bottom-up rows padded to 4 bytes).
std::vector<std::uint8_t> EncodeBmp24(const Picture& picture);

} // namespace tw
