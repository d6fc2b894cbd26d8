#include "core/app/uStartup.h"
#include "support/RuntimeFixture.h"
#include "support/ServedWindow.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

using test::ServedWindow;

TEST(StartupTest, CommandLineSwitchesAndForwardedArgument) {
    using Args = std::vector<std::string>;
    const struct {
        Args args;
        bool stop, restart, autorun;
        std::optional<std::string> forward;
    } cases[] = {
        {{}, false, false, false, std::nullopt},
        {{"/home/u/my pictures/my.vkt"}, false, false, false, "/home/u/my pictures/my.vkt"},
        {{"-S"}, true, false, false, std::nullopt},
        {{"/s"}, true, false, false, std::nullopt},
        {{"\\s"}, false, false, false, "\\s"}, // not a switch prefix for "s"
        {{"-autorun"}, false, false, true, std::nullopt},
        {{"\\AutoRun"}, false, false, true, "\\AutoRun"},
        {{"/foo"}, false, false, false, std::nullopt},
        {{"/a/b.vkt", "/s"}, true, false, false, "/a/b.vkt"},
        {{"relative/my.vkt"}, false, false, false, "relative/my.vkt"},
        {{"-r", "-s"}, true, true, false, std::nullopt},
        {{"my.vkt", "-r"}, false, true, false, "my.vkt"},
        {{"-sr"}, false, false, false, std::nullopt},
        {{"s"}, false, false, false, "s"},
        {{""}, false, false, false, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto options = ParseCommandLine(c.args);
        const std::string label = c.args.empty() ? "(none)" : c.args.front();
        EXPECT_EQ(options.Stop, c.stop) << label;
        EXPECT_EQ(options.Restart, c.restart) << label;
        EXPECT_EQ(options.Autorun, c.autorun) << label;
        EXPECT_EQ(options.Forward, c.forward) << label;
    }
}

class RunningInstanceTest : public test::RuntimeFixture {
protected:
    static constexpr int kAppId = 20071105;

    static MessageHandler AnswersId(int id) {
        return
            [id](const WindowMessage& m) -> std::int64_t { return m.Msg == WM_GETAPPID ? id : 0; };
    }

    static std::vector<std::uint32_t> Messages(ServedWindow& window) {
        std::vector<std::uint32_t> msgs;
        for (const auto& m : window.Received()) {
            msgs.push_back(m.Msg);
        }
        return msgs;
    }
};

TEST_F(RunningInstanceTest, OnlyTheWindowWithOurIdentityIsUsed) {
    ServedWindow foreign(kMainFormClass, AnswersId(kAppId + 1));
    ServedWindow otherClass("TfrmOther", AnswersId(kAppId));
    EXPECT_FALSE(FindRunningInstance(kAppId));
    EXPECT_FALSE(HandOverToRunningInstance(kAppId, "x.vkt"));
    EXPECT_FALSE(AskRunningInstanceToQuit(kAppId));

    ServedWindow ours(kMainFormClass, AnswersId(kAppId));
    ServedWindow later(kMainFormClass, AnswersId(kAppId));
    EXPECT_EQ(FindRunningInstance(kAppId), ours.Handle());

    ASSERT_TRUE(AskRunningInstanceToQuit(kAppId));
    // Asked for its identity by each search, then told to quit.
    EXPECT_EQ(Messages(ours), (std::vector<std::uint32_t>{WM_GETAPPID, WM_GETAPPID, WM_QUITAPP}));
    for (auto* bystander : {&foreign, &otherClass}) {
        for (const auto msg : Messages(*bystander)) {
            EXPECT_EQ(msg, WM_GETAPPID);
        }
    }
    EXPECT_TRUE(later.Received().empty());
}

TEST_F(RunningInstanceTest, HandOverBringsToFrontThenForwardsExactBytes) {
    ServedWindow ours(kMainFormClass, AnswersId(kAppId));
    const std::string path = "/tmp/p\xC3\xA4th with blanks/my.vkt";
    ASSERT_TRUE(HandOverToRunningInstance(kAppId, path));
    const auto received = ours.Received();
    ASSERT_EQ(Messages(ours), (std::vector<std::uint32_t>{WM_GETAPPID, WM_FORCEFOREGROUND,
                                                          WM_GETAPPID, WM_COPYDATA}));
    EXPECT_EQ(received.back().Data, path);
    EXPECT_EQ(received.back().DwData, 0u);
    EXPECT_EQ(received.back().WParam, 0);

    ServedWindow front(kMainFormClass, AnswersId(kAppId + 2)); // not ours: stays untouched
    ASSERT_TRUE(HandOverToRunningInstance(kAppId, std::nullopt));
    EXPECT_EQ(Messages(ours).back(), WM_FORCEFOREGROUND);
}

} // namespace
} // namespace tw
