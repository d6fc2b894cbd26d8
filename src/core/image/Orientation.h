#pragma once

// Cameras store photos as the sensor saw them and note in EXIF how to turn them upright.

#include "core/image/FormatDecoders.h"

namespace tw::decoders {

// The EXIF orientation (1..8) of an APP1 payload ("Exif\0\0" and a TIFF structure); 1, upright,
// when there is none or it cannot be read.
int ReadExifOrientation(Bytes app1);

// Orientations 5 to 8 turn the picture by a quarter, exchanging width and height.
constexpr bool SwapsSides(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

// The picture turned and mirrored upright.
Picture Orient(Picture picture, int orientation);

} // namespace tw::decoders
