// Photoshop documents: the flattened composite image that Photoshop stores after the layers
// (grey, duotone, indexed, RGB and CMYK at 8 or 16 bits, raw or PackBits).

#include "core/image/ByteReader.h"
#include "core/image/FormatDecoders.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace tw::decoders {
namespace {

enum class ColourMode : std::uint16_t {
    Bitmap = 0,
    Grey = 1,
    Indexed = 2,
    Rgb = 3,
    Cmyk = 4,
    Multichannel = 7,
    Duotone = 8,
    Lab = 9,
};

struct PsdHeader {
    int channels = 0;
    int width = 0;
    int height = 0;
    int depth = 0;
    ColourMode mode = ColourMode::Rgb;

    int ChannelsUsed() const {
        switch (mode) {
        case ColourMode::Rgb:
            return 3;
        case ColourMode::Cmyk:
            return 4;
        default:
            return 1;
        }
    }
};

PsdHeader ReadHeader(ByteReader& in) {
    if (in.U32BE() != 0x38425053) // "8BPS"
        throw PictureError("the file is not a Photoshop document");
    const std::uint16_t version = in.U16BE();
    if (version == 2)
        throw PictureError("large Photoshop documents (PSB) are not supported");
    if (version != 1)
        throw PictureError("the Photoshop document has an unknown version");
    in.Skip(6);
    PsdHeader h;
    h.channels = in.U16BE();
    const std::uint32_t height = in.U32BE();
    const std::uint32_t width = in.U32BE();
    h.depth = in.U16BE();
    h.mode = static_cast<ColourMode>(in.U16BE());
    RequireAllowedSize(width, height);
    h.width = static_cast<int>(width);
    h.height = static_cast<int>(height);
    const bool supportedMode = h.mode == ColourMode::Grey || h.mode == ColourMode::Duotone ||
                               h.mode == ColourMode::Rgb || h.mode == ColourMode::Cmyk ||
                               (h.mode == ColourMode::Indexed && h.depth == 8);
    if (!supportedMode || (h.depth != 8 && h.depth != 16))
        throw PictureError("the Photoshop document's colour mode or depth is not supported");
    if (h.channels < h.ChannelsUsed())
        throw PictureError("the Photoshop document is damaged (too few channels)");
    return h;
}

// PackBits: a signed count n, then n + 1 literal bytes, or one byte repeated 1 - n times.
void UnpackBits(Bytes packed, std::uint8_t* out, std::size_t size) {
    ByteReader in(packed);
    std::size_t done = 0;
    while (done < size) {
        const auto n = static_cast<std::int8_t>(in.U8());
        if (n >= 0) {
            const std::size_t count = std::min<std::size_t>(n + 1u, size - done);
            std::memcpy(out + done, in.Take(count).data(), count);
            done += count;
        } else if (n != -128) {
            const std::size_t count = std::min<std::size_t>(1u - n, size - done);
            std::memset(out + done, in.U8(), count);
            done += count;
        }
    }
}

} // namespace

bool IsPsd(Bytes bytes) {
    return bytes.size() >= 4 && std::memcmp(bytes.data(), "8BPS", 4) == 0;
}

PictureInfo ProbePsd(Bytes bytes) {
    ByteReader in(bytes);
    const PsdHeader h = ReadHeader(in);
    return {h.width, h.height, "psd"};
}

Picture DecodePsd(Bytes bytes) {
    ByteReader in(bytes);
    const PsdHeader h = ReadHeader(in);
    const auto modeData = in.Take(in.U32BE());
    in.Skip(in.U32BE()); // image resources
    in.Skip(in.U32BE()); // layers and masks
    const std::uint16_t compression = in.U16BE();
    if (compression > 1)
        throw PictureError("the Photoshop document's compression is not supported");

    const auto width = static_cast<std::size_t>(h.width);
    const auto height = static_cast<std::size_t>(h.height);
    const std::size_t rowBytes = width * (h.depth / 8);
    const int used = h.ChannelsUsed();
    std::vector<std::size_t> packedSizes;
    if (compression == 1) {
        // Row sizes of every channel precede the data, also of the channels not used.
        const std::size_t rows = static_cast<std::size_t>(h.channels) * height;
        in.Require(2 * rows);
        packedSizes.resize(rows);
        for (auto& size : packedSizes)
            size = in.U16BE();
    }
    // The rows of the channels used must all be there before the picture is made.
    std::size_t needed = rowBytes * height * static_cast<std::size_t>(used);
    if (compression == 1) {
        needed = 0;
        for (std::size_t i = 0; i < height * static_cast<std::size_t>(used); ++i)
            needed += packedSizes[i];
    }
    in.Require(needed);

    Picture picture(h.width, h.height);
    std::vector<std::uint8_t> black(h.mode == ColourMode::Cmyk ? width * height : 0);
    std::vector<std::uint8_t> row(rowBytes);
    for (int channel = 0; channel < used; ++channel) {
        for (std::size_t y = 0; y < height; ++y) {
            if (compression == 1)
                UnpackBits(in.Take(packedSizes[channel * height + y]), row.data(), rowBytes);
            else
                std::memcpy(row.data(), in.Take(rowBytes).data(), rowBytes);
            const std::size_t step = h.depth / 8; // 16-bit samples: the high byte first
            if (channel == 3) {
                for (std::size_t x = 0; x < width; ++x)
                    black[y * width + x] = row[x * step];
                continue;
            }
            std::uint8_t* out = picture.Row(static_cast<int>(y));
            const bool grey = used == 1;
            for (std::size_t x = 0; x < width; ++x) {
                const std::uint8_t v = row[x * step];
                if (grey)
                    std::fill_n(out + 3 * x, 3, v);
                else
                    out[3 * x + static_cast<std::size_t>(channel)] = v;
            }
        }
    }

    if (h.mode == ColourMode::Indexed) {
        // The palette: 256 reds, then 256 greens, then 256 blues.
        if (modeData.size() < 768)
            throw PictureError("the Photoshop document is damaged (no colour table)");
        for (std::uint8_t* p = picture.Data(); p != picture.Data() + picture.ByteSize(); p += 3) {
            const std::size_t index = p[0];
            p[0] = modeData[index];
            p[1] = modeData[256 + index];
            p[2] = modeData[512 + index];
        }
    } else if (h.mode == ColourMode::Cmyk) {
        // Stored inverted: 255 is no ink.
        std::uint8_t* p = picture.Data();
        for (const std::uint8_t k : black) {
            for (int c = 0; c < 3; ++c, ++p)
                *p = static_cast<std::uint8_t>((*p * k + 127) / 255);
        }
    }
    return picture;
}

} // namespace tw::decoders
