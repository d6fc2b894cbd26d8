#pragma once

namespace tw {

// A point on the editor's surface or in a source picture, in pixels.
struct TPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

// A rectangle in pixels; Right and Bottom are exclusive.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    friend bool operator==(const TRect&, const TRect&) = default;
};

struct TSize {
    int Width = 0;
    int Height = 0;
    friend bool operator==(const TSize&, const TSize&) = default;
};

// The integer nearest to `value`, a half going to the even neighbour; values beyond the int
// range end at its limits.
int Nearest(double value);

} // namespace tw
