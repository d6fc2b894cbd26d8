#include "OnlineFixture.h"
#include "core/online/uUpdateCheck.h"

#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tw {
namespace {

using namespace std::chrono;

constexpr const char* UpdateConstants = "App.Ver=4.2.0.0\n"
                                        "App.SubVer=3\n"
                                        "App.MagicWord=TILEWICK\n"
                                        "URL.update=http://127.0.0.1:8765/update/\n"
                                        "URL.help=%EXEPATH%help.htm\n"
                                        "URL.home=   \n"
                                        "URL.Redirect=http://127.0.0.1:8765/redirect?page=\n";

// 11 December 2026, 04:05:07.089 local time: day 46367 since 30 December 1899.
local_time<milliseconds> FixedNow() {
    return local_days{year{2026} / December / 11} + hours{4} + minutes{5} + seconds{7} +
           milliseconds{89};
}

TSystemFacts WindowsLikeFacts() {
    TSystemFacts facts;
    facts.VersionMajor = "5";
    facts.VersionMinor = "1";
    facts.VersionExtra = "Service Pack 3";
    facts.LanguageId = "de_CH";
    return facts;
}

class UpdateCheckTest : public test::OnlineFixture {
protected:
    UpdateCheckTest() { UseConstants(UpdateConstants); }
    TUpdateCheck MakeCheck(TSystemFacts facts = WindowsLikeFacts()) {
        return TUpdateCheck(Store(), "/opt/tilewick/", std::move(facts), FixedNow);
    }
};

TEST_F(UpdateCheckTest, QueryFieldsInOrderAndFormEncoded) {
    Store().WriteString("Language", "Deutsch & Co");
    EXPECT_EQ(MakeCheck().BuildQuery(),
              "&07089&PRODUCT=TILEWICK&PID=TILEWICK&LANG=Deutsch+%26+Co&DAY=0&VER=4200&SVER=3"
              "&WVER=5_1_Service+Pack+3&WLANG=de_CH&CHL=756E6B6E6F77");
}

TEST_F(UpdateCheckTest, BuildURLChoosesTheAddress) {
    const TUpdateCheck check = MakeCheck();
    const std::string query = check.BuildQuery();
    const struct {
        const char* page;
        bool withQuery;
        std::string expected;
    } cases[] = {
        {"help", true, "/opt/tilewick/help.htm"},
        {"help", false, "/opt/tilewick/help.htm"},
        {"update", true, "http://127.0.0.1:8765/update/?&ACTION=update" + query},
        {"update", false, "http://127.0.0.1:8765/update/"},
        // Blank or missing: the redirecting address, told the page by ACTION.
        {"home", true, "http://127.0.0.1:8765/redirect?page=&&ACTION=home" + query},
        {"other", false, "http://127.0.0.1:8765/redirect?page="},
    };
    for (const auto& c : cases)
        EXPECT_EQ(check.BuildURL(c.page, c.withQuery), c.expected) << c.page;

    UseConstants("URL.Redirect=http://127.0.0.1:8765/redirect\n");
    const TUpdateCheck bare = MakeCheck();
    EXPECT_EQ(bare.BuildURL("help", true),
              "http://127.0.0.1:8765/redirect?&ACTION=help" + bare.BuildQuery());
    EXPECT_EQ(bare.BuildURL("UPDATE", false), BuiltInUpdateURL) << "built in";
    UseConstants("");
    EXPECT_EQ(MakeCheck().BuildURL("help", true), "") << "nowhere to go";
}

TEST_F(UpdateCheckTest, ChannelIsTheHexOfItsFileNamePart) {
    const struct {
        std::optional<std::string> channel;
        const char* expected;
    } cases[] = {
        {std::nullopt, "756E6B6E6F77"},               // "unknow"
        {"web", "776562"},                            // as it is
        {"\"C:\\Setup\\partner\"", "706172746E6572"}, // "partner"
        {"mirror/disc", "64697363"},                  // "disc"
        {"a b", "612062"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChannelField(c.channel), c.expected) << c.channel.value_or("<none>");

    const test::TempFolder folder;
    const struct {
        const char* content;
        std::optional<std::string> expected;
    } files[] = {
        {"  partner-7 \r\nsecond line\n", "partner-7"},
        {"store", "store"},
        {"\n\nlater", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& f : files) {
        test::MakeFile(folder / "channel", f.content);
        EXPECT_EQ(ReadInstallChannel(folder / "channel"), f.expected) << f.content;
    }
    EXPECT_EQ(ReadInstallChannel(folder / "missing"), std::nullopt);
}

TEST_F(UpdateCheckTest, SystemFactsComeFromTheSystem) {
    const test::TempFolder folder;
    test::MakeFile(folder / "channel", "beta\n");
    const test::ScopedEnv channel("TILEWICK_CHANNEL_FILE", folder / "channel");
    const test::ScopedEnv all("LC_ALL", std::nullopt);
    const test::ScopedEnv messages("LC_MESSAGES", "pt_BR.UTF-8@euro");
    const TSystemFacts facts = CurrentSystemFacts();
    EXPECT_EQ(facts.Channel, "beta");
    EXPECT_EQ(facts.LanguageId, "pt_BR");
    EXPECT_FALSE(facts.VersionMajor.empty());

    const struct {
        const char* release;
        const char* major;
        const char* minor;
        const char* extra;
    } cases[] = {
        {"6.1.0-18-amd64", "6", "1", "0-18-amd64"},
        {"5.1", "5", "1", ""},
        {"7", "7", "", ""},
        {"", "", "", ""},
    };
    for (const auto& c : cases) {
        TSystemFacts split;
        SplitRelease(c.release, split);
        EXPECT_EQ(split.VersionMajor, c.major) << c.release;
        EXPECT_EQ(split.VersionMinor, c.minor) << c.release;
        EXPECT_EQ(split.VersionExtra, c.extra) << c.release;
    }
}

TEST(UpdateReplyTest, NamesWithoutRegardToCaseFirstWins) {
    const TUpdateReply reply = ParseUpdateReply("MagicWord=tilewick\r\nresult=1\r\n"
                                                "info=Version 5 is out\r\nno equals sign\n"
                                                "Page=http://127.0.0.1:8765/get\nResult=0\n");
    EXPECT_EQ(reply.MagicWord, "tilewick");
    EXPECT_EQ(reply.Result, 1);
    EXPECT_EQ(reply.Info, "Version 5 is out");
    EXPECT_EQ(reply.Page, "http://127.0.0.1:8765/get");
    EXPECT_EQ(ParseUpdateReply("Result=one").Result, 0);
    EXPECT_EQ(ParseUpdateReply("").Result, 0);
}

TEST(UpdateDecisionTest, TableOfOutcomes) {
    using O = TUpdateOutcome;
    const std::string good1 = "magicword=TILEWICK\nResult=1\ninfo=New\npage=http://h/new";
    const std::string good0 = "magicword=TILEWICK\nResult=0";
    const struct {
        const char* name;
        bool manual;
        bool succeeded;
        std::string body;
        bool autoCheck;
        bool noAutoCheck;
        O outcome;
        bool askAutoCheck;
    } cases[] = {
        {"auto, unreachable", false, false, "", true, false, O::Silent, false},
        {"manual, unreachable", true, false, good1, true, false, O::ConnectFailed, false},
        {"manual, empty reply", true, true, "", true, false, O::ConnectFailed, false},
        {"auto, wrong magic word", false, true, "magicword=OTHER\nResult=1", true, false, O::Silent,
         false},
        {"manual, wrong magic word", true, true, "Result=1", true, false, O::ConnectFailed, false},
        {"auto, automatic checks off", false, true, good1, false, false, O::Silent, false},
        {"auto, no automatic check by constant", false, true, good1, true, true, O::Silent, false},
        {"manual ignores both", true, true, good1, false, true, O::NewVersion, false},
        {"auto, up to date", false, true, good0, true, false, O::Silent, false},
        {"manual, up to date", true, true, good0, true, false, O::LatestVersion, false},
        {"auto, new version", false, true, good1, true, false, O::NewVersion, true},
        {"manual, other result", true, true, "magicword=TILEWICK\nResult=2", true, false, O::Silent,
         false},
    };
    for (const auto& c : cases) {
        const TUpdateDecision decision =
            DecideUpdate({c.manual, c.succeeded, c.body, "TILEWICK", c.autoCheck, c.noAutoCheck});
        EXPECT_EQ(decision.Outcome, c.outcome) << c.name;
        EXPECT_EQ(decision.AskAutoCheck, c.askAutoCheck) << c.name;
        if (c.outcome == O::NewVersion) {
            EXPECT_EQ(decision.Info, "New") << c.name;
            EXPECT_EQ(decision.Page, "http://h/new") << c.name;
        }
    }
    const TUpdateDecision local = DecideUpdate(
        {true, true, "magicword=TILEWICK\nResult=1\npage=file:///bin/sh", "TILEWICK", true, false});
    EXPECT_EQ(local.Outcome, O::NewVersion);
    EXPECT_EQ(local.Page, "") << "only web pages are opened";
}

// Records the prompts and gives scripted answers.
class FakePrompts : public IUpdatePrompts {
public:
    bool confirm = false;
    bool keep = true;
    std::vector<std::string> log;

    void ShowLatestVersion() override { log.push_back("latest"); }
    bool ConfirmNewVersion(const std::string& info) override {
        log.push_back("info:" + info);
        return confirm;
    }
    bool KeepAutoCheck() override {
        log.push_back("ask");
        return keep;
    }
    void ShowConnectFailed() override { log.push_back("1011"); }
    void OpenURL(const std::string& url) override { log.push_back("open:" + url); }
};

TEST_F(UpdateCheckTest, CompletionRunsThePrompts) {
    const std::string newVersion = "magicword=TILEWICK\r\nResult=1\r\ninfo=Get 5.0\r\n"
                                   "page=http://127.0.0.1:8765/get\r\n";
    const struct {
        const char* name;
        bool manual;
        bool autoCheck;
        bool succeeded;
        std::string body;
        bool confirm;
        bool keep;
        std::vector<std::string> log;
        bool autoCheckAfter;
    } cases[] = {
        {"start-up check with automatic checks off",
         false,
         false,
         true,
         newVersion,
         true,
         true,
         {},
         false},
        {"Cancel then No turns automatic checks off",
         false,
         true,
         true,
         newVersion,
         false,
         false,
         {"info:Get 5.0", "ask"},
         false},
        {"Cancel then Yes keeps them",
         false,
         true,
         true,
         newVersion,
         false,
         true,
         {"info:Get 5.0", "ask"},
         true},
        {"OK opens the page",
         false,
         true,
         true,
         newVersion,
         true,
         true,
         {"info:Get 5.0", "open:http://127.0.0.1:8765/get"},
         true},
        {"manual Cancel asks nothing",
         true,
         true,
         true,
         newVersion,
         false,
         false,
         {"info:Get 5.0"},
         true},
        {"manual, service down", true, true, false, "", false, false, {"1011"}, true},
        {"manual, up to date",
         true,
         true,
         true,
         "magicword=tilewick\nresult=0",
         false,
         false,
         {"latest"},
         true},
    };
    for (const auto& c : cases) {
        Store().WriteBool("AutoCheckUpdate", c.autoCheck);
        Store().WriteInteger("LastUpdateDate", 0);
        TUpdateCheck check = MakeCheck();
        ASSERT_TRUE(c.manual ? check.CheckForUpdate(true) : check.StartupUpdateCheck()) << c.name;
        EXPECT_TRUE(check.Checking());
        FakePrompts prompts;
        prompts.confirm = c.confirm;
        prompts.keep = c.keep;
        check.iedNetConnectionComplete(c.succeeded, c.body, prompts);
        EXPECT_EQ(prompts.log, c.log) << c.name;
        EXPECT_EQ(Store().ReadBool("AutoCheckUpdate", true), c.autoCheckAfter) << c.name;
        EXPECT_EQ(Store().ReadInteger("LastUpdateDate", 0), 46367) << c.name;
        EXPECT_FALSE(check.Checking()) << c.name;
    }
}

TEST_F(UpdateCheckTest, OneCheckAtATimeAndALaterOneWorks) {
    TUpdateCheck check = MakeCheck();
    const auto first = check.StartupUpdateCheck();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->starts_with("http://127.0.0.1:8765/update/?&ACTION=update&07089&"));
    EXPECT_FALSE(check.CheckForUpdate(true)) << "no second download";
    EXPECT_TRUE(check.ManualCheck()) << "but the running one now reports";

    FakePrompts prompts;
    check.iedNetConnectionComplete(false, "", prompts);
    EXPECT_EQ(prompts.log, std::vector<std::string>{"1011"});
    EXPECT_TRUE(check.CheckForUpdate(true)) << "the failure cleared the flag";

    // A completion without a running check only records the day.
    TUpdateCheck idle = MakeCheck();
    Store().WriteInteger("LastUpdateDate", 0);
    FakePrompts none;
    idle.iedNetConnectionComplete(false, "", none);
    EXPECT_TRUE(none.log.empty());
    EXPECT_EQ(Store().ReadInteger("LastUpdateDate", 0), 46367);
}

} // namespace
} // namespace tw
