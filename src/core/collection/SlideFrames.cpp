#include "core/collection/SlideFrames.h"

#include "core/collection/Thumbnails.h"
#include "core/editors/PixelOps.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace tw {

namespace {

int Between(int first, int last, int i, int n) {
    // The product is whole, the division is not: nearest() then rounds halves to even.
    const double step = static_cast<double>((static_cast<long long>(last) - first) * i) / (n - 1);
    return static_cast<int>(std::clamp<long long>(0LL + first + Nearest(step),
                                                  std::numeric_limits<int>::min(),
                                                  std::numeric_limits<int>::max()));
}

Picture Crop(const Picture& source, const PixelRect& part) {
    Picture crop(part.width, part.height);
    for (int y = 0; y < part.height; ++y) {
        std::memcpy(crop.Row(y), source.Row(part.top + y) + static_cast<std::size_t>(part.left) * 3,
                    crop.Stride());
    }
    return crop;
}

} // namespace

TRect InterpolateFrameRect(const TRect& first, const TRect& last, int i, int n) {
    if (n < 2) {
        return first;
    }
    return TRect{Between(first.Left, last.Left, i, n), Between(first.Top, last.Top, i, n),
                 Between(first.Right, last.Right, i, n), Between(first.Bottom, last.Bottom, i, n)};
}

Picture RenderSlideFrame(const Picture& source, const TRect& rect) {
    Picture frame(kThumbnailSide, kThumbnailSide, 255);
    const long long width = static_cast<long long>(rect.Right) - rect.Left;
    const long long height = static_cast<long long>(rect.Bottom) - rect.Top;
    if (width <= 0 || height <= 0) {
        return frame;
    }
    // Only the part of the square that the source covers is stretched; the rest stays white.
    const long long left = std::max<long long>(rect.Left, 0);
    const long long top = std::max<long long>(rect.Top, 0);
    const long long right = std::min<long long>(rect.Right, source.Width());
    const long long bottom = std::min<long long>(rect.Bottom, source.Height());
    if (right <= left || bottom <= top) {
        return frame;
    }
    const auto toFrame = [](long long offset, long long side) {
        return Nearest(static_cast<double>(offset) * kThumbnailSide / static_cast<double>(side));
    };
    const int frameLeft = toFrame(left - rect.Left, width);
    const int frameTop = toFrame(top - rect.Top, height);
    const int frameRight = toFrame(right - rect.Left, width);
    const int frameBottom = toFrame(bottom - rect.Top, height);
    if (frameRight <= frameLeft || frameBottom <= frameTop) {
        return frame;
    }
    const Picture part =
        Crop(source, PixelRect{static_cast<int>(left), static_cast<int>(top),
                               static_cast<int>(right - left), static_cast<int>(bottom - top)});
    CopyPixels(Stretch(part, frameRight - frameLeft, frameBottom - frameTop), frame,
               TPoint{frameLeft, frameTop});
    return frame;
}

THeadRec SlideFrameRecord(int image, const TRect& rect, TSize source) {
    THeadRec frame;
    frame.ImageID = image;
    frame.FrameRect = rect;
    frame.ImagePos = kSlideFramePos;
    frame.ImageWidth = source.Width;
    frame.ImageHeight = source.Height;
    frame.Scale = 100;
    return frame;
}

TGuideResult MakeSlideFrames(const Picture& source, int image, const TRect& first,
                             const TRect& last, int n, std::span<const Picture> icons,
                             const std::function<void(int made)>& onFrame) {
    TGuideResult result;
    const TSize size{source.Width(), source.Height()};
    for (int i = 0; i < n; ++i) {
        const TRect rect = InterpolateFrameRect(first, last, i, n);
        result.Frames.push_back(SlideFrameRecord(image, rect, size));
        std::vector<Picture> set =
            MakeThumbnailSet(RenderSlideFrame(source, rect), icons, BadgeBlend::Opaque);
        std::move(set.begin(), set.end(), std::back_inserter(result.Pictures));
        if (onFrame) {
            onFrame(i + 1);
        }
    }
    return result;
}

PixelRect PlaceInView(TSize picture, TSize view) {
    if (picture.Width <= 0 || picture.Height <= 0) {
        return {};
    }
    if (picture.Width <= view.Width && picture.Height <= view.Height) {
        return {(view.Width - picture.Width) / 2, (view.Height - picture.Height) / 2, picture.Width,
                picture.Height};
    }
    const int width =
        std::max(1, Nearest(static_cast<double>(picture.Width) * view.Height / picture.Height));
    return {(view.Width - width) / 2, 0, width, view.Height};
}

void TSlideKeyframes::ChoosePicture(const std::filesystem::path& path) {
    const int added = manager_.AddImage(path);
    std::optional<Picture> picture;
    try {
        picture = manager_.GetImage(added);
    } catch (...) {
        manager_.DeleteImage(added);
        throw;
    }
    UnmarkBoth();
    int index = added;
    if (sourceIndex_ >= 0) {
        // The earlier choice is the guide's own slot, the last before this one: the new slot
        // moves into its place.
        manager_.DeleteImage(sourceIndex_);
        if (sourceIndex_ < index) {
            --index;
        }
    }
    sourceIndex_ = index;
    source_ = picture ? std::move(*picture) : Picture{};
}

void TSlideKeyframes::UnmarkBoth() {
    // The higher entry goes first, since a removal moves the entries behind it.
    const int higher = std::max(first_.entry, last_.entry);
    const int lower = std::min(first_.entry, last_.entry);
    if (higher >= 0) {
        manager_.DeleteHead(higher);
    }
    if (lower >= 0) {
        manager_.DeleteHead(lower);
    }
    first_ = Keyframe{};
    last_ = Keyframe{};
}

bool TSlideKeyframes::Mark(TKeyframe which) {
    if (sourceIndex_ < 0) {
        return false;
    }
    Keyframe& keyframe = Slot(which);
    if (keyframe.entry < 0) {
        // A cancelled first edit takes the new entry back, so nothing is left behind.
        const int entry = manager_.AddHead(sourceIndex_, THeadKind::hkGuideKeyframe, true);
        if (entry < 0) {
            return false;
        }
        keyframe.entry = entry;
    } else if (!manager_.EditHead(keyframe.entry, true)) {
        return false;
    }
    THeadRec head;
    manager_.GetHead(keyframe.entry, head);
    keyframe.rect = head.FrameRect;
    return true;
}

Picture TSlideKeyframes::DisplayPicture(TKeyframe which) const {
    const int entry = Slot(which).entry;
    const auto index =
        static_cast<std::size_t>(entry) * static_cast<std::size_t>(manager_.ImagesPerEntry());
    if (entry < 0 || index >= manager_.Thumbnails().size()) {
        return BlankThumbnail();
    }
    return manager_.Thumbnails()[index];
}

TGuideResult TSlideKeyframes::MakeFrames(int n, std::span<const Picture> icons,
                                         const std::function<void(int made)>& onFrame) const {
    if (sourceIndex_ < 0 || source_.IsEmpty() || !Marked(TKeyframe::First) ||
        !Marked(TKeyframe::Last)) {
        return {};
    }
    return MakeSlideFrames(source_, sourceIndex_, first_.rect, last_.rect, n, icons, onFrame);
}

} // namespace tw
