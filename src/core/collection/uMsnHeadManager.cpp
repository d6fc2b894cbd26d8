#include "core/collection/uMsnHeadManager.h"

#include "core/app/uUtils.h"
#include "core/image/PictureError.h"

#include <algorithm>
#include <ctime>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace tw {

namespace fs = std::filesystem;

namespace {

// Larger files are refused before they are read: no picture the decoders accept needs more.
constexpr std::uintmax_t kMaxSourceFileBytes = 512ull * 1024 * 1024;
// Exported display pictures kept in the working folder: the newest and the one before it,
// which the messenger client may still be reading.
constexpr std::size_t kKeptExports = 2;

std::vector<std::uint8_t> ReadSourceFile(const fs::path& path) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    if (error) {
        throw PictureError(path.string() + ": the file cannot be read (" + error.message() + ")");
    }
    if (size > kMaxSourceFileBytes) {
        throw PictureError(path.string() + ": the file is too large for a picture");
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    std::ifstream file(path, std::ios::binary);
    if (!file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) {
        throw PictureError(path.string() + ": the file cannot be read");
    }
    return bytes;
}

std::string LowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return text;
}

// The extension a collection file keeps the picture under. Pictures that are written back as
// BMP data get ".bmp", so that the file loads again; GIF keeps ".gif" until a save converts it.
std::string StoredExtension(const fs::path& path, const std::string& format) {
    const std::string ext = LowerCase(path.extension().string());
    static const std::vector<std::string> writtenAsBmp{"png", "psd", "tiff", "tga"};
    if (ext == ".png" || ext == ".psd" ||
        std::find(writtenAsBmp.begin(), writtenAsBmp.end(), format) != writtenAsBmp.end()) {
        return ".bmp";
    }
    if (ext.empty()) {
        return format == "jpeg" ? ".jpg" : "." + format;
    }
    return ext;
}

void WriteFileReplacing(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    // Written beside and renamed over, so a reader never sees half a file.
    fs::path partial = path;
    partial += ".part";
    {
        std::ofstream file(partial, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        file.close();
        if (!file) {
            std::error_code ignored;
            fs::remove(partial, ignored);
            throw fs::filesystem_error("cannot write the display picture", path,
                                       std::make_error_code(std::errc::io_error));
        }
    }
    fs::rename(partial, path);
}

// How an entry opens in the editor: at the default fit, or with its geometry (stored, or
// derived from a slide frame's square).
struct EntryView {
    bool reset = true;
    TSlideFrameGeometry geometry;
};

EntryView ViewOf(const THeadRec& head, TSize source) {
    if (head.ImageWidth > 0 && head.ImageHeight > 0) {
        if (head.ImagePos != kSlideFramePos) {
            return {false, {head.Scale, head.ImageWidth, head.ImageHeight, head.ImagePos}};
        }
        if (const auto derived = DeriveSlideFrameGeometry(head.FrameRect, source)) {
            return {false, *derived};
        }
    }
    const TSize fit = DefaultFitSize(source);
    return {true, {DefaultFitScale(source), fit.Width, fit.Height, {}}};
}

void PrepareEditor(THeadEditModel& model, const THeadRec& head, const EntryView& view,
                   Picture picture, TSize source) {
    model.SetSourceImage(std::move(picture), source, view.reset);
    if (view.reset) {
        return;
    }
    model.SetBrightness(head.Brightness);
    model.SetContrast(head.Contrast);
    model.SetScale(view.geometry.Scale);
    // The stored size wins over the slider's: a scale above 200 % is kept as it was.
    model.SetImageSize(view.geometry.ImageWidth, view.geometry.ImageHeight);
    model.SetImagePos(view.geometry.ImagePos);
    model.SetFrameRect(head.FrameRect);
}

// Keeps the editor's final geometry and adjustments in the entry.
void StoreEdit(THeadRec& head, const THeadEditModel& model) {
    head.ImagePos = model.ImagePos();
    head.ImageWidth = model.ImageWidth();
    head.ImageHeight = model.ImageHeight();
    head.Brightness = model.GetBrightness();
    head.Contrast = model.GetContrast();
    head.Scale = model.GetScale();
    head.FrameRect = model.FrameRect();
}

DecodeHint HintFor(TSize displaySize) {
    return {displaySize.Width, displaySize.Height};
}

} // namespace

TMsnHeadManager::TMsnHeadManager(const fs::path& folder) : tempFolder_(folder / "temp" / "") {
    ResetTempFolder();
}

void TMsnHeadManager::SetStateIcons(std::vector<Picture> icons) {
    if (!heads_.empty() && icons.size() != stateIcons_.size()) {
        throw std::logic_error("the number of badge icons cannot change while entries exist");
    }
    stateIcons_ = std::move(icons);
}

bool TMsnHeadManager::GetHead(int i, THeadRec& entry) const {
    if (!ValidHead(i)) {
        return false;
    }
    entry = heads_[static_cast<std::size_t>(i)];
    return true;
}

std::optional<Picture> TMsnHeadManager::GetImage(int k, const DecodeHint& hint) const {
    if (!ValidImage(k)) {
        return std::nullopt;
    }
    const TImageRec& slot = images_[static_cast<std::size_t>(k)];
    if (!slot.HasPicture()) {
        return std::nullopt;
    }
    const std::vector<std::uint8_t> bytes = slot.Source->ReadBytes();
    return DecodePicture(bytes, slot.Ext, hint);
}

int TMsnHeadManager::GetBadgeOffset(int i) const {
    return ValidHead(i) ? BadgeOffsetForState(heads_[static_cast<std::size_t>(i)].State) : 0;
}

void TMsnHeadManager::SetState(int i, TMsnState state) {
    if (ValidHead(i)) {
        heads_[static_cast<std::size_t>(i)].State = state;
    }
}

void TMsnHeadManager::SetPersonal(int i, std::string message, std::uint8_t icon, std::string url) {
    if (!ValidHead(i)) {
        return;
    }
    THeadRec& head = heads_[static_cast<std::size_t>(i)];
    head.PersonalMsg = std::move(message);
    head.PersonalIcon = icon;
    head.PersonalURL = std::move(url);
}

void TMsnHeadManager::DeleteHead(int i) {
    if (!ValidHead(i)) {
        return;
    }
    const auto n = static_cast<std::ptrdiff_t>(ImagesPerEntry());
    const auto first = thumbnails_.begin() + i * n;
    thumbnails_.erase(first, first + n);
    heads_.erase(heads_.begin() + i);
}

void TMsnHeadManager::MoveHead(int from, int to) {
    if (!ValidHead(from) || !ValidHead(to) || from == to) {
        return;
    }
    const auto n = static_cast<std::ptrdiff_t>(ImagesPerEntry());
    const auto heads = heads_.begin();
    const auto thumbs = thumbnails_.begin();
    if (from < to) {
        std::rotate(heads + from, heads + from + 1, heads + to + 1);
        std::rotate(thumbs + from * n, thumbs + (from + 1) * n, thumbs + (to + 1) * n);
    } else {
        std::rotate(heads + to, heads + from, heads + from + 1);
        std::rotate(thumbs + to * n, thumbs + from * n, thumbs + (from + 1) * n);
    }
}

void TMsnHeadManager::ClearAll() {
    heads_.clear();
    images_.clear();
    thumbnails_.clear();
    // A fresh spool file; the old one goes with its last source.
    spool_ = ImageSpool{};
}

TMsnHeadManager::DecodedImage
TMsnHeadManager::DecodeImage(const fs::path& path,
                             const std::function<DecodeHint(TSize)>& hintFor) {
    DecodedImage decoded;
    decoded.bytes = ReadSourceFile(path);
    const std::string extension = path.extension().string();
    PictureInfo info;
    try {
        info = ProbePicture(decoded.bytes, extension);
        decoded.picture =
            DecodePicture(decoded.bytes, extension, hintFor({info.width, info.height}));
    } catch (const PictureError& error) {
        throw PictureError(path.string() + ": " + error.what());
    }
    decoded.slot.Ext = StoredExtension(path, info.format);
    decoded.slot.Width = info.width;
    decoded.slot.Height = info.height;
    decoded.slot.Format = info.format;
    return decoded;
}

int TMsnHeadManager::KeepImage(TImageRec slot, std::vector<std::uint8_t> bytes) {
    slot.Source = spool_.Keep(std::move(bytes));
    images_.push_back(std::move(slot));
    return ImageCount() - 1;
}

int TMsnHeadManager::AddImage(const fs::path& path) {
    // The smallest decode still reads the whole file, which proves that it decodes.
    DecodedImage decoded = DecodeImage(path, [](TSize) { return DecodeHint{1, 1}; });
    return KeepImage(std::move(decoded.slot), std::move(decoded.bytes));
}

void TMsnHeadManager::DeleteImage(int k) {
    if (ValidImage(k)) {
        images_.erase(images_.begin() + k);
        spool_.DropIfUnused();
    }
}

int TMsnHeadManager::AppendHead(int image, THeadKind kind) {
    THeadRec head;
    head.ImageID = image;
    head.Kind = kind;
    heads_.push_back(std::move(head));
    for (int k = 0; k < ImagesPerEntry(); ++k) {
        thumbnails_.push_back(BlankThumbnail());
    }
    return HeadCount() - 1;
}

int TMsnHeadManager::AddHead(int image, THeadKind kind, bool interactive) {
    const int i = AppendHead(image, kind);
    bool accepted = false;
    try {
        accepted = EditHead(i, interactive);
    } catch (...) {
        DeleteHead(i);
        throw;
    }
    if (!accepted) {
        DeleteHead(i);
        return -1;
    }
    return i;
}

TPreparedPicture TMsnHeadManager::PreparePictureFile(const fs::path& path) const {
    // Just enough of the picture for the default fit, since no one watches.
    DecodedImage decoded =
        DecodeImage(path, [](TSize source) { return HintFor(DefaultFitSize(source)); });
    const TSize source{decoded.slot.Width, decoded.slot.Height};
    TPreparedPicture prepared;
    THeadEditModel model;
    PrepareEditor(model, prepared.Head, ViewOf(prepared.Head, source), std::move(decoded.picture),
                  source);
    model.RenderNow();
    StoreEdit(prepared.Head, model);
    prepared.Thumbnails = MakeThumbnailSet(model.Preview(), stateIcons_, BadgeBlend::SkipWhite);
    prepared.Slot = std::move(decoded.slot);
    prepared.Bytes = std::move(decoded.bytes);
    return prepared;
}

int TMsnHeadManager::AppendPrepared(TPreparedPicture prepared) {
    if (prepared.Thumbnails.size() != static_cast<std::size_t>(ImagesPerEntry())) {
        throw std::invalid_argument("a prepared picture needs ImagesPerEntry thumbnails");
    }
    prepared.Head.ImageID = KeepImage(std::move(prepared.Slot), std::move(prepared.Bytes));
    heads_.push_back(std::move(prepared.Head));
    std::move(prepared.Thumbnails.begin(), prepared.Thumbnails.end(),
              std::back_inserter(thumbnails_));
    return HeadCount() - 1;
}

int TMsnHeadManager::AddPictureFile(const fs::path& path, bool interactive) {
    if (!interactive) {
        return AppendPrepared(PreparePictureFile(path));
    }
    // One decode serves the whole add: the full picture for the window.
    DecodedImage decoded = DecodeImage(path, [](TSize) { return DecodeHint{}; });
    const TSize source{decoded.slot.Width, decoded.slot.Height};
    const int slot = KeepImage(std::move(decoded.slot), std::move(decoded.bytes));
    const int i = AppendHead(slot, THeadKind::hkOrdinary);
    bool accepted = false;
    try {
        accepted = EditHeadWith(i, true, std::move(decoded.picture), source);
    } catch (...) {
        DeleteHead(i);
        DeleteImage(slot);
        throw;
    }
    if (!accepted) {
        DeleteHead(i);
        DeleteImage(slot);
        return -1;
    }
    return i;
}

const TImageRec* TMsnHeadManager::SourceSlotOf(const THeadRec& head) const {
    if (!ValidImage(head.ImageID)) {
        return nullptr;
    }
    const TImageRec& slot = images_[static_cast<std::size_t>(head.ImageID)];
    return slot.HasPicture() ? &slot : nullptr;
}

bool TMsnHeadManager::EditHead(int i, bool interactive) {
    if (!ValidHead(i)) {
        return false;
    }
    const THeadRec& head = heads_[static_cast<std::size_t>(i)];
    const TImageRec* slot = SourceSlotOf(head);
    if (head.ReadOnly || slot == nullptr || (interactive && headEditor_ == nullptr)) {
        return false;
    }
    const TSize source{slot->Width, slot->Height};
    // Unattended, the picture is needed only at its display size.
    const TSlideFrameGeometry shown = ViewOf(head, source).geometry;
    const DecodeHint hint =
        interactive ? DecodeHint{} : HintFor(TSize{shown.ImageWidth, shown.ImageHeight});
    std::optional<Picture> picture = GetImage(head.ImageID, hint);
    return EditHeadWith(i, interactive, std::move(*picture), source);
}

bool TMsnHeadManager::EditHeadWith(int i, bool interactive, Picture picture, TSize source) {
    if (interactive && headEditor_ == nullptr) {
        return false;
    }
    THeadEditModel model;
    {
        const THeadRec& head = heads_[static_cast<std::size_t>(i)];
        PrepareEditor(model, head, ViewOf(head, source), std::move(picture), source);
    }
    if (interactive && !headEditor_->EditInteractive(model)) {
        return false;
    }
    // The editor's final state, whatever requests were still queued when it closed.
    model.RenderNow();
    if (!ValidHead(i)) {
        return false;
    }
    StoreEdit(heads_[static_cast<std::size_t>(i)], model);
    StoreThumbnails(i, model.Preview());
    return true;
}

void TMsnHeadManager::StoreThumbnails(int i, const Picture& display) {
    std::vector<Picture> set = MakeThumbnailSet(display, stateIcons_, BadgeBlend::SkipWhite);
    const auto first = static_cast<std::size_t>(i) * set.size();
    std::move(set.begin(), set.end(), thumbnails_.begin() + static_cast<std::ptrdiff_t>(first));
}

int TMsnHeadManager::RunAnimationGuide() {
    return animationGuide_ != nullptr ? RunAnimationGuide(*animationGuide_) : -1;
}

int TMsnHeadManager::RunAnimationGuide(IAnimationGuide& guide) {
    std::optional<TGuideResult> result;
    try {
        result = guide.Run(*this);
    } catch (...) {
        RemoveGuideKeyframes();
        throw;
    }
    RemoveGuideKeyframes();
    if (!result) {
        return -1;
    }
    const std::size_t n = static_cast<std::size_t>(ImagesPerEntry());
    if (result->Pictures.size() != result->Frames.size() * n) {
        throw std::invalid_argument("the guide delivered a picture count that does not match "
                                    "its frames");
    }
    heads_.insert(heads_.end(), result->Frames.begin(), result->Frames.end());
    std::move(result->Pictures.begin(), result->Pictures.end(), std::back_inserter(thumbnails_));
    return static_cast<int>(result->Frames.size());
}

fs::path TMsnHeadManager::FreshExportPath() {
    const std::time_t now = std::chrono::system_clock::to_time_t(clock_());
    const std::string name = DisplayPictureFileName(*std::localtime(&now));
    fs::path path = tempFolder_ / name;
    // A second export within the same minute gets a name of its own, so the client never
    // mistakes a new picture for the one it already has.
    const std::string stem = fs::path(name).stem().string();
    for (int copy = 2; fs::exists(path); ++copy) {
        path = tempFolder_ / (stem + "_" + std::to_string(copy) + ".bmp");
    }
    return path;
}

fs::path TMsnHeadManager::ExportDisplayPicture(int t) {
    fs::create_directories(tempFolder_);
    if (t < 0 || t >= ThumbnailCount()) {
        return {};
    }
    const fs::path path = FreshExportPath();
    WriteFileReplacing(path, EncodeBmp24(thumbnails_[static_cast<std::size_t>(t)]));
    exports_.push_back(path);
    while (exports_.size() > kKeptExports) {
        std::error_code ignored;
        fs::remove(exports_.front(), ignored);
        exports_.erase(exports_.begin());
    }
    return path;
}

void TMsnHeadManager::ResetTempFolder() {
    ClearFolder(tempFolder_.string(), true);
    std::error_code ignored;
    fs::create_directories(tempFolder_, ignored);
    exports_.clear();
}

void TMsnHeadManager::RemoveGuideKeyframes() {
    for (int i = HeadCount() - 1; i >= 0; --i) {
        if (heads_[static_cast<std::size_t>(i)].Kind == THeadKind::hkGuideKeyframe) {
            DeleteHead(i);
        }
    }
}

void TMsnHeadManager::ReleaseUnusedImages() {
    std::vector<bool> used(images_.size(), false);
    for (const THeadRec& head : heads_) {
        if (ValidImage(head.ImageID)) {
            used[static_cast<std::size_t>(head.ImageID)] = true;
        }
    }
    for (std::size_t k = 0; k < images_.size(); ++k) {
        if (!used[k]) {
            images_[k].Source.reset();
        }
    }
    spool_.DropIfUnused();
}

void TMsnHeadManager::ReplaceCollection(std::vector<TImageRec> images, THeadArray heads,
                                        std::vector<Picture> thumbnails) {
    const bool sized = std::all_of(thumbnails.begin(), thumbnails.end(), [](const Picture& p) {
        return p.Width() == kThumbnailSide && p.Height() == kThumbnailSide;
    });
    if (!sized || thumbnails.size() != heads.size() * static_cast<std::size_t>(ImagesPerEntry())) {
        throw std::invalid_argument("a collection needs ImagesPerEntry thumbnails of 96 x 96 "
                                    "per entry");
    }
    images_ = std::move(images);
    heads_ = std::move(heads);
    thumbnails_ = std::move(thumbnails);
    spool_.DropIfUnused();
}

void TMsnHeadManager::ReplaceImage(int k, TImageRec image) {
    if (ValidImage(k)) {
        images_[static_cast<std::size_t>(k)] = std::move(image);
        spool_.DropIfUnused();
    }
}

} // namespace tw
