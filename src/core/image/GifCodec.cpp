// GIF through giflib: the first frame, its transparent pixels on white.

#include "core/image/FormatDecoders.h"

#include <algorithm>
#include <cstring>
#include <gif_lib.h>
#include <memory>
#include <string>
#include <vector>

namespace tw::decoders {
namespace {

struct MemoryInput {
    Bytes bytes;
    std::size_t offset = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* out, int count) {
    auto* input = static_cast<MemoryInput*>(gif->UserData);
    const std::size_t n =
        std::min(static_cast<std::size_t>(std::max(count, 0)), input->bytes.size() - input->offset);
    std::memcpy(out, input->bytes.data() + input->offset, n);
    input->offset += n;
    return static_cast<int>(n);
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int ignored = 0;
        DGifCloseFile(gif, &ignored);
    }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

[[noreturn]] void Fail(int code) {
    const char* reason = GifErrorString(code);
    throw PictureError(std::string("the GIF data is damaged (") +
                       (reason != nullptr ? reason : "unknown error") + ")");
}

// The file positioned at the first frame's pixels, with what the frame needs to be drawn.
struct FirstFrame {
    GifHandle gif;
    int canvasWidth = 0;
    int canvasHeight = 0;
    int transparentIndex = -1;
};

FirstFrame OpenFirstFrame(MemoryInput& input) {
    int error = 0;
    FirstFrame frame{GifHandle(DGifOpen(&input, ReadFromMemory, &error))};
    if (!frame.gif)
        Fail(error);
    GifFileType* gif = frame.gif.get();
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR)
            Fail(gif->Error);
        if (type == IMAGE_DESC_RECORD_TYPE)
            break;
        if (type == TERMINATE_RECORD_TYPE)
            throw PictureError("the GIF file holds no picture");
        if (type != EXTENSION_RECORD_TYPE)
            throw PictureError("the GIF data is damaged (unknown record)");
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
            Fail(gif->Error);
        // Graphic control: flags, delay (2 bytes), transparent index.
        if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4)
            frame.transparentIndex = (block[1] & 1) != 0 ? block[4] : -1;
        while (block != nullptr) {
            if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
                Fail(gif->Error);
        }
    }
    if (DGifGetImageDesc(gif) == GIF_ERROR)
        Fail(gif->Error);
    const GifImageDesc& desc = gif->Image;
    RequireAllowedSize(desc.Width, desc.Height);
    // The canvas is the logical screen, grown where a frame reaches past it.
    const long long width = std::max<long long>(gif->SWidth, 1LL * desc.Left + desc.Width);
    const long long height = std::max<long long>(gif->SHeight, 1LL * desc.Top + desc.Height);
    RequireAllowedSize(width, height);
    frame.canvasWidth = static_cast<int>(width);
    frame.canvasHeight = static_cast<int>(height);
    return frame;
}

} // namespace

bool IsGif(Bytes bytes) {
    return bytes.size() >= 6 && std::memcmp(bytes.data(), "GIF8", 4) == 0 &&
           (bytes[4] == '7' || bytes[4] == '9') && bytes[5] == 'a';
}

PictureInfo ProbeGif(Bytes bytes) {
    MemoryInput input{bytes};
    const FirstFrame frame = OpenFirstFrame(input);
    return {frame.canvasWidth, frame.canvasHeight, "gif"};
}

Picture DecodeGif(Bytes bytes) {
    MemoryInput input{bytes};
    FirstFrame frame = OpenFirstFrame(input);
    GifFileType* gif = frame.gif.get();
    const GifImageDesc& desc = gif->Image;
    const ColorMapObject* colours = desc.ColorMap != nullptr ? desc.ColorMap : gif->SColorMap;
    if (colours == nullptr)
        throw PictureError("the GIF data is damaged (no colour table)");

    Picture picture(frame.canvasWidth, frame.canvasHeight, 255);
    std::vector<GifPixelType> line(static_cast<std::size_t>(desc.Width));
    auto drawLine = [&](int row) {
        if (DGifGetLine(gif, line.data(), desc.Width) == GIF_ERROR)
            Fail(gif->Error);
        std::uint8_t* out = picture.Row(desc.Top + row) + 3 * static_cast<std::size_t>(desc.Left);
        for (int x = 0; x < desc.Width; ++x, out += 3) {
            const int index = line[static_cast<std::size_t>(x)];
            if (index == frame.transparentIndex)
                continue;
            if (index < colours->ColorCount) {
                const GifColorType& c = colours->Colors[index];
                out[0] = c.Red;
                out[1] = c.Green;
                out[2] = c.Blue;
            } else {
                std::fill_n(out, 3, std::uint8_t{0});
            }
        }
    };
    if (desc.Interlace) {
        constexpr int kStart[] = {0, 4, 2, 1};
        constexpr int kStep[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass) {
            for (int row = kStart[pass]; row < desc.Height; row += kStep[pass])
                drawLine(row);
        }
    } else {
        for (int row = 0; row < desc.Height; ++row)
            drawLine(row);
    }
    return picture;
}

} // namespace tw::decoders
