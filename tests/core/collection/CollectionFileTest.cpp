#include "core/archive/ZipReader.h"
#include "core/archive/ZipWriter.h"
#include "core/collection/Thumbnails.h"
#include "core/collection/uCollectionFile.h"
#include "core/collection/uMsnHeadManager.h"
#include "core/image/Codecs.h"
#include "core/image/PictureFixtures.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <sys/mount.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace tw {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

Bytes Text(std::string_view s) {
    return Bytes(s.begin(), s.end());
}

int Shell(const std::string& command) {
    return std::system(("(" + command + ") >/dev/null 2>&1").c_str());
}

class MemorySink final : public ZipSink {
public:
    void Write(std::span<const std::uint8_t> bytes) override {
        data.insert(data.end(), bytes.begin(), bytes.end());
    }
    Bytes data;
};

// The members of an archive, by name, in order, with their content.
std::vector<std::pair<std::string, Bytes>> Members(const fs::path& path) {
    const ZipReader reader = ZipReader::Open(path);
    std::vector<std::pair<std::string, Bytes>> members;
    for (const ZipEntry& e : reader.Entries()) {
        members.emplace_back(e.Name, reader.Read(e));
    }
    return members;
}

std::vector<std::string> MemberNames(const fs::path& path) {
    std::vector<std::string> names;
    for (const auto& m : Members(path)) {
        names.push_back(m.first);
    }
    return names;
}

std::string ManifestOf(const fs::path& path) {
    const ZipReader reader = ZipReader::Open(path);
    const Bytes text = reader.Read(*reader.FindNoCase("Info.ini"));
    return std::string(text.begin(), text.end());
}

std::vector<Picture> Icons() {
    return {Picture(24, 24, 10), Picture(24, 24, 20), Picture(24, 24, 30)};
}

class CollectionFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("tw-collection-" + std::to_string(::getpid()) + "-" +
                                             std::to_string(std::random_device{}()));
        fs::create_directories(root_ / "data");
        fs::create_directories(root_ / "pictures");
        manager_ = std::make_unique<TMsnHeadManager>(root_ / "data/");
        manager_->SetStateIcons(Icons());
        file_ = std::make_unique<TCollectionFile>(*manager_);
    }
    void TearDown() override {
        file_.reset();
        manager_.reset();
        fs::remove_all(root_);
    }

    // A picture file in the format its extension names.
    fs::path Picture(const std::string& name, int width, int height) {
        const fs::path path = root_ / "pictures" / name;
        const tw::Picture picture = fixtures::RandomPicture(width, height, 7);
        const std::string ext = path.extension().string();
        WriteFile(path, ext == ".jpg"   ? fixtures::WriteJpeg(picture, 90)
                        : ext == ".gif" ? fixtures::WriteGif(fixtures::Pattern(width, height, 8))
                        : ext == ".png" ? fixtures::WritePng(picture, fixtures::PngLayout::Rgb)
                        : ext == ".tif" ? fixtures::WriteTiff(picture)
                                        : EncodeBmp24(picture));
        return path;
    }

    int Add(const fs::path& picture) { return manager_->AddPictureFile(picture, false); }

    struct Snapshot {
        THeadArray heads;
        std::vector<std::string> exts;
        std::vector<tw::Picture> thumbnails;
        fs::path fileName;
        friend bool operator==(const Snapshot&, const Snapshot&) = default;
    };
    Snapshot Take() const { return Take(*manager_); }
    static Snapshot Take(const TMsnHeadManager& manager) {
        Snapshot s{manager.Heads(), {}, manager.Thumbnails(), manager.FileName()};
        for (const TImageRec& image : manager.Images()) {
            s.exts.push_back(image.HasPicture() ? image.Ext : "-");
        }
        return s;
    }

    bool TempFolderEmpty() const {
        return fs::is_directory(manager_->TempFolder()) && fs::is_empty(manager_->TempFolder());
    }

    fs::path root_;
    std::unique_ptr<TMsnHeadManager> manager_;
    std::unique_ptr<TCollectionFile> file_;
};

TEST_F(CollectionFileTest, OneStillPictureGivesTheExampleFileByteForByte) {
    const fs::path jpeg = Picture("photo.jpg", 640, 480);
    ASSERT_EQ(Add(jpeg), 0);
    manager_->SetState(0, 1);
    manager_->SetPersonal(0, "Hello", 2, "");
    const fs::path path = root_ / "one.vkt";
    file_->SaveToFile(path, true);

    EXPECT_THAT(MemberNames(path),
                ElementsAre("Info.ini", "0_ImageList.bmp", "1_ImageList.bmp", "2_ImageList.bmp",
                            "3_ImageList.bmp", "0_Image.jpg"));
    EXPECT_EQ(ManifestOf(path), "[Global]\r\nHeadCount=1\r\nImagesCount=1\r\n[0]\r\n"
                                "ReadOnly=0\r\nImageID=0\r\nState=1\r\nPersonalMsg=Hello\r\n"
                                "PersonalURL=\r\nPersonalIcon=2\r\nImagePos.X=171\r\n"
                                "ImagePos.Y=94\r\nFrameRect.Left=85\r\nFrameRect.Top=5\r\n"
                                "FrameRect.Right=565\r\nFrameRect.Bottom=485\r\n"
                                "ImageWidth=128\r\nImageHeight=96\r\nBrightness=0\r\n"
                                "Contrast=0\r\nScale=20\r\n[0_Image]\r\nExt=.jpg\r\n");
    const auto members = Members(path);
    EXPECT_EQ(members.back().second, ReadFile(jpeg)) << "the JPEG is stored as it came";
    for (int k = 1; k <= 4; ++k) {
        const Bytes& bmp = members[static_cast<std::size_t>(k)].second;
        ASSERT_GE(bmp.size(), 54u);
        EXPECT_EQ(bmp[0], 'B');
        EXPECT_EQ(bmp[14], 40) << "BITMAPINFOHEADER";
        EXPECT_EQ(bmp[18], 96);
        EXPECT_EQ(bmp[22], 96);
        EXPECT_EQ(bmp[28], 24) << "24 bits per pixel";
    }
    EXPECT_EQ(manager_->FileName(), path);
    EXPECT_TRUE(TempFolderEmpty());
    if (Shell("command -v unzip && command -v python3") == 0) {
        EXPECT_EQ(Shell("unzip -t '" + path.string() + "'"), 0);
        EXPECT_EQ(Shell("python3 -c \"import sys,zipfile; "
                        "sys.exit(zipfile.ZipFile(sys.argv[1]).testzip() is not None)\" '" +
                        path.string() + "'"),
                  0);
    }
}

TEST_F(CollectionFileTest, SaveLoadSaveKeepsEverything) {
    ASSERT_EQ(Add(Picture("a.jpg", 320, 200)), 0);
    ASSERT_EQ(Add(Picture("b.gif", 64, 48)), 1);
    ASSERT_EQ(Add(Picture("c.tif", 50, 70)), 2);
    manager_->AppendHead(0, THeadKind::hkOrdinary); // shares slot 0
    manager_->SetPersonal(3, "  spaced out  ", 3, "http://127.0.0.1/");
    manager_->AddImage(Picture("unused.png", 30, 30)); // slot 3: no entry uses it
    manager_->AppendHead(0, THeadKind::hkGuideKeyframe);
    const fs::path first = root_ / "first.vkt";
    file_->SaveToFile(first, true);

    EXPECT_EQ(manager_->HeadCount(), 4) << "the keyframe entry is gone for good";
    EXPECT_EQ(manager_->ImageCount(), 4);
    EXPECT_FALSE(manager_->Images()[3].HasPicture()) << "the unused picture is released";
    EXPECT_EQ(manager_->Images()[1].Ext, ".bmp") << "GIF is stored as BMP";
    EXPECT_EQ(manager_->Images()[2].Ext, ".bmp") << "TIFF is stored as BMP so it loads again";
    EXPECT_THAT(ManifestOf(first), HasSubstr("ImagesCount=4\r\n"));
    EXPECT_THAT(ManifestOf(first), ::testing::Not(HasSubstr("[3_Image]")));
    const auto names = MemberNames(first);
    EXPECT_EQ(names.size(), 1u + 16u + 3u);
    EXPECT_THAT(names, ::testing::IsSupersetOf({"0_Image.jpg", "1_Image.bmp", "2_Image.bmp"}));

    Snapshot saved = Take();
    saved.heads[3].PersonalMsg = "spaced out"; // blanks around a message do not survive

    TMsnHeadManager other(root_ / "other/");
    other.SetStateIcons(Icons());
    TCollectionFile otherFile(other);
    ASSERT_TRUE(otherFile.LoadFromFile(first));
    EXPECT_TRUE(fs::is_empty(other.TempFolder()));
    saved.fileName = first;
    EXPECT_TRUE(Take(other) == saved);
    EXPECT_EQ(other.Images()[0].Width, 320);
    EXPECT_EQ(other.Images()[1].Format, "bmp");

    const fs::path second = root_ / "second.vkt";
    otherFile.SaveToFile(second, false);
    auto expected = Members(first);
    std::string manifest(expected[0].second.begin(), expected[0].second.end());
    manifest.replace(manifest.find("=  spaced out  "), 15, "=spaced out");
    expected[0].second = Text(manifest);
    EXPECT_TRUE(Members(second) == expected);
    EXPECT_EQ(other.FileName(), first) << "Save as keeps the current file";
}

TEST_F(CollectionFileTest, EmptyCollectionSavesOnlyTheManifest) {
    const fs::path path = root_ / "empty.vkt";
    file_->SaveToFile(path, true);
    EXPECT_THAT(MemberNames(path), ElementsAre("Info.ini"));
    EXPECT_EQ(ManifestOf(path), "[Global]\r\nHeadCount=0\r\nImagesCount=0\r\n");
    ASSERT_EQ(Add(Picture("a.jpg", 100, 100)), 0);
    EXPECT_TRUE(file_->LoadFromFile(path));
    EXPECT_EQ(manager_->HeadCount(), 0);
    EXPECT_EQ(manager_->ImageCount(), 0);
}

// Archives written by hand, as another program or an older version might.
Bytes Archive(const std::vector<std::pair<std::string, Bytes>>& members) {
    MemorySink sink;
    ZipWriter writer(sink);
    for (const auto& [name, data] : members) {
        writer.Add(name, data);
    }
    writer.Finish();
    return sink.data;
}

TEST_F(CollectionFileTest, ReadsHandMadeManifestsWithDefaultsAndGaps) {
    const Bytes red = EncodeBmp24(tw::Picture(96, 96, 200));
    const fs::path path = root_ / "hand.vkt";
    WriteFile(path, Archive({
                        {"INFO.INI", Text("[Global]\nHeadCount=2\nImagesCount=1\n"
                                          "[0]\nImageID=0\nState=0x102\nScale=\"55\"\n"
                                          "PersonalMsg= \"  quoted \" \n"
                                          "[1]\nReadOnly=1\nFrameRect.Left=$10\n")},
                        {"0_ImageList.bmp", red},
                        {"2_ImageList.bmp", red}, // entry 1 lacks its first, 4 and 7 missing too
                        {"5_ImageList.bmp", red},
                        {"6_ImageList.bmp", red},
                    }));
    ASSERT_TRUE(file_->LoadFromFile(path));
    ASSERT_EQ(manager_->HeadCount(), 2);
    const THeadRec& a = manager_->Heads()[0];
    EXPECT_EQ(a.State, 2) << "the low byte";
    EXPECT_EQ(a.Scale, 55);
    EXPECT_EQ(a.PersonalMsg, "  quoted ");
    EXPECT_EQ(a.FrameRect, (TRect{0, 0, 100, 100}));
    EXPECT_EQ(a.ImageWidth, -1);
    const THeadRec& b = manager_->Heads()[1];
    EXPECT_TRUE(b.ReadOnly);
    EXPECT_EQ(b.ImageID, -1);
    EXPECT_EQ(b.Scale, 100);
    EXPECT_EQ(b.FrameRect.Left, 16);
    const auto& t = manager_->Thumbnails();
    ASSERT_EQ(t.size(), 8u);
    const tw::Picture blank = BlankThumbnail();
    const tw::Picture redPicture(96, 96, 200);
    EXPECT_EQ(t[0], redPicture);
    EXPECT_EQ(t[1], blank);
    EXPECT_EQ(t[2], redPicture);
    EXPECT_EQ(t[4], blank) << "a missing thumbnail keeps the later ones at their places";
    EXPECT_EQ(t[5], redPicture);
    EXPECT_FALSE(manager_->Images()[0].HasPicture()) << "no member for the slot";
    EXPECT_EQ(manager_->Images()[0].Ext, ".jpg");
}

TEST_F(CollectionFileTest, SourcePicturesStayInTheFileAndUnchangedMembersAreCopied) {
    ASSERT_EQ(Add(Picture("a.jpg", 300, 200)), 0);
    const fs::path ours = root_ / "ours.vkt";
    file_->SaveToFile(ours, true);
    // Repack at level 9, the JPEG stored: a member that is copied keeps its stored form.
    const fs::path repacked = root_ / "repacked.vkt";
    ASSERT_EQ(Shell("cd '" + root_.string() +
                    "' && mkdir x && cd x && unzip -q ../ours.vkt && "
                    "zip -q -9 ../repacked.vkt Info.ini *_ImageList.bmp && "
                    "zip -q -0 ../repacked.vkt 0_Image.jpg"),
              0);
    ASSERT_TRUE(file_->LoadFromFile(repacked));
    // Held here, since the save below hands the slot a source in the new file.
    const std::shared_ptr<const ImageSource> loaded = manager_->Images()[0].Source;
    const auto* source = dynamic_cast<const ArchiveImageSource*>(loaded.get());
    ASSERT_NE(source, nullptr) << "the picture is left in the file";
    EXPECT_EQ(source->ReadBytes(), ReadFile(root_ / "pictures/a.jpg"));

    manager_->MoveHead(0, 0);
    const fs::path again = root_ / "again.vkt";
    file_->SaveToFile(again, true);
    const ZipReader before = ZipReader::Open(repacked);
    const ZipReader after = ZipReader::Open(again);
    for (const std::string name : {"0_Image.jpg", "0_ImageList.bmp", "3_ImageList.bmp"}) {
        EXPECT_EQ(after.Find(name)->Method, before.Find(name)->Method) << name;
        EXPECT_EQ(after.Find(name)->CompressedSize, before.Find(name)->CompressedSize) << name;
    }
    EXPECT_NE(after.Find("Info.ini"), nullptr);
    const auto* rebound =
        dynamic_cast<const ArchiveImageSource*>(manager_->Images()[0].Source.get());
    ASSERT_NE(rebound, nullptr);
    EXPECT_NE(&rebound->Archive(), &source->Archive()) << "sources now read the new file";
}

TEST_F(CollectionFileTest, SavingOverTheCurrentFileLeavesNoEarlierMember) {
    ASSERT_EQ(Add(Picture("a.jpg", 100, 80)), 0);
    ASSERT_EQ(Add(Picture("b.jpg", 80, 100)), 1);
    const fs::path path = root_ / "c.vkt";
    file_->SaveToFile(path, true);
    manager_->DeleteHead(0);
    file_->SaveToFile(path, true);
    EXPECT_THAT(MemberNames(path),
                ElementsAre("Info.ini", "0_ImageList.bmp", "1_ImageList.bmp", "2_ImageList.bmp",
                            "3_ImageList.bmp", "1_Image.jpg"));
    TMsnHeadManager other(root_ / "other/");
    other.SetStateIcons(Icons());
    TCollectionFile otherFile(other);
    ASSERT_TRUE(otherFile.LoadFromFile(path));
    EXPECT_EQ(other.Heads(), manager_->Heads());
    EXPECT_EQ(other.Thumbnails(), manager_->Thumbnails());
}

TEST_F(CollectionFileTest, ReportsProgressInOrderAndIgnoresASaveDuringASave) {
    ASSERT_EQ(Add(Picture("a.jpg", 100, 80)), 0);
    manager_->AppendHead(0, THeadKind::hkOrdinary);
    const fs::path path = root_ / "p.vkt";
    const fs::path earlier = root_ / "earlier.vkt";
    file_->SaveToFile(earlier, true);
    std::vector<std::pair<int, int>> saves;
    file_->OnSaveProgress = [&](int position, int maximum) {
        saves.emplace_back(position, maximum);
        EXPECT_TRUE(file_->Saving());
        file_->SaveToFile(root_ / "nested.vkt", true);
        EXPECT_THROW(file_->LoadFromFile(earlier), CollectionFileError) << "no load mid-save";
    };
    file_->SaveToFile(path, true);
    EXPECT_FALSE(file_->Saving());
    EXPECT_FALSE(fs::exists(root_ / "nested.vkt"));
    const std::vector<std::pair<int, int>> expectedSave = {
        {1, 100}, {1, 2},  {2, 2},  {3, 10},  {4, 10},  {5, 10},   {6, 10},
        {7, 10},  {8, 10}, {9, 10}, {10, 10}, {11, 11}, {100, 100}};
    EXPECT_EQ(saves, expectedSave);

    std::vector<std::pair<int, int>> loads;
    file_->OnLoadProgress = [&](int position, int maximum) {
        loads.emplace_back(position, maximum);
    };
    ASSERT_TRUE(file_->LoadFromFile(path));
    const std::vector<std::pair<int, int>> expectedLoad = {{1, 100}, {2, 100}, {2, 3},
                                                           {3, 5},   {4, 5},   {100, 100}};
    EXPECT_EQ(loads, expectedLoad);
}

// Every way a file can be bad: the load refuses it and the collection stays as it was.
TEST_F(CollectionFileTest, ABadFileLeavesTheCollectionAsItWas) {
    ASSERT_EQ(Add(Picture("a.jpg", 100, 80)), 0);
    const fs::path good = root_ / "good.vkt";
    file_->SaveToFile(good, true);
    const Bytes bytes = ReadFile(good);
    ASSERT_EQ(Add(Picture("b.jpg", 80, 100)), 1);
    const Snapshot before = Take();

    const auto withManifest = [](const std::string& manifest, const Bytes& thumbnail) {
        return Archive({{"Info.ini", Text(manifest)}, {"0_ImageList.bmp", thumbnail}});
    };
    const std::string oneEntry = "[Global]\r\nHeadCount=1\r\n[0]\r\n";
    // The member's central directory record: the last place its name appears.
    const auto patch = [](Bytes file, const std::string& name, std::size_t field,
                          std::uint32_t value) {
        const auto at = std::find_end(file.begin(), file.end(), name.begin(), name.end()) - 46;
        for (int i = 0; i < 4; ++i) {
            at[static_cast<long>(field) + i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
        return file;
    };
    const Bytes wrongCrc = patch(bytes, "0_Image.jpg", 16, 0x12345678);
    const Bytes bomb = patch(bytes, "2_ImageList.bmp", 24, 0x7FFFFFF0);
    Bytes badPicture = Archive({{"Info.ini", Text("[Global]\r\nImagesCount=1\r\n")},
                                {"0_Image.jpg", Text("not a picture at all")}});
    const struct {
        const char* what;
        Bytes file;
        const char* message;
    } cases[] = {
        {"truncated", Bytes(bytes.begin(), bytes.begin() + static_cast<long>(bytes.size() / 2)),
         "Not a ZIP archive"},
        {"not a zip", Text("[Global]\r\nHeadCount=1\r\n"), "Not a ZIP archive"},
        {"wrong crc", wrongCrc, "CRC"},
        {"thumbnail not a bmp", withManifest(oneEntry, Text("BMnonsense")), "0_ImageList.bmp"},
        {"thumbnail not 96 x 96", withManifest(oneEntry, EncodeBmp24(tw::Picture(20, 20, 0))),
         "96 x 96"},
        {"source not a picture", badPicture, "0_Image.jpg"},
        {"forged count", withManifest("[Global]\r\nHeadCount=100000000\r\n", {}), "claims"},
        {"zip bomb", bomb, "allowed size"},
    };
    for (const auto& c : cases) {
        const fs::path path = root_ / "bad.vkt";
        WriteFile(path, c.file);
        try {
            file_->LoadFromFile(path);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const CollectionFileError& e) {
            EXPECT_THAT(e.what(), HasSubstr(c.message)) << c.what;
            EXPECT_THAT(e.what(), HasSubstr(path.string())) << c.what;
        }
        EXPECT_TRUE(Take() == before) << c.what;
    }
    EXPECT_THROW(file_->LoadFromFile(root_ / "missing.vkt"), CollectionFileError);
    WriteFile(root_ / "nomanifest.vkt",
              Archive({{"0_ImageList.bmp", EncodeBmp24(BlankThumbnail())}}));
    EXPECT_FALSE(file_->LoadFromFile(root_ / "nomanifest.vkt"));
    EXPECT_TRUE(Take() == before);
}

// A small file system of its own, to fill up or to make read-only (root ignores permissions).
class ScratchMount {
public:
    explicit ScratchMount(const fs::path& where) : where_(where) {
        fs::create_directories(where_);
        mounted_ = ::mount("tmpfs", where_.c_str(), "tmpfs", 0, "size=256k") == 0;
    }
    ~ScratchMount() {
        if (mounted_) {
            ::umount2(where_.c_str(), MNT_DETACH);
        }
    }
    bool Mounted() const { return mounted_; }
    bool MakeReadOnly() {
        return ::mount("tmpfs", where_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=256k") == 0;
    }

private:
    fs::path where_;
    bool mounted_ = false;
};

TEST_F(CollectionFileTest, AFailedSaveLeavesTheEarlierFileWhole) {
    ScratchMount disk(root_ / "disk");
    if (!disk.Mounted()) {
        GTEST_SKIP() << "mounting a small tmpfs needs privileges";
    }
    ASSERT_EQ(Add(Picture("small.jpg", 60, 40)), 0);
    const fs::path path = root_ / "disk/c.vkt";
    file_->SaveToFile(path, true);
    const Bytes earlier = ReadFile(path);

    // Too big for what is left: the disk fills up midway.
    ASSERT_EQ(Add(Picture("big.bmp", 400, 300)), 1);
    try {
        file_->SaveToFile(path, true);
        FAIL() << "a save onto a full disk succeeded";
    } catch (const CollectionFileError& e) {
        EXPECT_THAT(e.what(), HasSubstr("No space left on device"));
    }
    EXPECT_EQ(ReadFile(path), earlier);
    EXPECT_THAT(MemberNames(path).size(), 6u);
    EXPECT_EQ(std::distance(fs::directory_iterator(root_ / "disk"), {}), 1)
        << "nothing is left beside the file";
    EXPECT_FALSE(file_->Saving());

    manager_->DeleteHead(1);
    ASSERT_TRUE(disk.MakeReadOnly());
    EXPECT_THROW(file_->SaveToFile(path, true), CollectionFileError);
    EXPECT_EQ(ReadFile(path), earlier);

    EXPECT_THROW(file_->SaveToFile(root_ / "no/such/folder/c.vkt", true), CollectionFileError);
    EXPECT_EQ(manager_->FileName(), path);
}

} // namespace
} // namespace tw
