#pragma once

#include "core/collection/ImageSource.h"
#include "core/collection/Thumbnails.h"
#include "core/collection/uMsnRec.h"
#include "core/editors/IHeadEditor.h"
#include "core/image/Codecs.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

namespace tw {

class TMsnHeadManager;

// What the animation guide hands back when it finishes: its frames, and ImagesPerEntry
// pictures per frame in thumbnail order.
struct TGuideResult {
    THeadArray Frames;
    std::vector<Picture> Pictures;
};

// A picture file read, decoded and fitted for an unattended add, ready to be appended. Made
// apart from the collection, so that several can be made at once on worker threads.
struct TPreparedPicture {
    // The slot without its source; the file's bytes go to the collection when it is appended.
    TImageRec Slot;
    std::vector<std::uint8_t> Bytes;
    // The entry, with ImageID still to be set, and its ImagesPerEntry thumbnails.
    THeadRec Head;
    std::vector<Picture> Thumbnails;
};

// The animation guide's window, as the manager sees it: runs modally on the manager (adding a
// source picture and keyframe entries through it) and returns its frames, or nothing when
// cancelled. The user interface implements it.
class IAnimationGuide {
public:
    virtual ~IAnimationGuide() = default;
    virtual std::optional<TGuideResult> Run(TMsnHeadManager& manager) = 0;
};

// Owns the collection: the entries, the table of source pictures they point into, their
// thumbnails (ImagesPerEntry 96 x 96 pictures per entry, in entry order) and the working
// folder. The only writer of the collection; everything runs on the user-interface thread.
class TMsnHeadManager {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    // `folder` is the data folder; the working folder is its "temp/" and is emptied now.
    explicit TMsnHeadManager(const std::filesystem::path& folder);

    // The badge icons (24 x 24); set before any entry exists, since the number of thumbnails
    // per entry follows from them. Throws std::logic_error when entries exist and the count
    // would change.
    void SetStateIcons(std::vector<Picture> icons);
    const std::vector<Picture>& StateIcons() const { return stateIcons_; }
    // The window that runs interactive edits; not owned. Without one, interactive edits are
    // not accepted.
    void SetHeadEditor(IHeadEditor* editor) { headEditor_ = editor; }
    // The window that RunAnimationGuide() runs; not owned.
    void SetAnimationGuide(IAnimationGuide* guide) { animationGuide_ = guide; }
    // Where exported file names take their date and time from.
    void SetClock(Clock clock) { clock_ = std::move(clock); }

    int HeadCount() const { return static_cast<int>(heads_.size()); }
    int ImageCount() const { return static_cast<int>(images_.size()); }
    int ThumbnailCount() const { return static_cast<int>(thumbnails_.size()); }
    int ImagesPerEntry() const { return static_cast<int>(stateIcons_.size()) + 1; }

    // Copies entry i into `entry`; false (and `entry` untouched) for an index out of range.
    bool GetHead(int i, THeadRec& entry) const;
    // Decodes the picture of slot k; nothing for an index out of range or a slot without one.
    // `hint` allows a reduced decode. Throws PictureError when the bytes do not decode.
    std::optional<Picture> GetImage(int k, const DecodeHint& hint = {}) const;
    int GetBadgeOffset(int i) const;

    const THeadArray& Heads() const { return heads_; }
    const std::vector<TImageRec>& Images() const { return images_; }
    const std::vector<Picture>& Thumbnails() const { return thumbnails_; }

    void SetState(int i, TMsnState state);
    void SetPersonal(int i, std::string message, std::uint8_t icon, std::string url);
    void DeleteHead(int i);
    // Moves entry `from` to `to`, the entries between shifting toward `from`; its thumbnails
    // move with it.
    void MoveHead(int from, int to);
    void ClearAll();

    // Adds a source picture read from `path`; its index. Throws PictureError (naming the
    // file) when the file cannot be read or decoded; the table then stays as it was.
    int AddImage(const std::filesystem::path& path);
    // Removes slot k, the later slots moving down; only the most recently added slot is ever
    // taken back, so no entry refers to a later one.
    void DeleteImage(int k);
    // Appends an entry for slot `image` with blank thumbnails; its index.
    int AppendHead(int image, THeadKind kind);
    // AppendHead, then EditHead; the entry is taken back when the edit is not accepted (-1).
    int AddHead(int image, THeadKind kind, bool interactive);
    // AddImage, then AddHead as an ordinary entry; -1 (and nothing added) when the edit is not
    // accepted. Unattended, the entry gets the editor's default fit without a window.
    int AddPictureFile(const std::filesystem::path& path, bool interactive);
    // The first half of an unattended AddPictureFile: reads, decodes and fits the file without
    // touching the collection. Safe on any thread while the badge icons stay as they are.
    // Throws PictureError (naming the file) when the file cannot be read or decoded.
    TPreparedPicture PreparePictureFile(const std::filesystem::path& path) const;
    // The second half: appends the prepared slot and entry; its index. The result equals an
    // unattended AddPictureFile of the same file.
    int AppendPrepared(TPreparedPicture prepared);
    // Runs the display picture editor on entry i; true when the edit was accepted, which
    // stores the editor's geometry and adjustments and renders the entry's thumbnails anew.
    // False, changing nothing, for a read-only entry or one without a source picture.
    bool EditHead(int i, bool interactive);
    // Runs the animation guide; the number of frames added, or -1 when it was cancelled.
    // Keyframe entries it made are removed either way.
    int RunAnimationGuide(IAnimationGuide& guide);
    // The same with the guide set by SetAnimationGuide; -1 without one.
    int RunAnimationGuide();

    // Writes thumbnail t as a 96 x 96 BMP into the working folder for the messenger client;
    // its path, or empty for an index out of range. Throws std::filesystem::filesystem_error
    // when the file cannot be written.
    std::filesystem::path ExportDisplayPicture(int t);
    void ResetTempFolder();
    void RemoveGuideKeyframes();
    // Drops the source of every slot that no entry names; the slots stay.
    void ReleaseUnusedImages();

    const std::filesystem::path& TempFolder() const { return tempFolder_; }
    const std::filesystem::path& FileName() const { return fileName_; }
    void SetFileName(std::filesystem::path fileName) { fileName_ = std::move(fileName); }

    // For the collection file: installs a whole collection at once. Throws
    // std::invalid_argument, changing nothing, unless there are exactly
    // heads.size() * ImagesPerEntry thumbnails of 96 x 96.
    void ReplaceCollection(std::vector<TImageRec> images, THeadArray heads,
                           std::vector<Picture> thumbnails);
    // Replaces slot k (for instance after its picture was rewritten in another format);
    // nothing for an index out of range.
    void ReplaceImage(int k, TImageRec image);

private:
    struct DecodedImage {
        TImageRec slot;
        std::vector<std::uint8_t> bytes;
        Picture picture;
    };

    bool ValidHead(int i) const { return i >= 0 && i < HeadCount(); }
    bool ValidImage(int k) const { return k >= 0 && k < ImageCount(); }
    const TImageRec* SourceSlotOf(const THeadRec& head) const;
    static DecodedImage DecodeImage(const std::filesystem::path& path,
                                    const std::function<DecodeHint(TSize)>& hintFor);
    int KeepImage(TImageRec slot, std::vector<std::uint8_t> bytes);
    bool EditHeadWith(int i, bool interactive, Picture picture, TSize sourceSize);
    void StoreThumbnails(int i, const Picture& display);
    std::filesystem::path FreshExportPath();

    std::vector<Picture> stateIcons_;
    IHeadEditor* headEditor_ = nullptr;
    IAnimationGuide* animationGuide_ = nullptr;
    Clock clock_ = [] { return std::chrono::system_clock::now(); };

    THeadArray heads_;
    std::vector<TImageRec> images_;
    std::vector<Picture> thumbnails_;
    ImageSpool spool_;

    std::filesystem::path tempFolder_;
    std::filesystem::path fileName_;
    // The exported files still in the working folder, oldest first.
    std::vector<std::filesystem::path> exports_;
};

} // namespace tw
