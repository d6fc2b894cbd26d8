#include "core/messenger/NowPlaying.h"
#include "core/messenger/uMsnControl.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <vector>

namespace tw {
namespace {

namespace fs = std::filesystem;

// A client whose answers the test sets, and which records what the link asks of it.
class FakeClient : public IMessengerClient {
public:
    bool running = true;
    std::int32_t status = 2;
    std::string name = "Alice";
    bool failStatus = false;
    bool failName = false;
    bool failWrite = false;
    bool failCopyData = false;
    std::vector<std::string> pictures;
    std::vector<std::vector<std::uint8_t>> blocks;
    int calls = 0;

    bool IsRunning() override { return running; }
    std::string ReadFriendlyName() override {
        Call(failName);
        return name;
    }
    std::int32_t ReadStatus() override {
        Call(failStatus);
        return status;
    }
    void WriteProperty(int property, const std::string& value) override {
        Call(failWrite);
        EXPECT_EQ(property, kDisplayPictureProperty);
        pictures.push_back(value);
    }
    void SendCopyData(std::uint32_t dwData, std::span<const std::uint8_t> data) override {
        Call(failCopyData);
        EXPECT_EQ(dwData, kNowPlayingCopyDataId);
        blocks.emplace_back(data.begin(), data.end());
    }

    void SignIn(std::int32_t newStatus) { status = newStatus; }
    void SignOut() { status = static_cast<std::int32_t>(ClientStatus::Offline); }

private:
    void Call(bool fail) {
        ++calls;
        if (!running || fail) {
            throw MessengerError("client did not answer");
        }
    }
};

constexpr std::int32_t Status(ClientStatus s) {
    return static_cast<std::int32_t>(s);
}

class MsnControlTest : public testing::Test {
protected:
    MsnControlTest() {
        auto owned = std::make_unique<FakeClient>();
        client = owned.get();
        link = std::make_unique<TMsnControl>(std::move(owned));
        link->OnStateChange = [this](TMsnState s) {
            events.push_back("state " + std::to_string(s));
        };
        link->OnFriendlyNameChange = [this](const std::string& n) {
            events.push_back("name " + n);
        };
        folder = fs::temp_directory_path() /
                 ("tw-msn-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                  "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder);
    }
    ~MsnControlTest() override { fs::remove_all(folder); }

    std::string MakeFile(const std::string& leaf) {
        const fs::path path = folder / leaf;
        std::ofstream(path) << "BM";
        return path.string();
    }
    std::vector<std::string> TakeEvents() { return std::exchange(events, {}); }
    void Tick() { link->Poller().Tick(); }

    FakeClient* client = nullptr;
    std::unique_ptr<TMsnControl> link;
    std::vector<std::string> events;
    fs::path folder;
};

using Events = std::vector<std::string>;

TEST(MsnStatusMapping, MapsEveryClientValue) {
    struct Case {
        std::int32_t client;
        bool signedIn;
        TMsnState state;
    };
    const Case cases[] = {
        {1, false, 0},    {2, true, 1},    {6, true, 0},    {10, true, 2},
        {14, true, 3},    {18, true, 0},   {34, true, 4},   {50, true, 5},
        {66, true, 6},    {256, false, 0}, {512, false, 0}, {768, false, 0},
        {1024, false, 0}, {0, true, 0},    {3, true, 0},    {-1, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.client);
        EXPECT_EQ(IsSignedInStatus(c.client), c.signedIn);
        EXPECT_EQ(MapClientStatus(c.client), c.state);
    }
}

TEST_F(MsnControlTest, FirstPollAnnouncesNameAndStoresStatusSilently) {
    client->SignIn(Status(ClientStatus::Busy));
    EXPECT_FALSE(link->StateKnown());
    Tick();
    EXPECT_EQ(TakeEvents(), Events{"name Alice"});
    EXPECT_EQ(link->State(), 2);
    EXPECT_TRUE(link->StateKnown());

    client->SignIn(Status(ClientStatus::Away));
    Tick();
    EXPECT_EQ(TakeEvents(), Events{"state 4"});
    Tick();
    EXPECT_EQ(TakeEvents(), Events{});
}

TEST_F(MsnControlTest, InvisibleAndSignOutAndSignInAgain) {
    Tick();
    TakeEvents();
    client->SignIn(Status(ClientStatus::Invisible));
    Tick();
    EXPECT_EQ(TakeEvents(), Events{"state 0"});
    EXPECT_EQ(link->FriendlyName(), "Alice");

    client->SignIn(Status(ClientStatus::Online));
    Tick();
    client->SignOut();
    Tick();
    EXPECT_EQ(TakeEvents(), (Events{"state 1", "state 0", "name "}));
    EXPECT_EQ(link->FriendlyName(), "");
    EXPECT_TRUE(link->StateKnown());

    // Signing out from a status without a code announces only the empty name.
    client->SignIn(Status(ClientStatus::Idle));
    Tick();
    client->status = 1024;
    Tick();
    EXPECT_EQ(TakeEvents(), (Events{"name Alice", "name "}));

    client->SignIn(Status(ClientStatus::OutToLunch));
    Tick();
    EXPECT_EQ(TakeEvents(), (Events{"name Alice", "state 6"}));
}

TEST_F(MsnControlTest, ClientExitKeepsStateAndRestartAnnouncesOnlyADifferentStatus) {
    struct Case {
        ClientStatus afterRestart;
        Events expected;
    };
    const Case cases[] = {
        {ClientStatus::Busy, {}},
        {ClientStatus::Away, {"state 4"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.afterRestart));
        client->SignIn(Status(ClientStatus::Busy));
        Tick();
        Tick();
        TakeEvents();
        client->running = false;
        for (int i = 0; i < 3; ++i) {
            Tick();
        }
        EXPECT_EQ(TakeEvents(), Events{});
        EXPECT_EQ(link->State(), 2);
        EXPECT_EQ(link->FriendlyName(), "Alice");
        EXPECT_TRUE(link->StateKnown());

        client->running = true;
        client->SignIn(Status(c.afterRestart));
        Tick();
        EXPECT_EQ(TakeEvents(), c.expected);
    }
}

TEST_F(MsnControlTest, PollThatFindsTheClientGoneForgetsTheStatusWasKnown) {
    Tick();
    client->running = false;
    EXPECT_FALSE(link->Poll());
    EXPECT_FALSE(link->StateKnown());
    EXPECT_EQ(link->State(), 1);
    // The next signed-in poll stores the status silently again.
    client->running = true;
    client->SignIn(Status(ClientStatus::Away));
    TakeEvents();
    EXPECT_TRUE(link->Poll());
    EXPECT_EQ(TakeEvents(), Events{});
    EXPECT_EQ(link->State(), 4);
}

TEST_F(MsnControlTest, FailedCallsEndThePollAndKeepWhatWasStored) {
    Tick();
    TakeEvents();
    const std::string picture = MakeFile("a.bmp");
    link->SetDisplayPicture(picture);

    client->failStatus = true;
    client->SignIn(Status(ClientStatus::Away));
    Tick();
    EXPECT_EQ(TakeEvents(), Events{});
    // The picture waits for a client that answers.
    EXPECT_TRUE(link->Poller().Pending());
    EXPECT_TRUE(client->pictures.empty());

    client->failStatus = false;
    client->failName = true;
    client->name = "Bob";
    Tick();
    EXPECT_EQ(TakeEvents(), Events{});
    EXPECT_EQ(link->State(), 1);
    EXPECT_EQ(link->FriendlyName(), "Alice");
    EXPECT_TRUE(link->Poller().Pending());

    client->failName = false;
    Tick();
    EXPECT_EQ(TakeEvents(), (Events{"name Bob", "state 4"}));
    EXPECT_EQ(client->pictures, std::vector<std::string>{picture});
}

TEST_F(MsnControlTest, PictureWaitsForSignInAndForTheFile) {
    client->SignOut();
    const std::string picture = MakeFile("signed-out.bmp");
    link->SetDisplayPicture(picture);
    for (int i = 0; i < 3; ++i) {
        Tick();
    }
    EXPECT_TRUE(client->pictures.empty());
    client->running = false;
    Tick();
    client->running = true;
    client->SignIn(Status(ClientStatus::Online));
    Tick();
    EXPECT_EQ(client->pictures, std::vector<std::string>{picture});
    EXPECT_FALSE(link->Poller().Pending());

    const std::string later = (folder / "later.bmp").string();
    link->SetDisplayPicture(later);
    Tick();
    Tick();
    EXPECT_EQ(client->pictures.size(), 1u);
    MakeFile("later.bmp");
    Tick();
    EXPECT_EQ(client->pictures.back(), later);
    Tick();
    EXPECT_EQ(client->pictures.size(), 2u);
}

TEST_F(MsnControlTest, SecondRequestWithinATickReplacesTheFirst) {
    const std::string first = MakeFile("first.bmp");
    const std::string second = MakeFile("second.bmp");
    link->SetDisplayPicture(first);
    link->SetDisplayPicture(second);
    Tick();
    Tick();
    EXPECT_EQ(client->pictures, std::vector<std::string>{second});
}

TEST_F(MsnControlTest, RefusedPictureIsDroppedNotRetried) {
    link->SetDisplayPicture(MakeFile("refused.bmp"));
    client->failWrite = true;
    Tick();
    EXPECT_FALSE(link->Poller().Pending());
    client->failWrite = false;
    Tick();
    EXPECT_TRUE(client->pictures.empty());
}

TEST_F(MsnControlTest, PausedLinkDoesNotTouchTheClient) {
    link->SetPaused(true);
    EXPECT_TRUE(link->Paused());
    EXPECT_TRUE(link->Poller().Paused());
    link->SetDisplayPicture(MakeFile("p.bmp"));
    Tick();
    EXPECT_EQ(client->calls, 0);
    EXPECT_EQ(TakeEvents(), Events{});

    link->SetPaused(false);
    Tick();
    EXPECT_EQ(TakeEvents(), Events{"name Alice"});
    EXPECT_EQ(client->pictures.size(), 1u);
}

TEST_F(MsnControlTest, PersonalMessageGoesOnlyToARunningClient) {
    client->SignOut();
    link->SetPersonalMessage("Hi", "", 2);
    ASSERT_EQ(client->blocks.size(), 1u);
    EXPECT_EQ(client->blocks[0].size(), kNowPlayingBytes);
    EXPECT_EQ(DecodeNowPlayingBlock(client->blocks[0]),
              std::optional<std::string>(R"(vkt\0Music\01\0{2}\0\0\0Hi\0\0)"));

    client->running = false;
    link->SetPersonalMessage("Hi", "", 0);
    EXPECT_EQ(client->blocks.size(), 1u);

    client->running = true;
    client->failCopyData = true;
    EXPECT_NO_THROW(link->SetPersonalMessage("Hi", "", 0));
}

} // namespace
} // namespace tw
