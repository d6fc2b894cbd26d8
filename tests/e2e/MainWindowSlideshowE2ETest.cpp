// The whole program beside the Messenger stand-in: a collection of pictures tied to online,
// busy and no status; the stand-in's display picture follows its status within a poll, the
// slideshow rotates at the set delay and the stand-in shows each entry's personal message.
#include "core/app/uSettings.h"
#include "core/collection/uCollectionFile.h"
#include "core/collection/uMsnHeadManager.h"
#include "core/image/Codecs.h"
#include "support/RuntimeFixture.h"
#include "support/StandInLog.h"
#include "support/StandInProcess.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

namespace tw::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Entry i: one colour, a status and a personal message.
const struct {
    std::uint8_t red;
    TMsnState state;
    const char* message;
} kEntries[] = {
    {40, 1, "online one"}, {100, 2, "busy one"}, {160, 0, "no status"}, {220, 1, "online two"}};

// Which entry a display picture file shows, by the red of its middle pixel.
int EntryOf(const std::string& file) {
    const Picture picture = LoadPicture(file);
    const int red = picture.Row(picture.Height() / 2)[picture.Stride() / 2 / 3 * 3];
    for (int i = 0; i < static_cast<int>(std::size(kEntries)); ++i) {
        if (std::abs(red - kEntries[i].red) <= 8) {
            return i;
        }
    }
    return -1;
}

class MainWindowSlideshowE2ETest : public RuntimeFixture {
protected:
    void SetUp() override {
        RuntimeFixture::SetUp();
        ::setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
        ::setenv("TILEWICK_COMMON_APPDATA", (root_ / "common").c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        const TSettings constants(fs::path(TILEWICK_PROGRAM).parent_path().string() + "/");
        const std::string folder = constants.ReadConstString("App.ConfigPath", "Tilewick");
        // Whichever data folder the first start chooses holds the collection and a delay.
        const fs::path data[] = {root_ / "common" / folder, root_ / "config" / folder};
        WriteCollection(data[0] / "default.vkt");
        fs::create_directories(data[1]);
        fs::copy_file(data[0] / "default.vkt", data[1] / "default.vkt");
        for (const fs::path& folderPath : data) {
            std::ofstream(folderPath / "Setting.dat") << "[setting]\nDelayTime=5\nSwitchON=1\n";
        }
    }
    void TearDown() override {
        for (const char* name : {"XDG_CONFIG_HOME", "TILEWICK_COMMON_APPDATA", "QT_QPA_PLATFORM"}) {
            ::unsetenv(name);
        }
        RuntimeFixture::TearDown();
    }

    void WriteCollection(const fs::path& file) const {
        fs::create_directories(file.parent_path());
        TMsnHeadManager manager(root_ / "maker");
        manager.SetStateIcons({Picture(24, 24, 1), Picture(24, 24, 2), Picture(24, 24, 3)});
        for (std::size_t i = 0; i < std::size(kEntries); ++i) {
            Picture picture(120, 120, 30);
            for (int y = 0; y < picture.Height(); ++y) {
                for (int x = 0; x < picture.Width(); ++x) {
                    picture.Row(y)[3 * x] = kEntries[i].red;
                }
            }
            const fs::path source = root_ / ("picture" + std::to_string(i) + ".bmp");
            const std::vector<std::uint8_t> bytes = EncodeBmp24(picture);
            std::ofstream(source, std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
            const int entry = manager.AddPictureFile(source, false);
            ASSERT_EQ(entry, static_cast<int>(i));
            manager.SetState(entry, kEntries[i].state);
            manager.SetPersonal(entry, kEntries[i].message, 2, "http://127.0.0.1/");
        }
        TCollectionFile(manager).SaveToFile(file, false);
    }
};

TEST_F(MainWindowSlideshowE2ETest, DisplayPictureFollowsTheStatusAndTheSlideshowRotates) {
    const fs::path logFile = root_ / "calls.jsonl";
    StandIn client(logFile, {"--name", "Alice", "--status", "online"});
    StandInLog log(logFile, EntryOf);
    const pid_t program = SpawnProgram(TILEWICK_PROGRAM, {});
    std::vector<Taken> taken;
    const auto waitFor = [&](auto done, std::chrono::milliseconds limit) {
        const qint64 until = log.Elapsed() + limit.count();
        while (!done() && log.Elapsed() < until) {
            std::this_thread::sleep_for(20ms);
            for (Taken& t : log.Take()) {
                taken.push_back(std::move(t));
            }
        }
        return done();
    };
    const auto pictures = [&] {
        std::vector<Taken> found;
        std::copy_if(taken.begin(), taken.end(), std::back_inserter(found),
                     [](const Taken& t) { return t.call == "picture"; });
        return found;
    };

    // The program has started and polls the client.
    ASSERT_TRUE(waitFor([&] { return !taken.empty() || fs::file_size(logFile) > 0; }, 30s));
    std::this_thread::sleep_for(1s);
    for (const char* status : {"busy", "online"}) {
        SCOPED_TRACE(status);
        taken.clear();
        ASSERT_EQ(Command({"status", status}), 0);
        const qint64 asked = log.Elapsed();
        ASSERT_TRUE(waitFor([&] { return !pictures().empty(); }, 3s));
        const int expected = std::string(status) == "busy" ? 1 : 0;
        EXPECT_EQ(pictures().front().entry, expected);
        // One poll is 500 ms; the client's own calls and the export take a little more.
        EXPECT_LE(pictures().front().at - asked, 1500);
        const auto message = std::find_if(taken.begin(), taken.end(),
                                          [](const Taken& t) { return t.call == "message"; });
        ASSERT_NE(message, taken.end());
        EXPECT_EQ(message->value, kEntries[expected].message);
        EXPECT_EQ(message->category, "Music");
    }

    // Online: the slideshow takes turns between the two online entries every 5 s.
    taken.clear();
    waitFor([&] { return pictures().size() >= 3; }, 20s);
    const std::vector<Taken> shown = pictures();
    ASSERT_GE(shown.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(shown[k].entry, k % 2 == 0 ? 3 : 0) << k;
    }
    for (std::size_t k = 1; k < shown.size(); ++k) {
        EXPECT_GE(shown[k].at - shown[k - 1].at, 4400) << k;
        EXPECT_LE(shown[k].at - shown[k - 1].at, 6500) << k;
    }

    ::kill(program, SIGTERM);
    EXPECT_TRUE(WaitFor(program, 30s).has_value());
}

} // namespace
} // namespace tw::test
