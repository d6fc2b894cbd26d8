// The Messenger link against the real stand-in program: what the user's actions in the client
// make the link announce, what reaches the client, and a client that hangs or dies mid-call.
#include "core/messenger/BusMessengerClient.h"
#include "core/messenger/uMsnControl.h"
#include "platform/MessageWindows.h"
#include "support/RuntimeFixture.h"
#include "support/StandInProcess.h"

#include <fstream>
#include <gtest/gtest.h>
#include <thread>

namespace tw {
namespace {

using namespace std::chrono_literals;
using test::Args;
using test::Command;
using test::StandIn;
using Events = std::vector<std::string>;

class MessengerE2ETest : public test::RuntimeFixture {
protected:
    void SetUp() override {
        RuntimeFixture::SetUp();
        log_ = root_ / "calls.jsonl";
    }

    void Link(BusMessengerClient::Timing timing = {}) {
        link_ = std::make_unique<TMsnControl>(std::make_unique<BusMessengerClient>(timing));
        link_->OnStateChange = [this](TMsnState s) {
            events_.push_back("state " + std::to_string(s));
        };
        link_->OnFriendlyNameChange = [this](const std::string& n) {
            events_.push_back("name " + n);
        };
    }
    void Tick() { link_->Poller().Tick(); }
    Events TakeEvents() { return std::exchange(events_, {}); }

    // The lines of the stand-in's log that record `call`.
    std::vector<std::string> Logged(const std::string& call) const {
        std::ifstream in(log_);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            if (line.find("\"call\":\"" + call + "\"") != std::string::npos) {
                lines.push_back(line);
            }
        }
        return lines;
    }

    // A 2 x 2 24-bit BMP file.
    std::string Bitmap(const std::string& leaf) const {
        const std::filesystem::path path = root_ / leaf;
        const unsigned char bmp[] = {'B', 'M', 70,  0, 0, 0, 0,  0, 0,   0,   54,  0,   0,   0,
                                     40,  0,   0,   0, 2, 0, 0,  0, 2,   0,   0,   0,   1,   0,
                                     24,  0,   0,   0, 0, 0, 16, 0, 0,   0,   0,   0,   0,   0,
                                     0,   0,   0,   0, 0, 0, 0,  0, 0,   0,   0,   0,   255, 0,
                                     0,   0,   255, 0, 0, 0, 0,  0, 255, 255, 255, 255, 0,   0};
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bmp), sizeof bmp);
        return path.string();
    }

    std::filesystem::path log_;
    std::unique_ptr<TMsnControl> link_;
    Events events_;
};

bool Has(const std::string& line, const std::string& piece) {
    return line.find(piece) != std::string::npos;
}

TEST_F(MessengerE2ETest, CommandsReportWhatWentWrong) {
    struct Case {
        Args command;
        int exitCode;
    };
    const Case withoutClient[] = {
        {{"running"}, 1},
        {{"sign-in"}, 1},
        {{"status", "busy"}, 1},
        {{"--log", (root_ / "missing" / "calls.jsonl").string(), "--headless"}, 1},
        {{"--status", "dancing", "--headless"}, 2},
        {{"--hang-on", "everything", "--headless"}, 2},
    };
    for (const Case& c : withoutClient) {
        SCOPED_TRACE(c.command.front());
        EXPECT_EQ(Command(c.command), c.exitCode);
    }
    StandIn client(log_, {});
    const Case withClient[] = {
        {{"running"}, 0},        {{"status", "dancing"}, 2}, {{"dance"}, 2},
        {{"sign-in", "now"}, 2}, {{"status", "66"}, 0},
    };
    for (const Case& c : withClient) {
        SCOPED_TRACE(c.command.front());
        EXPECT_EQ(Command(c.command), c.exitCode);
    }
}

TEST_F(MessengerE2ETest, StatusAndNameFollowTheClient) {
    StandIn client(log_, {"--name", "Alice", "--status", "busy"});
    Link();
    Tick();
    EXPECT_EQ(TakeEvents(), Events{"name Alice"});
    EXPECT_EQ(link_->State(), 2);

    struct Step {
        Args command;
        Events expected;
    };
    const Step steps[] = {
        {{"status", "away"}, {"state 4"}},
        {{"status", "away"}, {}},
        {{"status", "invisible"}, {"state 0"}},
        {{"status", "online"}, {"state 1"}},
        {{"name", "Alice \xE2\x99\xAA"}, {"name Alice \xE2\x99\xAA"}},
        {{"sign-out"}, {"state 0", "name "}},
        {{"sign-in"}, {"name Alice \xE2\x99\xAA", "state 1"}},
        {{"status", "idle"}, {"state 0"}},
        {{"status", "offline"}, {"name "}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.command.front() + " " + step.command.back());
        ASSERT_EQ(Command(step.command), 0);
        Tick();
        EXPECT_EQ(TakeEvents(), step.expected);
    }
}

TEST_F(MessengerE2ETest, ClosedClientKeepsTheStateAndARestartAnnouncesOnlyAChange) {
    struct Case {
        std::string restartStatus;
        Events expected;
    };
    const Case cases[] = {{"busy", {}}, {"lunch", {"state 6"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.restartStatus);
        Link();
        {
            StandIn client(log_, {"--name", "Alice", "--status", "busy"});
            Tick();
            Tick();
            TakeEvents();
            client.Quit();
        }
        EXPECT_FALSE(link_->Client().IsRunning());
        for (int i = 0; i < 3; ++i) {
            Tick();
        }
        EXPECT_EQ(TakeEvents(), Events{});
        EXPECT_EQ(link_->State(), 2);
        EXPECT_EQ(link_->FriendlyName(), "Alice");

        StandIn restarted(log_, {"--name", "Alice", "--status", c.restartStatus});
        Tick();
        EXPECT_EQ(TakeEvents(), c.expected);
        restarted.Quit();
    }
}

TEST_F(MessengerE2ETest, DisplayPictureWaitsForSignInAndOnlyTheLastRequestIsSet) {
    StandIn client(log_, {"--signed-out"});
    Link();
    const std::string first = Bitmap("first.bmp");
    const std::string second = Bitmap("second.bmp");
    link_->SetDisplayPicture(first);
    Tick();
    link_->SetDisplayPicture(second);
    Tick();
    EXPECT_TRUE(Logged("writeProperty").empty());

    ASSERT_EQ(Command({"sign-in"}), 0);
    Tick();
    Tick();
    const auto written = Logged("writeProperty");
    ASSERT_EQ(written.size(), 1u);
    EXPECT_TRUE(Has(written[0], "\"value\":\"" + second + "\"")) << written[0];
    EXPECT_TRUE(Has(written[0], "\"ok\":true")) << written[0];

    // A file the client cannot read makes the call fail; the request is not tried again.
    const std::string broken = (root_ / "broken.bmp").string();
    std::ofstream(broken) << "not a picture";
    link_->SetDisplayPicture(broken);
    Tick();
    Tick();
    const auto all = Logged("writeProperty");
    ASSERT_EQ(all.size(), 2u);
    EXPECT_TRUE(Has(all[1], "\"ok\":false")) << all[1];
    EXPECT_FALSE(link_->Poller().Pending());
}

TEST_F(MessengerE2ETest, PersonalMessagesArriveDecoded) {
    StandIn client(log_, {});
    Link();
    struct Case {
        std::string message, url;
        int icon;
        std::vector<std::string> logged; // pieces of the stand-in's log line
    };
    const Case cases[] = {
        {"Hi",
         "",
         0,
         {R"("text":"vkt\\0\\00\\0{2}\\0\\0\\0Hi\\0\\0")", R"("category":"")", R"("enabled":false)",
          R"("message":"Hi")", R"("url":"")"}},
        {"Hi",
         "",
         2,
         {R"("text":"vkt\\0Music\\01\\0{2}\\0\\0\\0Hi\\0\\0")", R"("category":"Music")",
          R"("enabled":true)", R"("message":"Hi")"}},
        {"Caf\xC3\xA9",
         "http://127.0.0.1/",
         1,
         {R"("category":"Office")", "\"message\":\"Caf\xC3\xA9\"", R"("url":"http://127.0.0.1/")"}},
        {std::string(200, 'x'), "", 0, {R"("text":"")"}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.message.size());
        link_->SetPersonalMessage(c.message, c.url, c.icon);
        const auto lines = Logged("copyData");
        ASSERT_EQ(lines.size(), i + 1);
        for (const std::string& piece : c.logged) {
            EXPECT_TRUE(Has(lines.back(), piece)) << piece << " in " << lines.back();
        }
        EXPECT_TRUE(Has(lines.back(), R"("bytes":256,)")) << lines.back();
        EXPECT_TRUE(Has(lines.back(), R"("dwData":1351,)")) << lines.back();
    }
}

TEST_F(MessengerE2ETest, HangingClientCostsOneTimeOutThenTheLinkGoesOn) {
    StandIn client(
        log_, {"--name", "Alice", "--status", "busy", "--hang-on", "name", "--hang-for", "2000"});
    const BusMessengerClient::Timing timing{300ms, 1000ms};
    Link(timing);
    link_->SetDisplayPicture(Bitmap("p.bmp"));

    const auto started = std::chrono::steady_clock::now();
    Tick();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1500ms);
    EXPECT_EQ(TakeEvents(), Events{});
    EXPECT_FALSE(link_->StateKnown());
    EXPECT_TRUE(link_->Poller().Pending());

    // Ticks while the client rests give up at once.
    const auto resting = std::chrono::steady_clock::now();
    Tick();
    EXPECT_LT(std::chrono::steady_clock::now() - resting, timing.CallTimeout);
    EXPECT_EQ(TakeEvents(), Events{});

    // After the rest the client is asked again, and again costs one bounded wait.
    std::this_thread::sleep_for(timing.RestAfterTimeout);
    const auto again = std::chrono::steady_clock::now();
    Tick();
    EXPECT_LT(std::chrono::steady_clock::now() - again, 1500ms);
    EXPECT_TRUE(link_->Poller().Pending());

    // The user ends the hung client and starts it again: the link picks it up.
    client.Kill();
    StandIn healthy(log_, {"--name", "Alice", "--status", "busy"});
    std::this_thread::sleep_for(timing.RestAfterTimeout);
    Tick();
    EXPECT_EQ(TakeEvents(), Events{"name Alice"});
    EXPECT_EQ(link_->State(), 2);
    EXPECT_FALSE(link_->Poller().Pending());
    EXPECT_EQ(Logged("writeProperty").size(), 1u);
}

TEST_F(MessengerE2ETest, ClientDyingMidCallLeavesTheLinkWorking) {
    StandIn client(log_, {"--name", "Alice", "--status", "busy", "--die-on", "picture"});
    Link();
    Tick();
    TakeEvents();
    link_->SetDisplayPicture(Bitmap("p.bmp"));
    Tick();
    const auto status = client.End();
    ASSERT_TRUE(status);
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 3);
    EXPECT_FALSE(link_->Poller().Pending());
    link_->SetPersonalMessage("Hi", "", 0);
    Tick();
    EXPECT_EQ(TakeEvents(), Events{});
    EXPECT_EQ(link_->State(), 2);
    EXPECT_EQ(link_->FriendlyName(), "Alice");

    StandIn restarted(log_, {"--name", "Alice", "--status", "away"});
    Tick();
    EXPECT_EQ(TakeEvents(), Events{"state 4"});
}

} // namespace
} // namespace tw
