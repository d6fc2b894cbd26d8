#include "core/collection/uCollectionFile.h"

#include "core/archive/ZipWriter.h"
#include "core/collection/CollectionManifest.h"
#include "core/collection/Thumbnails.h"
#include "core/collection/uMsnHeadManager.h"
#include "core/image/Codecs.h"
#include "platform/AtomicFile.h"

#include <algorithm>
#include <string_view>
#include <system_error>

namespace tw {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kManifestName = "Info.ini";
// A manifest of a thousand entries is about 400 kB.
constexpr std::uint64_t kMaxManifestSize = 64 << 20;
constexpr int kMaxSlots = 1'000'000;
// Enough of a picture file to read its size from the header in almost every case.
constexpr std::size_t kProbeBytes = 64 * 1024;

std::string ThumbnailMemberName(int k) {
    return std::to_string(k) + "_ImageList.bmp";
}
std::string ImageSectionName(int i) {
    return std::to_string(i) + "_Image";
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return text;
}

bool IsJpegExt(std::string_view ext) {
    return ext == ".jpg" || ext == ".jpeg" || ext == ".jpe" || ext == ".jfif";
}

// How a slot's picture goes into the file. JPEG, BMP and icon bytes are stored as they are;
// every other format is rewritten as BMP under ".bmp", so that it loads again by its
// extension in any program that reads collection files.
struct StoredForm {
    std::string ext;
    bool rewrite = false;
};

StoredForm StoredFormOf(const TImageRec& image) {
    if (image.Format == "jpeg") {
        return {IsJpegExt(image.Ext) ? image.Ext : ".jpg", false};
    }
    if (image.Format == "bmp" || image.Format == "ico") {
        return {"." + image.Format, false};
    }
    return {".bmp", true};
}

class FileSink final : public ZipSink {
public:
    explicit FileSink(AtomicOutputFile& file) : file_(file) {}
    void Write(std::span<const std::uint8_t> bytes) override { file_.Write(bytes); }

private:
    AtomicOutputFile& file_;
};

void WriteEntry(ManifestWriter& manifest, const THeadRec& head) {
    manifest.Value("ReadOnly", head.ReadOnly ? 1LL : 0LL);
    manifest.Value("ImageID", static_cast<long long>(head.ImageID));
    manifest.Value("State", static_cast<long long>(head.State));
    manifest.Value("PersonalMsg", head.PersonalMsg);
    manifest.Value("PersonalURL", head.PersonalURL);
    manifest.Value("PersonalIcon", static_cast<long long>(head.PersonalIcon));
    manifest.Value("ImagePos.X", static_cast<long long>(head.ImagePos.X));
    manifest.Value("ImagePos.Y", static_cast<long long>(head.ImagePos.Y));
    manifest.Value("FrameRect.Left", static_cast<long long>(head.FrameRect.Left));
    manifest.Value("FrameRect.Top", static_cast<long long>(head.FrameRect.Top));
    manifest.Value("FrameRect.Right", static_cast<long long>(head.FrameRect.Right));
    manifest.Value("FrameRect.Bottom", static_cast<long long>(head.FrameRect.Bottom));
    manifest.Value("ImageWidth", static_cast<long long>(head.ImageWidth));
    manifest.Value("ImageHeight", static_cast<long long>(head.ImageHeight));
    manifest.Value("Brightness", static_cast<long long>(head.Brightness));
    manifest.Value("Contrast", static_cast<long long>(head.Contrast));
    manifest.Value("Scale", static_cast<long long>(head.Scale));
}

THeadRec ReadEntry(const ManifestReader& manifest, const std::string& section) {
    const auto integer = [&](std::string_view key, int def) {
        return manifest.ReadInteger(section, key, def);
    };
    THeadRec head;
    head.ReadOnly = manifest.ReadBool(section, "ReadOnly", false);
    head.ImageID = integer("ImageID", -1);
    head.State = static_cast<TMsnState>(integer("State", 0) & 0xFF);
    head.PersonalMsg = manifest.ReadString(section, "PersonalMsg", "");
    head.PersonalURL = manifest.ReadString(section, "PersonalURL", "");
    head.PersonalIcon = static_cast<std::uint8_t>(integer("PersonalIcon", 0) & 0xFF);
    head.ImagePos = {integer("ImagePos.X", 0), integer("ImagePos.Y", 0)};
    head.FrameRect = {integer("FrameRect.Left", 0), integer("FrameRect.Top", 0),
                      integer("FrameRect.Right", 100), integer("FrameRect.Bottom", 100)};
    head.ImageWidth = integer("ImageWidth", -1);
    head.ImageHeight = integer("ImageHeight", -1);
    head.Brightness = integer("Brightness", 0);
    head.Contrast = integer("Contrast", 0);
    head.Scale = integer("Scale", 100);
    head.Kind = THeadKind::hkOrdinary;
    return head;
}

// Checks a picture member whole and reads its size and format, from its first bytes where they
// suffice.
PictureInfo VerifyPictureMember(const ZipReader& archive, const ZipEntry& member,
                                const std::string& ext) {
    std::vector<std::uint8_t> head;
    archive.Verify(member, [&](std::span<const std::uint8_t> chunk) {
        const std::size_t wanted = std::min(chunk.size(), kProbeBytes - head.size());
        head.insert(head.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(wanted));
    });
    try {
        return ProbePicture(head, ext);
    } catch (const PictureError&) {
        if (member.Size <= kProbeBytes) {
            throw;
        }
    }
    return ProbePicture(archive.Read(member), ext);
}

std::string Quoted(const fs::path& path) {
    return "\"" + path.string() + "\"";
}

} // namespace

std::vector<std::uint8_t> ArchiveImageSource::ReadBytes() const {
    return archive_->Read(member_);
}

TCollectionFile::TCollectionFile(TMsnHeadManager& manager) : manager_(manager) {}

TCollectionFile::Fingerprint TCollectionFile::FingerprintOf(std::span<const std::uint8_t> bytes,
                                                            std::uint32_t crc) {
    const std::string_view view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return {bytes.size(), crc, std::hash<std::string_view>{}(view)};
}

void TCollectionFile::Report(const Progress& progress, int position, int maximum) const {
    if (progress) {
        progress(position, maximum);
    }
}

void TCollectionFile::SaveToFile(const fs::path& path, bool makeCurrent) {
    if (saving_) {
        return;
    }
    manager_.RemoveGuideKeyframes();
    saving_ = true;
    const struct Done {
        bool& saving;
        ~Done() { saving = false; }
    } done{saving_};
    try {
        Save(path, makeCurrent);
    } catch (const std::system_error& e) {
        throw CollectionFileError("Cannot save " + Quoted(path) + ": " + e.code().message());
    } catch (const std::exception& e) {
        throw CollectionFileError("Cannot save " + Quoted(path) + ": " + e.what());
    }
}

void TCollectionFile::Save(const fs::path& path, bool makeCurrent) {
    Report(OnSaveProgress, 1, 100);
    manager_.ResetTempFolder();

    // Progress reports may run the user interface's event loop: work on copies of the entries
    // and slots (they are small), and refuse thumbnails that change under the save.
    const THeadArray heads = manager_.Heads();
    const int headCount = manager_.HeadCount();
    const int imageCount = manager_.ImageCount();
    ManifestWriter manifest;
    manifest.Section("Global");
    manifest.Value("HeadCount", static_cast<long long>(headCount));
    manifest.Value("ImagesCount", static_cast<long long>(imageCount));
    for (int i = 0; i < headCount; ++i) {
        Report(OnSaveProgress, i + 1, headCount);
        manifest.Section(std::to_string(i));
        WriteEntry(manifest, heads[static_cast<std::size_t>(i)]);
    }
    manager_.ReleaseUnusedImages();

    const std::vector<TImageRec> images = manager_.Images();
    std::vector<StoredForm> forms(images.size());
    for (int i = 0; i < imageCount; ++i) {
        const TImageRec& image = images[static_cast<std::size_t>(i)];
        if (image.HasPicture()) {
            forms[static_cast<std::size_t>(i)] = StoredFormOf(image);
            manifest.Section(ImageSectionName(i));
            manifest.Value("Ext", forms[static_cast<std::size_t>(i)].ext);
        }
    }

    AtomicOutputFile file(path);
    FileSink sink(file);
    ZipWriter zip(sink);
    const std::string& text = manifest.Text();
    zip.Add(kManifestName,
            std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));

    const std::vector<Picture>& thumbnails = manager_.Thumbnails();
    const int thumbnailCount = manager_.ThumbnailCount();
    std::vector<Fingerprint> thumbnailPrints;
    thumbnailPrints.reserve(thumbnails.size());
    for (int k = 0; k < thumbnailCount; ++k) {
        Report(OnSaveProgress, headCount + k + 1, headCount + thumbnailCount);
        if (manager_.ThumbnailCount() != thumbnailCount) {
            throw CollectionFileError("the collection changed during the save");
        }
        const std::vector<std::uint8_t> bmp = EncodeBmp24(thumbnails[static_cast<std::size_t>(k)]);
        const Fingerprint print = FingerprintOf(bmp, Crc32(bmp));
        const auto earlier = thumbnailMembers_.find(print);
        if (earlier != thumbnailMembers_.end()) {
            zip.AddCopy(ThumbnailMemberName(k), *archive_, earlier->second);
        } else {
            zip.Add(ThumbnailMemberName(k), bmp);
        }
        thumbnailPrints.push_back(print);
    }

    // Slots whose picture was rewritten, with its new size, to be updated once the file is in
    // place.
    std::vector<TImageRec> rewritten(images.size());
    const int total = headCount + thumbnailCount + imageCount;
    for (int i = 0; i < imageCount; ++i) {
        Report(OnSaveProgress, headCount + thumbnailCount + i + 1, total);
        const TImageRec& image = images[static_cast<std::size_t>(i)];
        if (!image.HasPicture()) {
            continue;
        }
        const StoredForm& form = forms[static_cast<std::size_t>(i)];
        const std::string name = ImageSectionName(i) + form.ext;
        const auto* stored = dynamic_cast<const ArchiveImageSource*>(image.Source.get());
        if (stored != nullptr && !form.rewrite) {
            zip.AddCopy(name, stored->Archive(), stored->Member());
        } else if (!form.rewrite) {
            zip.Add(name, image.Source->ReadBytes());
        } else {
            const Picture picture = DecodePicture(image.Source->ReadBytes(), image.Ext);
            zip.Add(name, EncodeBmp24(picture));
            rewritten[static_cast<std::size_t>(i)] = {form.ext, nullptr, picture.Width(),
                                                      picture.Height(), "bmp"};
        }
    }
    zip.Finish();
    file.Commit();

    // The new file is in place: sources and thumbnails are now read and copied from it.
    auto archive = std::make_shared<const ZipReader>(ZipReader::Open(path));
    for (int i = 0; i < imageCount; ++i) {
        const TImageRec& image = images[static_cast<std::size_t>(i)];
        if (!image.HasPicture()) {
            continue;
        }
        const StoredForm& form = forms[static_cast<std::size_t>(i)];
        const ZipEntry* member = archive->Find(ImageSectionName(i) + form.ext);
        TImageRec updated = rewritten[static_cast<std::size_t>(i)].Ext.empty()
                                ? image
                                : std::move(rewritten[static_cast<std::size_t>(i)]);
        updated.Ext = form.ext;
        if (member != nullptr) {
            updated.Source = std::make_shared<ArchiveImageSource>(archive, *member);
        }
        manager_.ReplaceImage(i, std::move(updated));
    }
    MemberIndex members;
    for (int k = 0; k < thumbnailCount; ++k) {
        if (const ZipEntry* member = archive->Find(ThumbnailMemberName(k))) {
            members.emplace(thumbnailPrints[static_cast<std::size_t>(k)], *member);
        }
    }
    archive_ = std::move(archive);
    thumbnailMembers_ = std::move(members);

    manager_.ResetTempFolder();
    if (makeCurrent) {
        manager_.SetFileName(path);
    }
    Report(OnSaveProgress, 100, 100);
}

bool TCollectionFile::LoadFromFile(const fs::path& path) {
    if (saving_) {
        throw CollectionFileError("Cannot open " + Quoted(path) +
                                  " while the collection is being saved");
    }
    try {
        return Load(path);
    } catch (const std::exception& e) {
        throw CollectionFileError("Cannot open " + Quoted(path) + ": " + e.what());
    }
}

bool TCollectionFile::Load(const fs::path& path) {
    manager_.ResetTempFolder();
    auto archive = std::make_shared<const ZipReader>(ZipReader::Open(path));
    Report(OnLoadProgress, 1, 100);
    Report(OnLoadProgress, 2, 100);

    const ZipEntry* info = archive->FindNoCase(kManifestName);
    if (info == nullptr) {
        Report(OnLoadProgress, 100, 100);
        return false;
    }
    if (info->Size > kMaxManifestSize) {
        throw CollectionFileError("the manifest is too large");
    }
    const std::vector<std::uint8_t> text = archive->Read(*info);
    const ManifestReader manifest(
        std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
    const int headCount = std::max(manifest.ReadInteger("Global", "HeadCount", 0), 0);
    const int imageCount = std::max(manifest.ReadInteger("Global", "ImagesCount", 0), 0);
    // Every entry has a section of its own; a count beyond them is forged.
    if (static_cast<std::size_t>(headCount) > manifest.SectionCount() || imageCount > kMaxSlots) {
        throw CollectionFileError("the manifest claims more entries than the file holds");
    }

    std::vector<TImageRec> images(static_cast<std::size_t>(imageCount));
    for (int i = 0; i < imageCount; ++i) {
        Report(OnLoadProgress, i + 2, imageCount + 2);
        TImageRec& image = images[static_cast<std::size_t>(i)];
        image.Ext = Lower(manifest.ReadString(ImageSectionName(i), "Ext", ".jpg"));
        const ZipEntry* member = archive->FindNoCase(ImageSectionName(i) + image.Ext);
        if (member == nullptr) {
            continue;
        }
        try {
            // The picture stays in the file, but damage is found now, not at its first edit.
            const PictureInfo picture = VerifyPictureMember(*archive, *member, image.Ext);
            image.Width = picture.width;
            image.Height = picture.height;
            image.Format = picture.format;
        } catch (const PictureError& e) {
            throw CollectionFileError("picture \"" + member->Name + "\": " + e.what());
        }
        image.Source = std::make_shared<ArchiveImageSource>(archive, *member);
    }

    const int perEntry = manager_.ImagesPerEntry();
    THeadArray heads;
    heads.reserve(static_cast<std::size_t>(headCount));
    std::vector<Picture> thumbnails;
    thumbnails.reserve(static_cast<std::size_t>(headCount) * static_cast<std::size_t>(perEntry));
    MemberIndex members;
    for (int i = 0; i < headCount; ++i) {
        Report(OnLoadProgress, imageCount + i + 2, imageCount + headCount + 2);
        heads.push_back(ReadEntry(manifest, std::to_string(i)));
        for (int k = 0; k < perEntry; ++k) {
            const ZipEntry* member = archive->FindNoCase(ThumbnailMemberName(i * perEntry + k));
            if (member == nullptr) {
                // A blank keeps the later entries' thumbnails at their places.
                thumbnails.push_back(BlankThumbnail());
                continue;
            }
            const std::vector<std::uint8_t> bmp = archive->Read(*member);
            try {
                thumbnails.push_back(DecodePicture(bmp, ".bmp"));
            } catch (const PictureError& e) {
                throw CollectionFileError("thumbnail \"" + member->Name + "\": " + e.what());
            }
            if (thumbnails.back().Width() != kThumbnailSide ||
                thumbnails.back().Height() != kThumbnailSide) {
                throw CollectionFileError("thumbnail \"" + member->Name + "\" is not 96 x 96");
            }
            members.emplace(FingerprintOf(bmp, member->Crc32), *member);
        }
    }

    manager_.ReplaceCollection(std::move(images), std::move(heads), std::move(thumbnails));
    archive_ = std::move(archive);
    thumbnailMembers_ = std::move(members);
    manager_.ResetTempFolder();
    manager_.SetFileName(path);
    Report(OnLoadProgress, 100, 100);
    return true;
}

} // namespace tw
