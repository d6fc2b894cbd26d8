#include "core/editors/uHeadEdit.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <stdexcept>
#include <utility>

namespace tw {

namespace {

constexpr std::uint8_t kWhite = 255;
constexpr TColor kFrameColor{255, 0, 0};
// Parameter of the brightness routine that darkens the picture outside the frame.
constexpr int kDimming = 100;
// FrameRect is measured from the frame's corner plus this offset.
constexpr int kFrameRectOffset = 3;
// Halvings stop before a side gets shorter than this.
constexpr int kSmallestReduction = 16;
// A reduction serves a display size when it is at least this many times larger on each
// side, so every display pixel still averages many source pixels.
constexpr int kReductionMargin = 2;

PixelRect Intersect(long long left, long long top, long long right, long long bottom,
                    long long limitRight, long long limitBottom) {
    left = std::max(left, 0LL);
    top = std::max(top, 0LL);
    right = std::min(right, limitRight);
    bottom = std::min(bottom, limitBottom);
    if (right <= left || bottom <= top) {
        return {};
    }
    return PixelRect{static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                     static_cast<int>(bottom - top)};
}

bool Contains(const PixelRect& outer, const PixelRect& inner) {
    return inner.left >= outer.left && inner.top >= outer.top &&
           inner.left + inner.width <= outer.left + outer.width &&
           inner.top + inner.height <= outer.top + outer.height;
}

// Entries come from collection files, so their numbers may be anything: sums are formed wide
// and brought back into range.
int ClampToInt(long long value) {
    return static_cast<int>(std::clamp<long long>(value, std::numeric_limits<int>::min(),
                                                  std::numeric_limits<int>::max()));
}

int ScaledSide(int percent, int side) {
    return std::max(1, percent * side / 100);
}

} // namespace

std::optional<TSlideFrameGeometry> DeriveSlideFrameGeometry(const TRect& frameRect, TSize source) {
    const long long side = static_cast<long long>(frameRect.Right) - frameRect.Left;
    if (side <= 0 || source.Width <= 0 || source.Height <= 0) {
        return std::nullopt;
    }
    const double x = static_cast<double>(kDisplaySide) / side;
    TSlideFrameGeometry geometry;
    geometry.Scale = Nearest(100 * x);
    geometry.ImageWidth = std::max(1, Nearest(x * source.Width));
    geometry.ImageHeight = std::max(1, Nearest(x * source.Height));
    geometry.ImagePos = {
        ClampToInt(0LL + kFrameCorner.X - Nearest(x * frameRect.Left) - kFrameRectOffset),
        ClampToInt(0LL + kFrameCorner.Y - Nearest(x * frameRect.Top) - kFrameRectOffset)};
    return geometry;
}

int DefaultFitScale(TSize source) {
    if (source.Width <= 0 || source.Height <= 0) {
        return 100;
    }
    if (source.Width == kDisplaySide && source.Height == kDisplaySide) {
        return 100;
    }
    const int shorter = source.Height < source.Width ? source.Height : source.Width;
    return std::clamp(10000 / shorter, kScaleSliderMin, kScaleSliderMax);
}

TSize DefaultFitSize(TSize source) {
    const int scale = DefaultFitScale(source);
    return {ScaledSide(scale, source.Width), ScaledSide(scale, source.Height)};
}

THeadEditModel::THeadEditModel()
    : surface_(kSurfaceWidth, kSurfaceHeight, kWhite),
      preview_(kDisplaySide, kDisplaySide, kWhite) {}

void THeadEditModel::SetSourceImage(Picture picture, bool reset) {
    const TSize size{picture.Width(), picture.Height()};
    SetSourceImage(std::move(picture), size, reset);
}

void THeadEditModel::SetSourceImage(Picture picture, TSize sourceSize, bool reset) {
    if (picture.IsEmpty() || sourceSize.Width <= 0 || sourceSize.Height <= 0) {
        throw std::invalid_argument("the editor needs a picture with pixels");
    }
    source_ = std::move(picture);
    sourceSize_ = sourceSize;
    BuildReductions();
    imageWidth_ = sourceSize.Width;
    imageHeight_ = sourceSize.Height;
    rendition_ = Rendition{};
    if (reset) {
        Restore();
    }
}

void THeadEditModel::BuildReductions() {
    reductions_.clear();
    const Picture* level = &source_;
    while (level->Width() / 2 >= kSmallestReduction && level->Height() / 2 >= kSmallestReduction) {
        Picture half = Stretch(*level, level->Width() / 2, level->Height() / 2);
        reductions_.push_back(std::move(half));
        level = &reductions_.back();
    }
}

const Picture& THeadEditModel::SourceFor(int width, int height) const {
    for (auto level = reductions_.rbegin(); level != reductions_.rend(); ++level) {
        if (level->Width() >= kReductionMargin * (0LL + width) &&
            level->Height() >= kReductionMargin * (0LL + height)) {
            return *level;
        }
    }
    return source_;
}

void THeadEditModel::SetScale(int value) {
    if (value < kScaleSliderMin || value > kScaleAcceptedMax) {
        return;
    }
    SetScaleSlider(value);
    const int oldWidth = imageWidth_;
    const int oldHeight = imageHeight_;
    imageWidth_ = ScaledSide(value, sourceSize_.Width);
    imageHeight_ = ScaledSide(value, sourceSize_.Height);
    // Keep the picture's centre where it was.
    imagePos_.X = ClampToInt(imagePos_.X + (0LL + oldWidth - imageWidth_) / 2);
    imagePos_.Y = ClampToInt(imagePos_.Y + (0LL + oldHeight - imageHeight_) / 2);
    RequestRebuild();
    RequestPaint();
}

void THeadEditModel::SetScaleSlider(int position) {
    const int clamped = std::clamp(position, kScaleSliderMin, kScaleSliderMax);
    if (clamped == scaleSlider_) {
        return;
    }
    scaleSlider_ = clamped;
    ScaleSliderChanged();
}

void THeadEditModel::ScaleSliderChanged() {
    SetScale(scaleSlider_);
    if (!scaleBoxFocused_) {
        scaleBoxText_ = std::to_string(scaleSlider_) + "%";
    }
}

void THeadEditModel::SetBrightness(int value) {
    value = std::clamp(value, -kAdjustmentLimit, kAdjustmentLimit);
    if (value == brightness_) {
        return;
    }
    brightness_ = value;
    RequestRebuild();
    RequestPaint();
}

void THeadEditModel::SetContrast(int value) {
    value = std::clamp(value, -kAdjustmentLimit, kAdjustmentLimit);
    if (value == contrast_) {
        return;
    }
    contrast_ = value;
    RequestRebuild();
    RequestPaint();
}

void THeadEditModel::Restore() {
    SetScaleSlider(DefaultFitScale(sourceSize_));
    // Applied even when the slider already showed the value, so the size is always the fit's.
    SetScale(scaleSlider_);
    imagePos_ = {(kSurfaceWidth - imageWidth_) / 2, (kLayoutHeight - imageHeight_) / 2};
    SetBrightness(0);
    SetContrast(0);
    RequestPaint();
}

void THeadEditModel::SetImagePos(TPoint pos) {
    imagePos_ = pos;
}

void THeadEditModel::SetImageSize(int width, int height) {
    imageWidth_ = std::max(1, width);
    imageHeight_ = std::max(1, height);
}

void THeadEditModel::WheelBy(int step) {
    int value = scaleSlider_ + step;
    // An odd value moves up to the next even one.
    value += value % 2;
    SetScaleSlider(value);
}

bool THeadEditModel::ScaleBoxAccepts(char typed) {
    return typed >= '0' && typed <= '9';
}

void THeadEditModel::ScaleBoxChange(std::string_view text) {
    if (!scaleBoxFocused_) {
        return;
    }
    if (text.find('%') != std::string_view::npos) {
        text.remove_suffix(1);
    }
    int value = 100;
    const char* end = text.data() + text.size();
    int parsed = 0;
    const auto [rest, error] = std::from_chars(text.data(), end, parsed);
    if (!text.empty() && error == std::errc{} && rest == end) {
        value = parsed;
    }
    SetScaleSlider(value);
}

void THeadEditModel::MouseDown(MouseButton button, TPoint at) {
    dragging_ = button == MouseButton::Left;
    dragStartMouse_ = at;
    dragStartPos_ = imagePos_;
}

void THeadEditModel::MouseMove(TPoint at) {
    if (!dragging_) {
        return;
    }
    imagePos_ = {ClampToInt(0LL + dragStartPos_.X + at.X - dragStartMouse_.X),
                 ClampToInt(0LL + dragStartPos_.Y + at.Y - dragStartMouse_.Y)};
    RequestPaint();
}

void THeadEditModel::RequestRebuild() {
    rebuildPending_ = true;
    if (OnRebuildRequested) {
        OnRebuildRequested();
    }
}

void THeadEditModel::RequestPaint() {
    paintPending_ = true;
    if (OnPaintRequested) {
        OnPaintRequested();
    }
}

void THeadEditModel::ProcessRebuildRequest() {
    if (!rebuildPending_) {
        return;
    }
    rebuildPending_ = false;
    RebuildImages();
}

void THeadEditModel::ProcessPaintRequest() {
    if (!paintPending_) {
        return;
    }
    paintPending_ = false;
    PaintEditor();
}

void THeadEditModel::RenderNow() {
    rebuildPending_ = false;
    paintPending_ = false;
    RebuildImages();
    PaintEditor();
}

PixelRect THeadEditModel::VisibleRegion() const {
    // The surface seen from the picture's top-left corner, cut to the picture.
    const long long left = -static_cast<long long>(imagePos_.X);
    const long long top = -static_cast<long long>(imagePos_.Y);
    return Intersect(left, top, left + kSurfaceWidth, top + kSurfaceHeight, imageWidth_,
                     imageHeight_);
}

PixelRect THeadEditModel::WantedRegion() const {
    // A surface's width and height around what is visible, so a drag rarely needs a rebuild.
    const PixelRect visible = VisibleRegion();
    if (visible.width <= 0) {
        return {};
    }
    return Intersect(static_cast<long long>(visible.left) - kSurfaceWidth,
                     static_cast<long long>(visible.top) - kSurfaceHeight,
                     static_cast<long long>(visible.left) + visible.width + kSurfaceWidth,
                     static_cast<long long>(visible.top) + visible.height + kSurfaceHeight,
                     imageWidth_, imageHeight_);
}

bool THeadEditModel::RenditionCovers(const PixelRect& visible) const {
    const Rendition& r = rendition_;
    if (r.width != imageWidth_ || r.height != imageHeight_ || r.brightness != brightness_ ||
        r.contrast != contrast_) {
        return false;
    }
    return visible.width <= 0 || Contains(r.region, visible);
}

void THeadEditModel::RebuildImages() {
    rendition_.width = imageWidth_;
    rendition_.height = imageHeight_;
    rendition_.brightness = brightness_;
    rendition_.contrast = contrast_;
    rendition_.region = source_.IsEmpty() ? PixelRect{} : WantedRegion();
    const PixelRect& region = rendition_.region;
    if (region.width <= 0) {
        rendition_.working = Picture{};
        rendition_.dimmed = Picture{};
        return;
    }
    // The buffers are reused while the region keeps its size, as it does across slider moves.
    if (stretched_.Width() != region.width || stretched_.Height() != region.height) {
        stretched_ = Picture(region.width, region.height);
    }
    StretchInto(SourceFor(imageWidth_, imageHeight_), stretched_,
                PixelRect{-region.left, -region.top, imageWidth_, imageHeight_},
                PixelRect{0, 0, region.width, region.height});
    static const ChannelTable dimming = BrightnessTable(kDimming);
    MapPixels(stretched_, rendition_.dimmed, dimming);
    MapPixels(stretched_, rendition_.working,
              ComposeTables(ContrastTable(contrast_), BrightnessTable(-brightness_)));
}

void THeadEditModel::PaintEditor() {
    if (!RenditionCovers(VisibleRegion())) {
        RebuildImages();
    }
    const PixelRect display{kPreviewCorner.X, kPreviewCorner.Y, kDisplaySide, kDisplaySide};
    const TPoint at{imagePos_.X + rendition_.region.left, imagePos_.Y + rendition_.region.top};

    std::fill(surface_.Data(), surface_.Data() + surface_.ByteSize(), kWhite);
    std::fill(preview_.Data(), preview_.Data() + preview_.ByteSize(), kWhite);
    CopyPixels(rendition_.working, surface_, at);
    CopyPixels(surface_, display, preview_, TPoint{0, 0});
    CopyPixels(rendition_.dimmed, surface_, at);

    // A 3-pixel pen centred on the outline of the 100 x 100 frame.
    const int outer = kFrameSide + kFramePenWidth - 1;
    const int left = kFrameCorner.X - kFramePenWidth / 2;
    const int top = kFrameCorner.Y - kFramePenWidth / 2;
    FillRect(surface_, {left, top, outer, kFramePenWidth}, kFrameColor);
    FillRect(surface_, {left, top + kFrameSide - 1, outer, kFramePenWidth}, kFrameColor);
    FillRect(surface_, {left, top, kFramePenWidth, outer}, kFrameColor);
    FillRect(surface_, {left + kFrameSide - 1, top, kFramePenWidth, outer}, kFrameColor);

    CopyPixels(preview_, surface_, kPreviewCorner);
    RecomputeFrameRect();
}

void THeadEditModel::RecomputeFrameRect() {
    if (imageWidth_ <= 0 || sourceSize_.Width <= 0) {
        return;
    }
    const double f = static_cast<double>(imageWidth_) / sourceSize_.Width;
    frameRect_.Left =
        Nearest((kFrameCorner.X + kFrameRectOffset - static_cast<double>(imagePos_.X)) / f);
    frameRect_.Top =
        Nearest((kFrameCorner.Y + kFrameRectOffset - static_cast<double>(imagePos_.Y)) / f);
    const int side = Nearest(kDisplaySide / f);
    frameRect_.Right = ClampToInt(0LL + frameRect_.Left + side);
    frameRect_.Bottom = ClampToInt(0LL + frameRect_.Top + side);
}

} // namespace tw
