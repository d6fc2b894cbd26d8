#pragma once

#include "core/collection/uMsnHeadManager.h"
#include "core/editors/Geometry.h"
#include "core/image/Picture.h"
#include "core/image/Resample.h"

#include <filesystem>
#include <functional>
#include <span>

namespace tw {

// The frame count a slide may have, and what the animation guide offers first.
inline constexpr int kSlideFramesMin = 2;
inline constexpr int kSlideFramesMax = 10;
inline constexpr int kSlideFramesDefault = 5;

// Frame i of n between two keyframes: every side moves by nearest((last - first) * i / (n - 1)),
// so frame 0 is `first` and frame n - 1 is `last`.
TRect InterpolateFrameRect(const TRect& first, const TRect& last, int i, int n);

// `rect` of `source` stretched into a 96 x 96 picture; white where the square lies outside
// the source, as the display picture editor shows it.
Picture RenderSlideFrame(const Picture& source, const TRect& rect);

// The entry of a slide frame of picture `image`: its square alone says what it shows.
THeadRec SlideFrameRecord(int image, const TRect& rect, TSize source);

// The n frames of a slide from `first` to `last` of picture `image`, each with its plain
// picture followed by one per badge icon, the icon copied opaquely. `onFrame` hears the number
// of frames made so far after each one.
TGuideResult MakeSlideFrames(const Picture& source, int image, const TRect& first,
                             const TRect& last, int n, std::span<const Picture> icons,
                             const std::function<void(int made)>& onFrame = {});

// Where a picture goes in a view: unscaled and centred when it fits, else stretched to the
// view's height and centred across, so a wide one is cut at both sides.
PixelRect PlaceInView(TSize picture, TSize view);

enum class TKeyframe { First, Last };

// The animation guide's picture and keyframes, kept in the collection manager as a source
// picture and temporary keyframe entries while the guide runs.
class TSlideKeyframes {
public:
    explicit TSlideKeyframes(TMsnHeadManager& manager) : manager_(manager) {}

    // Makes the picture at `path` the slide's source, in place of one chosen before, and
    // unmarks both keyframes. Throws PictureError, changing nothing, when the file does not
    // decode.
    void ChoosePicture(const std::filesystem::path& path);
    // The source's index in the manager's pictures; -1 while none is chosen.
    int SourceIndex() const { return sourceIndex_; }
    const Picture& Source() const { return source_; }

    // Lets the user mark the keyframe in the display picture editor; a keyframe marked before
    // opens as it was left. True when the user accepted; a cancelled mark changes nothing.
    bool Mark(TKeyframe which);
    bool Marked(TKeyframe which) const { return Slot(which).entry >= 0; }
    // The keyframe's entry in the manager, -1 while unmarked.
    int Entry(TKeyframe which) const { return Slot(which).entry; }
    // The keyframe's square of the source picture.
    const TRect& Rect(TKeyframe which) const { return Slot(which).rect; }
    // The keyframe's display picture; blank while unmarked.
    Picture DisplayPicture(TKeyframe which) const;

    // The slide's frames and pictures; empty unless a picture is chosen and both keyframes
    // are marked.
    TGuideResult MakeFrames(int n, std::span<const Picture> icons,
                            const std::function<void(int made)>& onFrame = {}) const;

private:
    struct Keyframe {
        int entry = -1;
        TRect rect;
    };
    const Keyframe& Slot(TKeyframe which) const {
        return which == TKeyframe::First ? first_ : last_;
    }
    Keyframe& Slot(TKeyframe which) { return which == TKeyframe::First ? first_ : last_; }
    void UnmarkBoth();

    TMsnHeadManager& manager_;
    int sourceIndex_ = -1;
    Picture source_;
    Keyframe first_;
    Keyframe last_;
};

} // namespace tw
