// The slideshow and status controls against the real Messenger stand-in: the display picture
// follows the client's status within one poll, the slideshow rotates at its delay and the
// client shows each entry's personal message.
#include "EngineFixture.h"
#include "SlideshowWindow.h"
#include "core/app/uSettings.h"
#include "core/image/Codecs.h"
#include "core/messenger/BusMessengerClient.h"
#include "core/messenger/uMsnControl.h"
#include "support/StandInLog.h"
#include "support/StandInProcess.h"
#include "ui/main/uSlideshow.h"
#include "ui/main/uStatusControls.h"

#include <QLabel>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <optional>

namespace tw::test {
namespace {

namespace fs = std::filesystem;

// Entry i is tied to a status and has a one-colour picture of grey level 40 * (i + 1).
const struct {
    TMsnState state;
    const char* message;
    std::uint8_t icon;
} kEntries[] = {
    {1, "online one", 1}, {2, "busy one", 2}, {0, "no status", 0}, {1, "online two", 3}};

class SlideshowE2ETest : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        std::string runtime = (fs::temp_directory_path() / "tw-rt-XXXXXX").string();
        ASSERT_NE(::mkdtemp(runtime.data()), nullptr);
        Runtime = runtime;
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) {
            SavedRuntime = old;
        }
        ::setenv("XDG_RUNTIME_DIR", Runtime.c_str(), 1);
        Log = Runtime / "calls.jsonl";

        AddSlideshowComponents(*Main);
        Manager.emplace((Root / "data").string());
        Manager->SetStateIcons({Picture(24, 24, 1), Picture(24, 24, 2), Picture(24, 24, 3)});
        THeadArray heads;
        std::vector<Picture> thumbnails;
        for (std::size_t i = 0; i < std::size(kEntries); ++i) {
            THeadRec head;
            head.State = kEntries[i].state;
            head.PersonalMsg = kEntries[i].message;
            head.PersonalURL = "http://127.0.0.1/" + std::to_string(i);
            head.PersonalIcon = kEntries[i].icon;
            heads.push_back(head);
            thumbnails.emplace_back(96, 96, Grey(static_cast<int>(i)));
            thumbnails.insert(thumbnails.end(), 3, Picture(96, 96, 250));
        }
        Manager->ReplaceCollection({}, std::move(heads), std::move(thumbnails));
        Rows.rows = static_cast<int>(std::size(kEntries));
        Calls.emplace(Log, EntryOf);
    }
    void TearDown() override {
        Status.reset();
        Show.reset();
        Link.reset();
        Manager.reset();
        if (SavedRuntime) {
            ::setenv("XDG_RUNTIME_DIR", SavedRuntime->c_str(), 1);
        } else {
            ::unsetenv("XDG_RUNTIME_DIR");
        }
        fs::remove_all(Runtime);
        EngineFixture::TearDown();
    }

    static std::uint8_t Grey(int entry) { return static_cast<std::uint8_t>(40 * (entry + 1)); }

    // The window's controls with a link to the running client, started as at the first show.
    void Start() {
        Link.emplace(std::make_unique<BusMessengerClient>());
        Show.emplace(TSlideshowWidgets::Find(Main.get()), Rows, *Manager, *Engine);
        Status.emplace(TStatusWidgets::Find(Main.get()), Rows, *Manager, *Engine);
        Status->Attach(*Link, *Show);
        Show->LoadStartState();
    }

    std::vector<Taken> TakeLog() { return Calls->Take(); }

    // Which entry's picture a file the client took shows; -1 for none.
    static int EntryOf(const std::string& file) {
        const Picture picture = LoadPicture(file);
        for (int i = 0; i < static_cast<int>(std::size(kEntries)); ++i) {
            if (picture == Picture(96, 96, Grey(i))) {
                return i;
            }
        }
        return -1;
    }

    fs::path Runtime;
    std::optional<std::string> SavedRuntime;
    fs::path Log;
    std::optional<StandInLog> Calls;
    FakeRows Rows;
    std::optional<TMsnHeadManager> Manager;
    std::optional<TMsnControl> Link;
    std::optional<TSlideshowControls> Show;
    std::optional<TStatusControls> Status;
};

TEST_F(SlideshowE2ETest, DisplayPictureFollowsTheStatusWithinOnePoll) {
    StandIn client(Log, {"--name", "Alice", "--status", "online"});
    Settings().WriteBool("SwitchON", false);
    Start();
    Link->Poller().Tick();
    EXPECT_EQ(Component<QLabel>(*Main, "lbFriendlyName")->text(), "Alice");
    TakeLog();

    const struct {
        const char* status;
        int entry;
        const char* category;
        const char* label;
    } steps[] = {{"busy", 1, "Music", "Alice(Busy)"},
                 {"online", 0, "Office", "Alice(Online)"},
                 {"away", 2, "", "Alice(Away)"},
                 {"online", 0, "Office", "Alice(Online)"}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.status);
        ASSERT_EQ(Command({"status", step.status}), 0);
        Link->Poller().Tick();
        const std::vector<Taken> taken = TakeLog();
        ASSERT_EQ(taken.size(), 2u) << "the message at once, the picture in the same poll";
        EXPECT_EQ(taken[0].call, "message");
        EXPECT_EQ(taken[0].value, kEntries[step.entry].message);
        EXPECT_EQ(taken[0].category, step.category);
        EXPECT_EQ(taken[1].call, "picture");
        EXPECT_EQ(taken[1].entry, step.entry);
        EXPECT_EQ(Component<QLabel>(*Main, "lbFriendlyName")->text(), step.label);
    }
    EXPECT_FALSE(Show->Running()) << "status changes apply with the slideshow stopped";
}

TEST_F(SlideshowE2ETest, SlideshowRotatesAtTheSetDelay) {
    StandIn client(Log, {"--name", "Alice", "--status", "busy"});
    Settings().WriteInteger("DelayTime", kMinDelay);
    Settings().WriteBool("SwitchON", true);
    Start();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [this] { Link->Poller().Tick(); });
    poll.start(TMsnThread::Interval);
    QTest::qWait(1000);
    ASSERT_EQ(Command({"status", "online"}), 0);

    std::vector<Taken> pictures;
    std::vector<std::string> messages;
    const qint64 until = Calls->Elapsed() + 3 * kMinDelay * 1000;
    while (Calls->Elapsed() < until) {
        QTest::qWait(50);
        for (const Taken& taken : TakeLog()) {
            if (taken.call == "picture") {
                pictures.push_back(taken);
            } else {
                messages.push_back(taken.value);
            }
        }
    }
    // The status change shows the first online entry; each tick then the other one.
    ASSERT_GE(pictures.size(), 3u);
    std::vector<int> shown;
    for (const Taken& picture : pictures) {
        shown.push_back(picture.entry);
    }
    EXPECT_EQ(std::vector<int>(shown.begin(), shown.begin() + 3), (std::vector<int>{0, 3, 0}));
    for (std::size_t k = 2; k < pictures.size(); ++k) {
        const qint64 gap = pictures[k].at - pictures[k - 1].at;
        // A tick's picture reaches the client at the next poll, up to one interval later.
        EXPECT_GE(gap, kMinDelay * 1000 - 600) << k;
        EXPECT_LE(gap, kMinDelay * 1000 + 1500) << k;
    }
    ASSERT_GE(messages.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(messages.begin(), messages.begin() + 3),
              (std::vector<std::string>{"online one", "online two", "online one"}));
}

} // namespace
} // namespace tw::test
