// Feeds arbitrary bytes to the picture decoders under every extension: each must decode them or
// refuse them with PictureError, never crash or read out of bounds.
#include "core/image/Codecs.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte picks the name the file arrives under (Targa is found only by name).
    constexpr std::array<std::string_view, 6> kExtensions{".jpg", ".png", ".tga",
                                                          ".bmp", ".ico", ""};
    if (size == 0)
        return 0;
    const std::string_view extension = kExtensions[data[0] % kExtensions.size()];
    const std::span<const std::uint8_t> bytes(data + 1, size - 1);
    try {
        tw::ProbePicture(bytes, extension);
    } catch (const tw::PictureError&) {
    }
    try {
        // Small hints make JPEG take its reduced path half of the time.
        const tw::DecodeHint hint = (data[0] & 0x80) != 0 ? tw::DecodeHint{1, 1} : tw::DecodeHint{};
        tw::DecodePicture(bytes, extension, hint);
    } catch (const tw::PictureError&) {
    }
    return 0;
}
