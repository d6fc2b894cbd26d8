#pragma once

// The decoders behind the registry in Codecs.cpp. Each throws PictureError with a reason
// (not naming the file; LoadPicture adds that).

#include "core/image/Codecs.h"

#include <cstdint>
#include <span>

namespace tw::decoders {

using Bytes = std::span<const std::uint8_t>;

// Throws unless a picture of this size may be allocated.
void RequireAllowedSize(long long width, long long height);

bool IsJpeg(Bytes bytes);
PictureInfo ProbeJpeg(Bytes bytes);
Picture DecodeJpeg(Bytes bytes, const DecodeHint& hint);

bool IsPng(Bytes bytes);
PictureInfo ProbePng(Bytes bytes);
Picture DecodePng(Bytes bytes);

bool IsGif(Bytes bytes);
PictureInfo ProbeGif(Bytes bytes);
Picture DecodeGif(Bytes bytes);

bool IsTiff(Bytes bytes);
PictureInfo ProbeTiff(Bytes bytes);
Picture DecodeTiff(Bytes bytes);

bool IsBmp(Bytes bytes);
PictureInfo ProbeBmp(Bytes bytes);
Picture DecodeBmp(Bytes bytes);

bool IsIco(Bytes bytes);
PictureInfo ProbeIco(Bytes bytes);
Picture DecodeIco(Bytes bytes);

bool IsPsd(Bytes bytes);
PictureInfo ProbePsd(Bytes bytes);
Picture DecodePsd(Bytes bytes);

// Targa has no signature at its start; IsTga only recognises the version 2 footer.
bool IsTga(Bytes bytes);
PictureInfo ProbeTga(Bytes bytes);
Picture DecodeTga(Bytes bytes);

// Windows and enhanced metafiles: recognised so that they get a clear refusal.
bool IsMetafile(Bytes bytes);

// A colour channel drawn with opacity `alpha` over white, rounded.
constexpr std::uint8_t OverWhite(unsigned channel, unsigned alpha) {
    return static_cast<std::uint8_t>((channel * alpha + 255 * (255 - alpha) + 127) / 255);
}

} // namespace tw::decoders
