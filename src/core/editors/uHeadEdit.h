#pragma once

#include "core/editors/Geometry.h"
#include "core/editors/PixelOps.h"
#include "core/image/Picture.h"
#include "core/image/Resample.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tw {

// The editor's fixed layout: a 471 x 303 surface whose upper 471 x 284 area centres a
// 100 x 100 frame; the 96 x 96 pixels inside the frame's border are the display picture.
inline constexpr int kSurfaceWidth = 471;
inline constexpr int kSurfaceHeight = 303;
inline constexpr int kLayoutHeight = 284;
inline constexpr int kFrameSide = 100;
inline constexpr int kDisplaySide = 96;
inline constexpr TPoint kFrameCorner{(kSurfaceWidth - kFrameSide) / 2,
                                     (kLayoutHeight - kFrameSide) / 2};
inline constexpr TPoint kPreviewCorner{kFrameCorner.X + 2, kFrameCorner.Y + 2};
inline constexpr int kFramePenWidth = 3;

inline constexpr int kScaleSliderMin = 1;
inline constexpr int kScaleSliderMax = 200;
inline constexpr int kScaleAcceptedMax = 800;
inline constexpr int kAdjustmentLimit = 255;

// ImagePos of an entry made by the animation guide: its geometry lies in FrameRect alone.
inline constexpr TPoint kSlideFramePos{-1000, -1000};

enum class MouseButton { Left, Other };

// Where a slide frame's square puts the source picture in the editor.
struct TSlideFrameGeometry {
    int Scale = 0;
    int ImageWidth = 0;
    int ImageHeight = 0;
    TPoint ImagePos;
};

// The editor geometry that shows `frameRect` of a `source`-sized picture in the frame;
// nothing for a square without width.
std::optional<TSlideFrameGeometry> DeriveSlideFrameGeometry(const TRect& frameRect, TSize source);

// The default fit's scale in percent (what Restore chooses) for a source of this size: the
// shorter side then measures about 100 pixels, a 96 x 96 picture stays at 100 %.
int DefaultFitScale(TSize source);
// The display size at that scale.
TSize DefaultFitSize(TSize source);

// The display picture editor without its window: the picture on the editing surface, its
// scale, brightness and contrast, the frame and the 96 x 96 preview. The window forwards its
// input here and shows Surface() and Preview(); the collection manager runs it without a
// window for unattended edits.
//
// Expensive work is requested, not done: every change calls OnRebuildRequested and/or
// OnPaintRequested (the window posts itself a message for each) and the work runs once per
// burst in ProcessRebuildRequest / ProcessPaintRequest.
class THeadEditModel {
public:
    THeadEditModel();

    std::function<void()> OnRebuildRequested;
    std::function<void()> OnPaintRequested;

    // Takes the source picture; with `reset` the view starts at the default fit (Restore).
    void SetSourceImage(Picture picture, bool reset);
    // As above for a picture decoded at reduced size: `sourceSize` is the full size, which all
    // geometry (scale, FrameRect) refers to.
    void SetSourceImage(Picture picture, TSize sourceSize, bool reset);
    TSize SourceSize() const { return sourceSize_; }

    // Scale in percent; 1..800 accepted. The slider keeps 1..200, so GetScale may be lower
    // than the scale the picture was sized for.
    void SetScale(int value);
    int GetScale() const { return scaleSlider_; }
    void SetBrightness(int value);
    int GetBrightness() const { return brightness_; }
    void SetContrast(int value);
    int GetContrast() const { return contrast_; }
    // The default fit: scale from the source size, picture centred on the frame, no
    // adjustments.
    void Restore();

    TPoint ImagePos() const { return imagePos_; }
    void SetImagePos(TPoint pos);
    int ImageWidth() const { return imageWidth_; }
    int ImageHeight() const { return imageHeight_; }
    void SetImageSize(int width, int height);
    const TRect& FrameRect() const { return frameRect_; }
    void SetFrameRect(const TRect& rect) { frameRect_ = rect; }

    // The scale slider: moves to `position` within 1..200; a changed position rescales.
    void SetScaleSlider(int position);
    void WheelUp() { WheelBy(2); }
    void WheelDown() { WheelBy(-2); }

    // The editable scale box.
    static bool ScaleBoxAccepts(char typed);
    void ScaleBoxEnter() { scaleBoxFocused_ = true; }
    void ScaleBoxExit() { scaleBoxFocused_ = false; }
    // The box's text changed (typed or an item chosen); acts only while the box has focus.
    void ScaleBoxChange(std::string_view text);
    bool ScaleBoxFocused() const { return scaleBoxFocused_; }
    // What the box shows: the slider's value as "75%" after each change made elsewhere.
    const std::string& ScaleBoxText() const { return scaleBoxText_; }

    // Dragging the picture on the surface.
    void MouseDown(MouseButton button, TPoint at);
    void MouseMove(TPoint at);
    void MouseUp() { dragging_ = false; }
    bool Dragging() const { return dragging_; }

    void RequestRebuild();
    void RequestPaint();
    bool RebuildPending() const { return rebuildPending_; }
    bool PaintPending() const { return paintPending_; }
    void ProcessRebuildRequest();
    void ProcessPaintRequest();
    // Rebuilds and paints at once, as the unattended close does.
    void RenderNow();

    // Stretches the source to the display size and makes the working (contrast, then
    // brightness) and the dimmed pictures.
    void RebuildImages();
    // Composes the surface and the preview and recomputes FrameRect.
    void PaintEditor();

    const Picture& Surface() const { return surface_; }
    const Picture& Preview() const { return preview_; }

private:
    // The stretched pictures are kept for the part of the picture around the surface, so a
    // large zoom costs what the surface shows, not the whole stretched size.
    struct Rendition {
        PixelRect region; // in display-size coordinates of the picture
        int width = 0;
        int height = 0;
        int brightness = 0;
        int contrast = 0;
        Picture working;
        Picture dimmed;
    };

    void ScaleSliderChanged();
    void WheelBy(int step);
    void BuildReductions();
    const Picture& SourceFor(int width, int height) const;
    PixelRect VisibleRegion() const;
    PixelRect WantedRegion() const;
    bool RenditionCovers(const PixelRect& visible) const;
    void RecomputeFrameRect();

    Picture source_;
    // Area-averaged halvings of the source, largest first, for display sizes far below it.
    std::vector<Picture> reductions_;
    TSize sourceSize_;

    TPoint imagePos_;
    int imageWidth_ = 0;
    int imageHeight_ = 0;
    TRect frameRect_;
    int scaleSlider_ = 100;
    int brightness_ = 0;
    int contrast_ = 0;

    bool scaleBoxFocused_ = false;
    std::string scaleBoxText_;

    bool dragging_ = false;
    TPoint dragStartMouse_;
    TPoint dragStartPos_;

    bool rebuildPending_ = false;
    bool paintPending_ = false;

    Rendition rendition_;
    Picture stretched_;
    Picture surface_;
    Picture preview_;
};

} // namespace tw
