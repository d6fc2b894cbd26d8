#include "core/image/Codecs.h"
#include "core/main/uSlideshow.h"
#include "support/RecordingMessengerClient.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace tw {
namespace {

namespace fs = std::filesystem;

using test::RecordingMessengerClient;
using test::SentMessage;

// A collection whose entries have the given states; the plain thumbnail of entry i is grey
// level 10 * i + 1, its badge pictures are other greys, so an export shows which was taken.
class SlideshowTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("tw-slideshow-" +
                   std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder_);
        manager_.emplace(folder_);
        manager_->SetStateIcons({Picture(24, 24, 200), Picture(24, 24, 201), Picture(24, 24, 202)});
        auto client = std::make_unique<RecordingMessengerClient>(records_);
        link_.emplace(std::move(client));
        show_.emplace(*manager_);
        show_->OnPreview = [this](int i) { previews_.push_back(i); };
    }
    void TearDown() override {
        show_.reset();
        manager_.reset();
        fs::remove_all(folder_);
    }

    void Collection(const std::vector<TMsnState>& states) {
        THeadArray heads;
        std::vector<Picture> thumbnails;
        for (std::size_t i = 0; i < states.size(); ++i) {
            THeadRec head;
            head.State = states[i];
            head.PersonalMsg = "message " + std::to_string(i);
            head.PersonalURL = "http://127.0.0.1/" + std::to_string(i);
            head.PersonalIcon = 2;
            heads.push_back(head);
            thumbnails.emplace_back(96, 96, static_cast<std::uint8_t>(10 * i + 1));
            for (int badge = 1; badge < 4; ++badge) {
                thumbnails.emplace_back(96, 96, static_cast<std::uint8_t>(250 - badge));
            }
        }
        manager_->ReplaceCollection({}, std::move(heads), std::move(thumbnails));
    }

    fs::path folder_;
    std::optional<TMsnHeadManager> manager_;
    RecordingMessengerClient::Records records_;
    std::vector<SentMessage>& sent_ = records_.messages;
    std::optional<TMsnControl> link_;
    std::optional<TSlideshow> show_;
    std::vector<int> previews_;
};

TEST(DelayTest, LabelReadsMinutesAndSeconds) {
    const std::vector<std::pair<int, std::string>> cases = {{5, "5 sec"},
                                                            {59, "59 sec"},
                                                            {60, "1 min 0 sec"},
                                                            {90, "1 min 30 sec"},
                                                            {180, "3 min 0 sec"}};
    for (const auto& [secs, label] : cases) {
        EXPECT_EQ(DelayLabel(secs), label) << secs;
    }
}

TEST(DelayTest, ClampsToTheSliderRange) {
    const std::vector<std::pair<int, int>> cases = {
        {200, 180}, {2, 5}, {-7, 5}, {15, 15}, {180, 180}};
    for (const auto& [stored, delay] : cases) {
        EXPECT_EQ(ClampDelay(stored), delay) << stored;
    }
}

TEST(SlideRandomTest, DrawsTheGeneratorSequence) {
    struct Case {
        std::uint32_t seed;
        std::vector<std::uint32_t> draws;
    };
    const std::vector<Case> cases = {{0, {0, 313, 8610, 2025}},
                                     {0xFFFFFFFF, {9686, 2017, 5195, 1322}},
                                     {123456789, {5437, 3958, 3908, 339}}};
    for (const Case& c : cases) {
        TSlideRandom random(c.seed);
        std::vector<std::uint32_t> draws;
        for (std::size_t k = 0; k < c.draws.size(); ++k) {
            draws.push_back(random.Draw());
        }
        EXPECT_EQ(draws, c.draws) << c.seed;
    }
}

TEST_F(SlideshowTest, ChoosesInOrderAmongCandidates) {
    struct Case {
        const char* name;
        std::vector<TMsnState> states;
        TMsnState status;
        int current;
        int rows;
        std::vector<int> choices;
    };
    const std::vector<Case> cases = {
        {"wraps after the last candidate", {3, 3, 1, 3, 3, 1, 3, 1}, 1, 5, 8, {7, 2, 5}},
        {"starts over from a non-candidate", {3, 3, 1, 3, 3, 1, 3, 1}, 1, 4, 8, {2, 5}},
        {"status 0 before any notification", {1, 0, 2, 0}, 0, -1, 4, {1, 3, 1}},
        {"entries without status fill in", {1, 0, 1, 0}, 2, -1, 4, {1, 3}},
        {"only rows take part", {0, 0, 0, 0}, 0, 1, 2, {0, 1}},
        {"no candidate keeps the current index", {2, 2, 2}, 1, 1, 3, {1, 1}},
        {"no candidate and nothing shown yet", {2, 2, 2}, 1, -1, 3, {-1}},
        {"one entry is always chosen", {2}, 1, -1, 1, {0, 0}},
        {"an empty list chooses nothing", {0, 0}, 0, 0, 0, {-1}},
    };
    for (const Case& c : cases) {
        Collection(c.states);
        show_->SetCurrentStatus(c.status);
        show_->SetCurrentIndex(c.current);
        std::vector<int> choices;
        for (std::size_t k = 0; k < c.choices.size(); ++k) {
            choices.push_back(show_->ChooseNext(c.rows, false));
        }
        EXPECT_EQ(choices, c.choices) << c.name;
    }
}

TEST_F(SlideshowTest, OneEntryLeavesTheCurrentIndexToApply) {
    Collection({2});
    show_->SetCurrentStatus(1);
    EXPECT_EQ(show_->ChooseNext(1, false), 0);
    EXPECT_EQ(show_->CurrentIndex(), -1);
}

TEST_F(SlideshowTest, GuideKeyframesNeverTakePart) {
    Collection({0, 0, 0});
    THeadArray heads = manager_->Heads();
    heads[1].Kind = THeadKind::hkGuideKeyframe;
    manager_->ReplaceCollection({}, heads, manager_->Thumbnails());
    EXPECT_EQ(show_->ChooseNext(3, false), 0);
    EXPECT_EQ(show_->ChooseNext(3, false), 2);
    for (std::uint32_t seed = 0; seed < 20; ++seed) {
        show_->SetSeedSource([seed] { return seed; });
        EXPECT_NE(show_->ChooseNext(3, true), 1) << seed;
    }
}

TEST_F(SlideshowTest, RandomOrderDrawsFromAFreshSeedEachChoice) {
    Collection({1, 0, 1, 1, 0, 1});
    show_->SetCurrentStatus(1);
    // Candidates 0, 2, 3, 5: each choice is the first draw of its seed, modulo 4.
    const std::vector<std::pair<std::uint32_t, int>> cases = {
        {0, 0}, {1, 2}, {0xFFFFFFFF, 3}, {123456789, 2}, {2, 5}, {2, 5}};
    for (const auto& [seed, choice] : cases) {
        show_->SetSeedSource([seed] { return seed; });
        EXPECT_EQ(show_->ChooseNext(6, true), choice) << seed;
    }
}

TEST_F(SlideshowTest, ApplySendsThePlainPictureAndTheEntrysMessage) {
    Collection({0, 0, 1});
    ASSERT_TRUE(show_->Apply(2, 3, *link_));

    EXPECT_EQ(show_->CurrentIndex(), 2);
    EXPECT_EQ(previews_, std::vector<int>{2});
    ASSERT_TRUE(link_->Poller().Pending());
    const Picture exported = LoadPicture(link_->Poller().PendingPath());
    EXPECT_EQ(exported, Picture(96, 96, 21));
    EXPECT_EQ(sent_, (std::vector<SentMessage>{{"message 2", "http://127.0.0.1/2", "Music"}}));
}

TEST_F(SlideshowTest, ApplyOutsideTheRowsDoesNothing) {
    Collection({0, 0, 0});
    for (const int i : {-1, 2, 3}) {
        EXPECT_FALSE(show_->Apply(i, 2, *link_)) << i;
    }
    EXPECT_TRUE(previews_.empty());
    EXPECT_TRUE(sent_.empty());
    EXPECT_FALSE(link_->Poller().Pending());
}

TEST_F(SlideshowTest, FailedExportStillSendsTheMessage) {
    Collection({0, 0});
    show_->SetCurrentIndex(0);
    // A file where the working folder should be makes every export fail.
    fs::path temp = manager_->TempFolder();
    if (!temp.has_filename()) {
        temp = temp.parent_path();
    }
    fs::remove_all(temp);
    std::ofstream(temp) << "in the way";

    EXPECT_FALSE(show_->Apply(1, 2, *link_));
    EXPECT_EQ(show_->CurrentIndex(), 0);
    EXPECT_FALSE(link_->Poller().Pending());
    EXPECT_EQ(sent_.size(), 1u);
}

TEST_F(SlideshowTest, TickAppliesOnlyWhileTheLinkHasAStatus) {
    Collection({0, 0, 1});
    show_->Tick(3, false, nullptr);
    show_->Tick(3, false, &*link_); // the link has not polled: status 0
    EXPECT_TRUE(sent_.empty());
    EXPECT_TRUE(previews_.empty());

    link_->Poll();
    ASSERT_EQ(link_->State(), TMsnState{1});
    show_->Tick(3, false, &*link_);
    show_->Tick(3, false, &*link_);
    // The slideshow's own status is still 0 until a notification: entries without status.
    EXPECT_EQ(previews_, (std::vector<int>{0, 1}));
    EXPECT_EQ(sent_.size(), 2u);
}

TEST_F(SlideshowTest, StatusChangeAppliesAnEntryForTheNewStatus) {
    Collection({0, 2, 1, 2});
    show_->StateChanged(2, 4, false, *link_);
    show_->StateChanged(1, 4, false, *link_);
    show_->StateChanged(0, 4, false, *link_);
    EXPECT_EQ(show_->CurrentStatus(), TMsnState{0});
    EXPECT_EQ(previews_, (std::vector<int>{1, 2, 0}));
    EXPECT_EQ(sent_.size(), 3u);
}

} // namespace
} // namespace tw
