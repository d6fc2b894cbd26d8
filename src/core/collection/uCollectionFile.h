#pragma once

#include "core/archive/ZipReader.h"
#include "core/collection/ImageSource.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <unordered_map>

namespace tw {

class TMsnHeadManager;

// A collection file that could not be read or written. The message says which file and why,
// ready to be shown to the user.
class CollectionFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A source picture left in a collection file and read from it when an edit needs it. It keeps
// the archive open, so it stays readable when the file is replaced on disk.
class ArchiveImageSource final : public ImageSource {
public:
    ArchiveImageSource(std::shared_ptr<const ZipReader> archive, ZipEntry member)
        : archive_(std::move(archive)), member_(std::move(member)) {}
    std::vector<std::uint8_t> ReadBytes() const override;
    std::uint64_t Size() const override { return member_.Size; }

    const ZipReader& Archive() const { return *archive_; }
    const ZipEntry& Member() const { return member_; }

private:
    std::shared_ptr<const ZipReader> archive_;
    ZipEntry member_;
};

// Saves a manager's collection to a collection file and loads it back: a ZIP archive of the
// manifest "Info.ini", the thumbnails "k_ImageList.bmp" and the source pictures "i_Image" + Ext.
//
// A save replaces the file atomically, so a failed save leaves the earlier file whole. A load
// builds the whole collection before installing it, so a failed load changes nothing. Members
// that have not changed since the last load or save are copied as they are stored instead of
// being compressed again, and source pictures stay in the file until an edit needs them.
class TCollectionFile {
public:
    using Progress = std::function<void(int position, int maximum)>;

    explicit TCollectionFile(TMsnHeadManager& manager);

    Progress OnLoadProgress;
    Progress OnSaveProgress;
    bool Saving() const { return saving_; }

    // Writes the collection to `path`; with `makeCurrent` the path becomes the manager's
    // FileName. Keyframe entries of the animation guide are dropped first, and pictures no
    // entry uses are released. Does nothing while another save runs. Throws
    // CollectionFileError when the file cannot be written; the earlier file is then intact.
    void SaveToFile(const std::filesystem::path& path, bool makeCurrent);

    // Replaces the collection by the file's. False, changing nothing, when the archive holds no
    // manifest. Throws CollectionFileError, changing nothing, when the file cannot be read or
    // anything in it is damaged.
    bool LoadFromFile(const std::filesystem::path& path);

private:
    struct Fingerprint {
        std::uint64_t size;
        std::uint32_t crc;
        std::size_t hash;
        friend bool operator==(const Fingerprint&, const Fingerprint&) = default;
    };
    struct FingerprintHash {
        std::size_t operator()(const Fingerprint& f) const { return f.hash ^ f.crc; }
    };
    using MemberIndex = std::unordered_map<Fingerprint, ZipEntry, FingerprintHash>;

    static Fingerprint FingerprintOf(std::span<const std::uint8_t> bytes, std::uint32_t crc);
    void Report(const Progress& progress, int position, int maximum) const;
    void Save(const std::filesystem::path& path, bool makeCurrent);
    bool Load(const std::filesystem::path& path);

    TMsnHeadManager& manager_;
    bool saving_ = false;
    // The file last loaded or saved, and its thumbnail members by content, to copy from.
    std::shared_ptr<const ZipReader> archive_;
    MemberIndex thumbnailMembers_;
};

} // namespace tw
