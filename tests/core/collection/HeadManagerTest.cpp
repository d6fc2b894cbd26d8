#include "CollectionTestSupport.h"
#include "core/collection/uMsnHeadManager.h"
#include "core/image/PictureError.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <limits>
#include <optional>
#include <string>
#include <thread>
#include <tuple>

namespace tw {
namespace {

using testing::DataFile;
using testing::FakeHeadEditor;
using testing::Pixel;
using testing::Uniform;
namespace fs = std::filesystem;

std::vector<Picture> ThreeIcons() {
    return {Uniform(24, 24, 0, 255, 0), Uniform(24, 24, 255, 0, 0), Uniform(24, 24, 255, 200, 0)};
}

int MaxDifference(const Picture& a, const Picture& b) {
    int worst = 0;
    for (std::size_t i = 0; i < a.ByteSize(); ++i) {
        worst = std::max(worst, std::abs(int{a.Data()[i]} - int{b.Data()[i]}));
    }
    return worst;
}

class HeadManagerTest : public testing::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        manager_ = std::make_unique<TMsnHeadManager>(folder_);
        manager_->SetStateIcons(ThreeIcons());
        manager_->SetHeadEditor(&editor_);
    }

    // Adds one unattended entry per colour; entry i's plain thumbnail is uniform in its colour.
    void AddColoredEntries(const std::string& names) {
        for (const char name : names) {
            const auto shade = static_cast<std::uint8_t>(name);
            const auto path =
                WriteBmp(std::string(1, name) + ".bmp", Uniform(200, 200, shade, 0, 0));
            ASSERT_GE(manager_->AddPictureFile(path, false), 0);
        }
    }

    // The entries in order, named by their source's colour, with a check that every thumbnail
    // of each sits at its index * 4.
    std::string Order() const {
        std::string order;
        const auto& thumbs = manager_->Thumbnails();
        EXPECT_EQ(manager_->ThumbnailCount(), manager_->HeadCount() * 4);
        for (int i = 0; i < manager_->HeadCount(); ++i) {
            const char name = static_cast<char>(Pixel(thumbs[i * 4], 50, 50)[0]);
            for (int k = 1; k < 4; ++k) {
                EXPECT_EQ(Pixel(thumbs[i * 4 + k], 50, 50)[0], name) << i << "/" << k;
            }
            order += name;
        }
        return order;
    }

    FakeHeadEditor editor_;
    std::unique_ptr<TMsnHeadManager> manager_;
};

TEST_F(HeadManagerTest, AddImageStoresTheExtensionACollectionKeepsItUnder) {
    struct Case {
        std::filesystem::path file;
        const char* ext;
        int width;
    };
    const Case cases[] = {
        {DataFile("flag.PNG"), ".bmp", 40},
        {DataFile("anim.gif"), ".gif", 32},
        {DataFile("photo.jpeg"), ".jpeg", 48},
        {WriteBmp("plain.BMP", Uniform(7, 5, 1, 2, 3)), ".bmp", 7},
    };
    int expectedCount = 0;
    for (const auto& c : cases) {
        const int slot = manager_->AddImage(c.file);
        EXPECT_EQ(slot, expectedCount++);
        const TImageRec& rec = manager_->Images()[static_cast<std::size_t>(slot)];
        EXPECT_EQ(rec.Ext, c.ext) << c.file;
        EXPECT_EQ(rec.Width, c.width) << c.file;
        ASSERT_TRUE(manager_->GetImage(slot));
        EXPECT_EQ(manager_->GetImage(slot)->Width(), c.width);
    }
    EXPECT_EQ(manager_->ImageCount(), 4);
    EXPECT_EQ(manager_->HeadCount(), 0);
}

TEST_F(HeadManagerTest, UnreadablePicturesRaiseNamingTheFileAndAddNothing) {
    auto bmp = EncodeBmp24(Uniform(64, 64, 9, 9, 9));
    bmp.resize(bmp.size() / 2); // header intact, pixels cut off
    const auto truncated = folder_ / "truncated.bmp";
    testing::WriteBytes(truncated, bmp);
    const auto garbage = folder_ / "garbage.jpg";
    testing::WriteBytes(garbage, std::vector<std::uint8_t>(300, 0x5a));
    const auto missing = folder_ / "missing.png";

    manager_->AddPictureFile(WriteBmp("good.bmp", Uniform(120, 100, 1, 2, 3)), false);
    for (const auto& path : {truncated, garbage, missing}) {
        for (const bool viaAddPicture : {false, true}) {
            try {
                viaAddPicture ? manager_->AddPictureFile(path, false) : manager_->AddImage(path);
                ADD_FAILURE() << path << " was accepted";
            } catch (const PictureError& error) {
                EXPECT_NE(std::string(error.what()).find(path.filename().string()),
                          std::string::npos)
                    << error.what();
            }
            EXPECT_EQ(manager_->ImageCount(), 1) << path;
            EXPECT_EQ(manager_->HeadCount(), 1);
            EXPECT_EQ(manager_->ThumbnailCount(), 4);
        }
    }
}

TEST_F(HeadManagerTest, UnattendedAddGetsTheEditorsDefaultFit) {
    const Picture source = [] {
        Picture p(640, 480);
        for (int y = 0; y < 480; ++y) {
            for (int x = 0; x < 640; ++x) {
                std::uint8_t* px = p.Row(y) + x * 3;
                px[0] = static_cast<std::uint8_t>(x * 255 / 639);
                px[1] = static_cast<std::uint8_t>(y * 255 / 479);
                px[2] = 77;
            }
        }
        return p;
    }();
    const int i = manager_->AddPictureFile(WriteBmp("ramp.bmp", source), false);
    ASSERT_EQ(i, 0);
    EXPECT_EQ(editor_.calls, 0);
    THeadRec head;
    ASSERT_TRUE(manager_->GetHead(i, head));
    EXPECT_EQ(head.ImagePos, (TPoint{171, 94}));
    EXPECT_EQ(head.FrameRect, (TRect{85, 5, 565, 485}));
    EXPECT_EQ(head.ImageWidth, 128);
    EXPECT_EQ(head.ImageHeight, 96);
    EXPECT_EQ(head.Scale, 20);
    EXPECT_EQ(head.Brightness, 0);
    EXPECT_EQ(head.Contrast, 0);
    EXPECT_EQ(head.Kind, THeadKind::hkOrdinary);

    THeadEditModel editor;
    editor.SetSourceImage(source, true);
    editor.RenderNow();
    EXPECT_EQ(manager_->Thumbnails()[0], editor.Preview());
}

TEST_F(HeadManagerTest, PicturesPreparedOnWorkerThreadsAppendAsSequentialAddsWould) {
    std::vector<fs::path> paths;
    for (int k = 0; k < 6; ++k) {
        const auto shade = static_cast<std::uint8_t>(40 * k);
        paths.push_back(WriteBmp("p" + std::to_string(k) + ".bmp",
                                 Uniform(100 + 37 * k, 300 - 29 * k, shade, 255 - shade, 9)));
    }
    TMsnHeadManager sequential(folder_ / "sequential");
    sequential.SetStateIcons(ThreeIcons());
    for (const auto& path : paths) {
        ASSERT_EQ(sequential.AddPictureFile(path, false), &path - paths.data());
    }

    // Prepared in reverse on two threads at once, appended in order.
    std::vector<std::optional<TPreparedPicture>> prepared(paths.size());
    {
        std::vector<std::jthread> workers;
        for (int w = 0; w < 2; ++w) {
            workers.emplace_back([&, w] {
                for (int k = static_cast<int>(paths.size()) - 1 - w; k >= 0; k -= 2) {
                    prepared[static_cast<std::size_t>(k)] =
                        manager_->PreparePictureFile(paths[static_cast<std::size_t>(k)]);
                }
            });
        }
    }
    EXPECT_EQ(manager_->HeadCount(), 0) << "preparing leaves the collection alone";
    for (auto& picture : prepared) {
        manager_->AppendPrepared(std::move(*picture));
    }
    EXPECT_EQ(manager_->Heads(), sequential.Heads());
    EXPECT_EQ(manager_->Thumbnails(), sequential.Thumbnails());
    ASSERT_EQ(manager_->ImageCount(), sequential.ImageCount());
    for (int k = 0; k < manager_->ImageCount(); ++k) {
        const TImageRec& a = manager_->Images()[static_cast<std::size_t>(k)];
        const TImageRec& b = sequential.Images()[static_cast<std::size_t>(k)];
        EXPECT_EQ(std::tie(a.Ext, a.Width, a.Height, a.Format),
                  std::tie(b.Ext, b.Width, b.Height, b.Format));
        EXPECT_EQ(a.Source->ReadBytes(), b.Source->ReadBytes());
    }
    EXPECT_THROW(manager_->PreparePictureFile(folder_ / "missing.jpg"), PictureError);
}

TEST_F(HeadManagerTest, UnattendedJpegAddDecodesSmallButLooksTheSame) {
    const auto path = DataFile("ramp1600.jpg");
    ASSERT_EQ(manager_->AddPictureFile(path, false), 0);
    THeadEditModel editor;
    editor.SetSourceImage(LoadPicture(path), true);
    editor.RenderNow();
    THeadRec head;
    manager_->GetHead(0, head);
    EXPECT_EQ(head.Scale, editor.GetScale());
    EXPECT_EQ(head.ImagePos, editor.ImagePos());
    EXPECT_EQ(head.FrameRect, editor.FrameRect());
    EXPECT_LE(MaxDifference(manager_->Thumbnails()[0], editor.Preview()), 4);
}

TEST_F(HeadManagerTest, ThumbnailSetCarriesTheBadgesSeeThroughWhite) {
    std::vector<Picture> icons = ThreeIcons();
    std::fill(icons[1].Row(0), icons[1].Row(0) + 3, 255); // one white pixel in the busy badge
    TMsnHeadManager manager(folder_ / "other");
    manager.SetStateIcons(icons);
    manager.AddPictureFile(WriteBmp("blue.bmp", Uniform(300, 300, 0, 0, 250)), false);
    const auto& thumbs = manager.Thumbnails();
    ASSERT_EQ(thumbs.size(), 4u);
    EXPECT_EQ(Pixel(thumbs[0], 0, 0)[2], 250);
    EXPECT_EQ(Pixel(thumbs[1], 0, 0)[1], 255); // online badge
    EXPECT_EQ(Pixel(thumbs[2], 0, 0)[2], 250); // the white pixel shows the picture
    EXPECT_EQ(Pixel(thumbs[2], 1, 0)[0], 255); // busy badge
    EXPECT_EQ(Pixel(thumbs[3], 23, 23)[1], 200);
    EXPECT_EQ(Pixel(thumbs[3], 24, 24)[2], 250);
}

TEST_F(HeadManagerTest, BadgeOffsetFollowsTheEntrysState) {
    AddColoredEntries("A");
    const std::pair<TMsnState, int> cases[] = {{4, 3}, {0, 0}, {1, 1}, {5, 2}, {6, 3}, {9, 0}};
    for (const auto& [state, offset] : cases) {
        manager_->SetState(0, state);
        EXPECT_EQ(manager_->GetBadgeOffset(0), offset) << int{state};
    }
    EXPECT_EQ(manager_->GetBadgeOffset(1), 0);
    EXPECT_EQ(manager_->GetBadgeOffset(-1), 0);
}

TEST_F(HeadManagerTest, MoveHeadCarriesTheThumbnailsAlong) {
    struct Case {
        int from;
        int to;
        const char* order;
    };
    const Case cases[] = {{0, 3, "BCDA"}, {3, 0, "DABC"}, {0, 2, "BCAD"}, {2, 0, "CABD"},
                          {1, 1, "ABCD"}, {0, 4, "ABCD"}, {-1, 2, "ABCD"}};
    AddColoredEntries("ABCD");
    for (const auto& c : cases) {
        const std::string before = Order();
        manager_->MoveHead(c.from, c.to);
        EXPECT_EQ(Order(), c.order) << c.from << "->" << c.to;
        // Undo, so every case starts from A B C D.
        if (before != Order()) {
            manager_->MoveHead(c.to, c.from);
        }
        ASSERT_EQ(Order(), "ABCD");
    }
}

TEST_F(HeadManagerTest, DeleteHeadKeepsThumbnailsAlignedAndTheSlot) {
    AddColoredEntries("ABCD");
    manager_->DeleteHead(1);
    EXPECT_EQ(Order(), "ACD");
    manager_->DeleteHead(7);
    manager_->DeleteHead(-1);
    EXPECT_EQ(Order(), "ACD");
    manager_->DeleteHead(2);
    manager_->DeleteHead(0);
    EXPECT_EQ(Order(), "C");
    manager_->DeleteHead(0);
    EXPECT_EQ(manager_->HeadCount(), 0);
    EXPECT_EQ(manager_->ThumbnailCount(), 0);
    EXPECT_EQ(manager_->ImageCount(), 4);
}

TEST_F(HeadManagerTest, RefusedOrCancelledEditLeavesCountsUnchanged) {
    AddColoredEntries("A");
    const auto path = WriteBmp("b.bmp", Uniform(100, 100, 5, 5, 5));
    editor_.onEdit = [](THeadEditModel& model) {
        model.SetBrightness(100);
        return false;
    };
    EXPECT_EQ(manager_->AddPictureFile(path, true), -1);
    EXPECT_EQ(editor_.calls, 1);
    EXPECT_EQ(manager_->AddHead(0, THeadKind::hkOrdinary, true), -1);
    manager_->SetHeadEditor(nullptr);
    EXPECT_EQ(manager_->AddPictureFile(path, true), -1);
    EXPECT_EQ(manager_->HeadCount(), 1);
    EXPECT_EQ(manager_->ImageCount(), 1);
    EXPECT_EQ(manager_->ThumbnailCount(), 4);

    // A cancelled re-edit leaves the entry and its thumbnails as they were.
    manager_->SetHeadEditor(&editor_);
    const THeadRec before = manager_->Heads()[0];
    const Picture thumb = manager_->Thumbnails()[0];
    EXPECT_FALSE(manager_->EditHead(0, true));
    EXPECT_EQ(manager_->Heads()[0], before);
    EXPECT_EQ(manager_->Thumbnails()[0], thumb);
}

TEST_F(HeadManagerTest, AcceptedEditStoresTheEditorsStateAndReopensWithIt) {
    AddColoredEntries("A");
    editor_.onEdit = [](THeadEditModel& model) {
        model.SetBrightness(-255);
        model.SetScale(150);
        model.MouseDown(MouseButton::Left, {0, 0});
        model.MouseMove({7, -3});
        return true;
    };
    ASSERT_TRUE(manager_->EditHead(0, true));
    const THeadRec edited = manager_->Heads()[0];
    EXPECT_EQ(edited.Brightness, -255);
    EXPECT_EQ(edited.Scale, 150);
    EXPECT_EQ(edited.ImageWidth, 300);
    EXPECT_EQ(Pixel(manager_->Thumbnails()[0], 48, 48)[0], 0);

    editor_.onEdit = [&](THeadEditModel& model) {
        EXPECT_EQ(model.GetBrightness(), -255);
        EXPECT_EQ(model.GetScale(), 150);
        EXPECT_EQ(model.ImagePos(), edited.ImagePos);
        EXPECT_EQ(model.ImageWidth(), 300);
        return true;
    };
    ASSERT_TRUE(manager_->EditHead(0, true));
    EXPECT_EQ(manager_->Heads()[0], edited);
}

TEST_F(HeadManagerTest, EntriesWithoutAnEditableSourceAreRefused) {
    AddColoredEntries("AB");
    editor_.calls = 0;
    THeadArray heads = manager_->Heads();
    heads[0].ReadOnly = true;
    heads[1].ImageID = 5;
    std::vector<Picture> thumbs = manager_->Thumbnails();
    manager_->ReplaceCollection(manager_->Images(), heads, thumbs);
    for (const bool interactive : {true, false}) {
        EXPECT_FALSE(manager_->EditHead(0, interactive));
        EXPECT_FALSE(manager_->EditHead(1, interactive));
        EXPECT_FALSE(manager_->EditHead(2, interactive));
    }
    EXPECT_EQ(editor_.calls, 0);

    // A slot whose picture was released (no entry used it) refuses too.
    const int slot = manager_->AddImage(WriteBmp("c.bmp", Uniform(50, 50, 1, 1, 1)));
    manager_->ReleaseUnusedImages();
    EXPECT_FALSE(manager_->Images()[static_cast<std::size_t>(slot)].HasPicture());
    EXPECT_TRUE(manager_->Images()[0].HasPicture());
    EXPECT_EQ(manager_->AddHead(slot, THeadKind::hkOrdinary, false), -1);
    EXPECT_EQ(manager_->ImageCount(), 3);
}

// A guide that marks keyframes through the manager and then finishes or cancels.
class FakeGuide : public IAnimationGuide {
public:
    std::optional<TGuideResult> result;
    int keyframesSeen = 0;

    std::optional<TGuideResult> Run(TMsnHeadManager& manager) override {
        const int slot = manager.HeadCount() > 0 ? manager.Heads()[0].ImageID : 0;
        manager.AppendHead(slot, THeadKind::hkGuideKeyframe);
        manager.AppendHead(slot, THeadKind::hkGuideKeyframe);
        keyframesSeen = manager.HeadCount();
        return result;
    }
};

THeadRec SlideFrame(int image, TRect square, TSize source) {
    THeadRec frame;
    frame.ImageID = image;
    frame.ImagePos = kSlideFramePos;
    frame.FrameRect = square;
    frame.ImageWidth = source.Width;
    frame.ImageHeight = source.Height;
    frame.Scale = 100;
    return frame;
}

TEST_F(HeadManagerTest, GuideFramesAreAppendedAndKeyframesAlwaysRemoved) {
    AddColoredEntries("A");
    FakeGuide guide;
    EXPECT_EQ(manager_->RunAnimationGuide(guide), -1);
    EXPECT_EQ(guide.keyframesSeen, 3);
    EXPECT_EQ(Order(), "A");

    guide.result = TGuideResult{
        {SlideFrame(0, {0, 0, 96, 96}, {200, 200}), SlideFrame(0, {10, 10, 106, 106}, {200, 200})},
        std::vector<Picture>(8, Uniform(96, 96, 'B', 0, 0))};
    EXPECT_EQ(manager_->RunAnimationGuide(guide), 2);
    EXPECT_EQ(Order(), "ABB");
    EXPECT_EQ(manager_->Heads()[2].FrameRect, (TRect{10, 10, 106, 106}));

    guide.result->Pictures.pop_back();
    EXPECT_THROW(manager_->RunAnimationGuide(guide), std::invalid_argument);
    EXPECT_EQ(Order(), "ABB");
}

TEST_F(HeadManagerTest, EditingASlideFrameDerivesItsGeometryFromTheSquare) {
    const int slot = manager_->AddImage(WriteBmp("slide.bmp", Uniform(400, 300, 90, 90, 90)));
    FakeGuide guide;
    guide.result = TGuideResult{{SlideFrame(slot, {100, 50, 148, 98}, {400, 300})},
                                std::vector<Picture>(4, Uniform(96, 96, 1, 1, 1))};
    ASSERT_EQ(manager_->RunAnimationGuide(guide), 1);
    editor_.onEdit = [](THeadEditModel& model) {
        EXPECT_EQ(model.GetScale(), 200);
        EXPECT_EQ(model.ImageWidth(), 800);
        EXPECT_EQ(model.ImageHeight(), 600);
        EXPECT_EQ(model.ImagePos(), (TPoint{-18, -11}));
        return true;
    };
    ASSERT_TRUE(manager_->EditHead(0, true));
    const THeadRec head = manager_->Heads()[0];
    EXPECT_EQ(head.ImagePos, (TPoint{-18, -11}));
    EXPECT_EQ(head.Scale, 200);
    EXPECT_EQ(Pixel(manager_->Thumbnails()[0], 48, 48)[0], 90); // rendered by the editor now
}

TEST_F(HeadManagerTest, ExtremeGeometryFromAFileStillEdits) {
    AddColoredEntries("A");
    constexpr int lo = std::numeric_limits<int>::min();
    constexpr int hi = std::numeric_limits<int>::max();
    struct Case {
        TPoint pos;
        TRect frame;
        int width;
        int scale;
    };
    const Case cases[] = {
        {{lo, hi}, {lo, lo, hi, hi}, hi, lo},
        {{0, 0}, {0, 0, 100, 100}, hi, hi},
        {kSlideFramePos, {lo, 0, hi, 5}, 5, 100},
        {kSlideFramePos, {hi, hi, lo, lo}, 5, 100}, // no width: the default fit
        {{5, 5}, {0, 0, 0, 0}, -1, 100},            // a file's default: never edited
    };
    for (const auto& c : cases) {
        THeadArray heads = manager_->Heads();
        heads[0].ImagePos = c.pos;
        heads[0].FrameRect = c.frame;
        heads[0].ImageWidth = heads[0].ImageHeight = c.width;
        heads[0].Scale = c.scale;
        manager_->ReplaceCollection(manager_->Images(), heads, manager_->Thumbnails());
        EXPECT_TRUE(manager_->EditHead(0, false)) << c.pos.X << " " << c.width;
        EXPECT_EQ(manager_->ThumbnailCount(), 4);
        EXPECT_EQ(manager_->Thumbnails()[0].Width(), 96);
    }
    // The last one opened at the default fit of the 200 x 200 source.
    EXPECT_EQ(manager_->Heads()[0].Scale, 50);
    EXPECT_EQ(manager_->Heads()[0].ImagePos, (TPoint{185, 92}));
}

TEST_F(HeadManagerTest, RemoveGuideKeyframesKeepsTheOrderOfTheRest) {
    AddColoredEntries("ABC");
    THeadArray heads = manager_->Heads();
    heads.insert(heads.begin() + 1, heads[0]);
    heads.insert(heads.begin() + 3, heads[0]);
    heads[1].Kind = heads[3].Kind = THeadKind::hkGuideKeyframe;
    heads[1].State = heads[3].State = 1;
    std::vector<Picture> thumbs = manager_->Thumbnails();
    thumbs.insert(thumbs.begin() + 4, 4, Uniform(96, 96, 'k', 0, 0));
    thumbs.insert(thumbs.begin() + 12, 4, Uniform(96, 96, 'k', 0, 0));
    manager_->ReplaceCollection(manager_->Images(), heads, thumbs);
    ASSERT_EQ(Order(), "AkBkC");
    manager_->RemoveGuideKeyframes();
    EXPECT_EQ(Order(), "ABC");
}

TEST_F(HeadManagerTest, SourcesStayReadableAfterTheFileIsGone) {
    const auto path = WriteBmp("gone.bmp", Uniform(150, 120, 40, 50, 60));
    const auto size = std::filesystem::file_size(path);
    ASSERT_EQ(manager_->AddPictureFile(path, false), 0);
    std::filesystem::remove(path);
    EXPECT_EQ(manager_->Images()[0].Source->Size(), size);
    editor_.onEdit = [](THeadEditModel& model) {
        model.SetContrast(-255);
        return true;
    };
    ASSERT_TRUE(manager_->EditHead(0, true));
    EXPECT_EQ(Pixel(manager_->Thumbnails()[0], 10, 10)[0], 127);
}

TEST_F(HeadManagerTest, ClearAllEmptiesEverythingButTheFileName) {
    AddColoredEntries("AB");
    manager_->SetFileName(folder_ / "x.vkt");
    manager_->ClearAll();
    EXPECT_EQ(manager_->HeadCount(), 0);
    EXPECT_EQ(manager_->ImageCount(), 0);
    EXPECT_EQ(manager_->ThumbnailCount(), 0);
    EXPECT_EQ(manager_->FileName(), folder_ / "x.vkt");
    AddColoredEntries("C");
    EXPECT_EQ(Order(), "C");
}

TEST_F(HeadManagerTest, ReplaceCollectionRefusesMisalignedThumbnails) {
    AddColoredEntries("AB");
    const auto images = manager_->Images();
    const auto heads = manager_->Heads();
    std::vector<Picture> thumbs = manager_->Thumbnails();
    thumbs.pop_back();
    EXPECT_THROW(manager_->ReplaceCollection(images, heads, thumbs), std::invalid_argument);
    thumbs.push_back(Uniform(95, 96, 0, 0, 0));
    EXPECT_THROW(manager_->ReplaceCollection(images, heads, thumbs), std::invalid_argument);
    EXPECT_EQ(Order(), "AB");
    EXPECT_THROW(manager_->SetStateIcons({}), std::logic_error);
}

TEST_F(HeadManagerTest, GetHeadAndSettersIgnoreIndexesOutOfRange) {
    AddColoredEntries("A");
    manager_->SetPersonal(0, "Hello", 2, "http://127.0.0.1/");
    manager_->SetPersonal(1, "x", 1, "y");
    manager_->SetState(-1, 3);
    THeadRec head;
    head.PersonalMsg = "untouched";
    EXPECT_FALSE(manager_->GetHead(1, head));
    EXPECT_EQ(head.PersonalMsg, "untouched");
    ASSERT_TRUE(manager_->GetHead(0, head));
    EXPECT_EQ(head.PersonalMsg, "Hello");
    EXPECT_EQ(head.PersonalIcon, 2);
    EXPECT_EQ(head.PersonalURL, "http://127.0.0.1/");
    EXPECT_EQ(head.State, 0);
    EXPECT_FALSE(manager_->GetImage(1));
    EXPECT_FALSE(manager_->GetImage(-1));
}

class ExportTest : public HeadManagerTest {
protected:
    void SetUp() override {
        HeadManagerTest::SetUp();
        std::tm local{};
        local.tm_year = 2008 - 1900;
        local.tm_mon = 2;
        local.tm_mday = 9;
        local.tm_hour = 14;
        local.tm_min = 5;
        local.tm_isdst = -1;
        const auto when = std::chrono::system_clock::from_time_t(std::mktime(&local));
        manager_->SetClock([when] { return when; });
    }
};

TEST_F(ExportTest, WritesTheThumbnailAsBmpNamedByTheMinute) {
    AddColoredEntries("AB");
    const auto path = manager_->ExportDisplayPicture(manager_->ThumbnailCount() - 1);
    EXPECT_EQ(path, manager_->TempFolder() / "Tilewick_03_9_2008_14_05.bmp");
    EXPECT_EQ(LoadPicture(path), manager_->Thumbnails().back());

    EXPECT_TRUE(manager_->ExportDisplayPicture(manager_->ThumbnailCount()).empty());
    EXPECT_TRUE(manager_->ExportDisplayPicture(-1).empty());

    // The folder is made again when something removed it.
    std::filesystem::remove_all(manager_->TempFolder());
    EXPECT_FALSE(manager_->ExportDisplayPicture(0).empty());
}

TEST_F(ExportTest, ExportsWithinOneMinuteGetNamesOfTheirOwn) {
    AddColoredEntries("ABC");
    const auto first = manager_->ExportDisplayPicture(0);
    const auto second = manager_->ExportDisplayPicture(4);
    const auto third = manager_->ExportDisplayPicture(8);
    EXPECT_EQ(second.filename(), "Tilewick_03_9_2008_14_05_2.bmp");
    EXPECT_EQ(third.filename(), "Tilewick_03_9_2008_14_05_3.bmp");
    EXPECT_EQ(Pixel(LoadPicture(second), 50, 50)[0], 'B');
    EXPECT_EQ(Pixel(LoadPicture(third), 50, 50)[0], 'C');
    // Only the newest and the one before it stay.
    EXPECT_FALSE(std::filesystem::exists(first));
    EXPECT_TRUE(std::filesystem::exists(second));
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(manager_->TempFolder())) {
        ++files;
    }
    EXPECT_EQ(files, 2u);
}

TEST_F(HeadManagerTest, WorkingFolderIsEmptiedAtCreationAndReset) {
    const auto temp = folder_ / "temp";
    std::filesystem::create_directories(temp / "nested");
    testing::WriteBytes(temp / "nested" / "left.bmp", {1, 2, 3});
    testing::WriteBytes(temp / "left.txt", {1});
    TMsnHeadManager manager(folder_);
    EXPECT_TRUE(std::filesystem::is_directory(temp));
    EXPECT_TRUE(std::filesystem::is_empty(temp));
    testing::WriteBytes(temp / "again.txt", {1});
    manager.ResetTempFolder();
    EXPECT_TRUE(std::filesystem::is_empty(temp));
}

} // namespace
} // namespace tw
