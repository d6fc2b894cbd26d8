// JPEG through libjpeg(-turbo). libjpeg reports fatal errors by longjmp, so every libjpeg call
// runs inside a small function whose frame holds no object with a destructor; the state they
// share lives in JpegDecoder, whose destructor releases libjpeg's memory on every path.

#include "core/image/FormatDecoders.h"
#include "core/image/Orientation.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <jerror.h>
#include <jpeglib.h>
#include <string>
#include <utility>
#include <vector>

namespace tw::decoders {
namespace {

struct ErrorManager {
    jpeg_error_mgr base; // first member: libjpeg sees only this part
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    long long endOfDataAt; // output scanline at which the data ran out, or -1
};

void OnFatalError(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    errors->base.format_message(info, errors->message);
    std::longjmp(errors->jump, 1);
}

// Warnings are not shown; running out of data is remembered, since libjpeg then pads the
// picture with grey instead of failing.
void OnMessage(j_common_ptr info, int level) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    if (level < 0 && errors->base.msg_code == JWRN_JPEG_EOF && errors->endOfDataAt < 0 &&
        info->is_decompressor)
        errors->endOfDataAt = reinterpret_cast<j_decompress_ptr>(info)->output_scanline;
}

// The entropy decoder reads ahead, so a file that lacks only its end marker runs out of data
// while the last rows of blocks are decoded. Running out any earlier means rows are missing.
bool EndedEarly(const jpeg_decompress_struct& info, long long endOfDataAt) {
    if (endOfDataAt < 0)
        return false;
    const long long bandRows =
        (info.output_height + info.total_iMCU_rows - 1) / std::max(info.total_iMCU_rows, 1u);
    return endOfDataAt + 2 * bandRows < info.output_height;
}

// Progressive pictures need a few dozen scans; thousands of tiny scans only burn time.
constexpr int kMaxScans = 1000;

void CountScans(j_common_ptr info) {
    if (!info->is_decompressor)
        return;
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans) {
        auto* errors = reinterpret_cast<ErrorManager*>(info->err);
        std::snprintf(errors->message, sizeof errors->message, "more than %d scans", kMaxScans);
        std::longjmp(errors->jump, 1);
    }
}

struct JpegDecoder {
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    jpeg_progress_mgr progress{};
    bool created = false;

    JpegDecoder() {
        progress.progress_monitor = CountScans;
        errors.endOfDataAt = -1;
        info.err = jpeg_std_error(&errors.base);
        errors.base.error_exit = OnFatalError;
        errors.base.emit_message = OnMessage;
    }
    ~JpegDecoder() {
        if (created)
            jpeg_destroy_decompress(&info);
    }
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;

    [[noreturn]] void Fail() const {
        throw PictureError(std::string("the JPEG data is damaged (") + errors.message + ")");
    }
};

bool ReadHeader(JpegDecoder& d, const std::uint8_t* data, std::size_t size) {
    if (setjmp(d.errors.jump))
        return false;
    jpeg_create_decompress(&d.info);
    d.created = true;
    d.info.progress = &d.progress;
    jpeg_mem_src(&d.info, data, static_cast<unsigned long>(size));
    jpeg_save_markers(&d.info, JPEG_APP0 + 1, 0xFFFF); // EXIF
    jpeg_read_header(&d.info, TRUE);
    return true;
}

bool Start(JpegDecoder& d) {
    if (setjmp(d.errors.jump))
        return false;
    jpeg_start_decompress(&d.info);
    return true;
}

// Adobe writes CMYK inverted (0 = full ink); so does almost every other writer.
void CmykToRgb(const std::uint8_t* cmyk, std::uint8_t* rgb, unsigned width) {
    for (unsigned x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
        const unsigned k = cmyk[3];
        rgb[0] = static_cast<std::uint8_t>((cmyk[0] * k + 127) / 255);
        rgb[1] = static_cast<std::uint8_t>((cmyk[1] * k + 127) / 255);
        rgb[2] = static_cast<std::uint8_t>((cmyk[2] * k + 127) / 255);
    }
}

// Reads every scanline into `picture`; four-channel output goes through `cmykRow`.
bool ReadRows(JpegDecoder& d, Picture* picture, std::uint8_t* cmykRow) {
    if (setjmp(d.errors.jump))
        return false;
    while (d.info.output_scanline < d.info.output_height) {
        std::uint8_t* row = picture->Row(static_cast<int>(d.info.output_scanline));
        JSAMPROW target = cmykRow != nullptr ? cmykRow : row;
        if (jpeg_read_scanlines(&d.info, &target, 1) != 1)
            return false;
        if (cmykRow != nullptr)
            CmykToRgb(cmykRow, row, d.info.output_width);
    }
    return true;
}

// Reads the header; returns the EXIF orientation.
int OpenHeader(JpegDecoder& d, Bytes bytes) {
    if (!ReadHeader(d, bytes.data(), bytes.size()))
        d.Fail();
    RequireAllowedSize(d.info.image_width, d.info.image_height);
    for (jpeg_saved_marker_ptr m = d.info.marker_list; m != nullptr; m = m->next) {
        const int orientation = ReadExifOrientation({m->data, m->data_length});
        if (orientation != 1)
            return orientation;
    }
    return 1;
}

// The smallest DCT scale n/8 (at most 1/2) whose result is still at least `minWidth` x
// `minHeight` (in stored orientation).
unsigned ChooseScale(const jpeg_decompress_struct& info, int minWidth, int minHeight) {
    if (minWidth <= 0 && minHeight <= 0)
        return 8;
    for (unsigned n = 1; n <= 4; ++n) {
        const unsigned long long width = (info.image_width * n + 7ull) / 8;
        const unsigned long long height = (info.image_height * n + 7ull) / 8;
        if (width >= static_cast<unsigned>(std::max(minWidth, 0)) &&
            height >= static_cast<unsigned>(std::max(minHeight, 0)))
            return n;
    }
    return 8;
}

} // namespace

bool IsJpeg(Bytes bytes) {
    return bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

PictureInfo ProbeJpeg(Bytes bytes) {
    JpegDecoder d;
    const bool swap = SwapsSides(OpenHeader(d, bytes));
    const auto width = static_cast<int>(d.info.image_width);
    const auto height = static_cast<int>(d.info.image_height);
    return {swap ? height : width, swap ? width : height, "jpeg"};
}

Picture DecodeJpeg(Bytes bytes, const DecodeHint& hint) {
    JpegDecoder d;
    const int orientation = OpenHeader(d, bytes);
    const bool cmyk = d.info.jpeg_color_space == JCS_CMYK || d.info.jpeg_color_space == JCS_YCCK;
    d.info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    d.info.scale_num = SwapsSides(orientation) ? ChooseScale(d.info, hint.minHeight, hint.minWidth)
                                               : ChooseScale(d.info, hint.minWidth, hint.minHeight);
    d.info.scale_denom = 8;
    if (!Start(d))
        d.Fail();
    if (d.info.output_components != (cmyk ? 4 : 3))
        throw PictureError("the JPEG picture has an unsupported colour layout");

    Picture picture(static_cast<int>(d.info.output_width), static_cast<int>(d.info.output_height));
    std::vector<std::uint8_t> cmykRow(cmyk ? d.info.output_width * 4u : 0u);
    if (!ReadRows(d, &picture, cmyk ? cmykRow.data() : nullptr))
        d.Fail();
    if (EndedEarly(d.info, d.errors.endOfDataAt))
        throw PictureError("the file ends before the picture is complete");
    return Orient(std::move(picture), orientation);
}

} // namespace tw::decoders
