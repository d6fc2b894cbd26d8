#pragma once

#include "core/image/Picture.h"

namespace tw {

// Area-averaging ("halftone") stretch: every target pixel is the mean of the source area it
// covers, weighted by overlap. Correct at every ratio, down and up; equal sizes copy exactly.
// Throws PictureError when the target would exceed the picture size limits.
Picture Stretch(const Picture& source, int width, int height);

// A rectangle in pixels; empty when width or height is not positive.
struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// Draws `source` stretched to `destination` (in target coordinates; it may lie partly or wholly
// outside `target`), writing only the pixels of `target` inside both `destination` and `clip`.
// The cost follows the pixels written, never the full stretched size, so a large picture shown
// at high zoom on a small surface stays cheap.
void StretchInto(const Picture& source, Picture& target, PixelRect destination, PixelRect clip);

} // namespace tw
