#pragma once

#include "core/collection/ImageSource.h"
#include "core/editors/Geometry.h"
#include "core/messenger/MsnState.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tw {

enum class THeadKind {
    hkOrdinary,
    // A temporary keyframe entry of the animation guide; never saved.
    hkGuideKeyframe,
};

// One entry of the collection: which source picture, how it is cut into the 96 x 96 display
// picture, and what goes to the messenger with it. Field names are the collection file's keys.
struct THeadRec {
    bool ReadOnly = false;
    std::int32_t ImageID = 0;
    TMsnState State = 0;
    std::string PersonalMsg;
    std::string PersonalURL;
    // Now-playing category: 0 none, 1 Office, 2 Music, 3 Games.
    std::uint8_t PersonalIcon = 0;
    // (-1000, -1000) marks a slide frame whose geometry is FrameRect alone.
    TPoint ImagePos;
    // The square of the source picture that becomes the display picture, in source pixels.
    TRect FrameRect;
    // Display size in the editor; 0 (or less) marks an entry never edited.
    std::int32_t ImageWidth = 0;
    std::int32_t ImageHeight = 0;
    std::int32_t Brightness = 0;
    std::int32_t Contrast = 0;
    std::int32_t Scale = 0;
    THeadKind Kind = THeadKind::hkOrdinary;

    friend bool operator==(const THeadRec&, const THeadRec&) = default;
};

using THeadArray = std::vector<THeadRec>;

// One slot of the source-picture table. The picture is kept encoded, as its file's bytes,
// and decoded only while an edit or a render needs it.
struct TImageRec {
    // Extension a collection file stores the picture under: lower case with its dot.
    std::string Ext;
    // The encoded picture; none for a slot without a picture.
    std::shared_ptr<const ImageSource> Source;
    // Full size and format ("jpeg", "png", ...) of the encoded picture.
    int Width = 0;
    int Height = 0;
    std::string Format;

    bool HasPicture() const { return Source != nullptr; }
};

} // namespace tw
