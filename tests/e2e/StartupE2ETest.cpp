// The real program started as separate processes: single instance, hand-over of a second
// start, the stop and restart switches, and what a crash leaves behind.
#include "core/app/uSettings.h"
#include "core/app/uStartup.h"
#include "core/app/uUtils.h"
#include "platform/InstanceLock.h"
#include "platform/MessageWindows.h"
#include "support/RuntimeFixture.h"
#include "support/ServedWindow.h"

#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace tw {
namespace {

using namespace std::chrono_literals;
using Args = std::vector<std::string>;

constexpr auto kStartTimeout = 30s; // generous: sanitizer builds start slowly
constexpr auto kEndTimeout = 30s;

// One started tilewick process, its standard error kept in a file.
class Program {
public:
    Program(const std::filesystem::path& log, const Args& args,
            const std::vector<std::string>& extraEnv = {})
        : log_(log) {
        std::vector<std::string> env = extraEnv;
        for (char** var = environ; *var != nullptr; ++var) {
            env.emplace_back(*var);
        }
        std::vector<std::string> argv = {TILEWICK_PROGRAM};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> argp, envp;
        for (auto& a : argv) {
            argp.push_back(a.data());
        }
        for (auto& e : env) {
            envp.push_back(e.data());
        }
        argp.push_back(nullptr);
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(),
                                         O_WRONLY | O_CREAT | O_APPEND, 0600);
        EXPECT_EQ(
            ::posix_spawn(&pid_, TILEWICK_PROGRAM, &actions, nullptr, argp.data(), envp.data()), 0);
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Program() {
        if (!status_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    pid_t Pid() const { return pid_; }

    // The exit status once the process has ended, nothing if it still runs after `timeout`.
    std::optional<int> Wait(std::chrono::milliseconds timeout = kEndTimeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!status_) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                status_ = status;
            } else if (std::chrono::steady_clock::now() > deadline) {
                break;
            } else {
                std::this_thread::sleep_for(10ms);
            }
        }
        return status_;
    }
    bool Running() { return !Wait(0ms); }

    // The events it traced, without the "tilewick[pid]: " prefix.
    std::vector<std::string> Events() const {
        const std::string prefix = "tilewick[" + std::to_string(pid_) + "]: ";
        std::ifstream in(log_);
        std::vector<std::string> events;
        for (std::string line; std::getline(in, line);) {
            if (line.rfind(prefix, 0) == 0) {
                events.push_back(line.substr(prefix.size()));
            }
        }
        return events;
    }

private:
    std::filesystem::path log_;
    pid_t pid_ = -1;
    std::optional<int> status_;
};

bool EndedNormally(std::optional<int> status) {
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
}

bool Contains(const std::vector<std::string>& events, const std::string& event) {
    return std::find(events.begin(), events.end(), event) != events.end();
}

class StartupE2ETest : public test::RuntimeFixture {
protected:
    void SetUp() override {
        RuntimeFixture::SetUp();
        for (const char* folder : {"config", "common"}) {
            std::filesystem::create_directory(root_ / folder);
        }
        ::setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
        ::setenv("TILEWICK_COMMON_APPDATA", (root_ / "common").c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("TILEWICK_TRACE", "1", 1);
        const TSettings constants(std::filesystem::path(TILEWICK_PROGRAM).parent_path().string() +
                                  "/");
        appId_ = constants.ReadConstInteger("App.ID", 0);
        lockName_ = "Global\\" + constants.ReadConstString("App.GUID");
    }

    std::unique_ptr<Program> Start(const Args& args,
                                   const std::vector<std::string>& extraEnv = {}) {
        return std::make_unique<Program>(root_ / "trace.log", args, extraEnv);
    }

    // Starts the first instance and waits until its main window answers.
    std::unique_ptr<Program> StartFirst(const Args& args = {}) {
        auto program = Start(args);
        const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
        while (!FindRunningInstance(appId_)) {
            if (!program->Running() || std::chrono::steady_clock::now() > deadline) {
                ADD_FAILURE() << "no main window from the first instance";
                break;
            }
            std::this_thread::sleep_for(20ms);
        }
        return program;
    }

    // Runs a second process to its end and expects it to end normally.
    std::vector<std::string> RunToEnd(const Args& args) {
        auto program = Start(args);
        EXPECT_TRUE(EndedNormally(program->Wait())) << (args.empty() ? "" : args.front());
        return program->Events();
    }

    bool NothingRunning() const {
        return FindWindows(kMainFormClass).empty() &&
               InstanceLock(lockName_).State() == InstanceLock::Outcome::Acquired;
    }

    int appId_ = 0;
    std::string lockName_;
};

TEST_F(StartupE2ETest, SecondStartFrontsTheFirstAndForwardsOnlyAFileArgument) {
    auto first = StartFirst();
    ASSERT_TRUE(Contains(first->Events(), "role first"));
    const struct {
        Args args;
        std::optional<std::string> forwarded;
    } cases[] = {
        {{}, std::nullopt},
        {{"/home/u/my pictures/My.vkt"}, "/home/u/my pictures/My.vkt"},
        {{"relative/\xC3\xA4 \"q\".vkt", "-x"}, "relative/\xC3\xA4 \"q\".vkt"},
        {{"-autorun"}, std::nullopt},
        {{"/foo"}, std::nullopt},
        {{"\\s"}, "\\s"},             // not the stop switch: a name like any other
        {{"\\autorun"}, "\\autorun"}, // the autorun switch, yet not switch-like to hand over
    };
    for (const auto& c : cases) {
        const std::string label = c.args.empty() ? "(no arguments)" : c.args.front();
        const std::size_t before = first->Events().size();
        const auto second = RunToEnd(c.args);
        EXPECT_TRUE(Contains(second, "role second")) << label;
        const auto all = first->Events();
        const std::vector<std::string> received(all.begin() + before, all.end());
        std::vector<std::string> expected = {"front"};
        if (c.forwarded) {
            expected.push_back("copydata " + BytesToHex(*c.forwarded));
        }
        EXPECT_EQ(received, expected) << label;
        ASSERT_TRUE(first->Running()) << label;
    }
    EXPECT_TRUE(FindRunningInstance(appId_));
}

TEST_F(StartupE2ETest, StopSwitchesEndTheRunningInstanceAndStartNothing) {
    for (const Args& args : {Args{"-S"}, Args{"/s"}, Args{"-r", "-s"}, Args{"/S", "/R"}}) {
        auto first = StartFirst();
        const auto stopper = RunToEnd(args);
        EXPECT_TRUE(Contains(stopper, "role stop")) << args.front();
        EXPECT_TRUE(EndedNormally(first->Wait())) << args.front();
        EXPECT_TRUE(Contains(first->Events(), "quit")) << args.front();
        EXPECT_TRUE(NothingRunning()) << args.front();
    }
}

TEST_F(StartupE2ETest, StopWithNothingRunningEndsQuietly) {
    EXPECT_EQ(RunToEnd({"-s"}), (std::vector<std::string>{"float 1/0=inf", "role stop"}));
    EXPECT_TRUE(NothingRunning());
}

TEST_F(StartupE2ETest, RestartReplacesTheRunningInstance) {
    auto old = StartFirst();
    auto restarted = Start({"-r"});
    EXPECT_TRUE(EndedNormally(old->Wait()));
    EXPECT_TRUE(Contains(old->Events(), "quit"));
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    std::optional<WindowHandle> window;
    while (!(window = FindRunningInstance(appId_)) && restarted->Running() &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
    }
    ASSERT_TRUE(window);
    EXPECT_TRUE(restarted->Running());
    EXPECT_TRUE(Contains(restarted->Events(), "role first"));
    EXPECT_NE(window->Socket.filename().string().find("." + std::to_string(restarted->Pid()) + "."),
              std::string::npos);
}

TEST_F(StartupE2ETest, RestartBecomesASecondInstanceWhenTheOldOneDoesNotEnd) {
    // An old instance that is asked to quit but does not: it keeps the lock and its window.
    InstanceLock lock(lockName_);
    ASSERT_EQ(lock.State(), InstanceLock::Outcome::Acquired);
    test::ServedWindow old(kMainFormClass, [this](const WindowMessage& m) -> std::int64_t {
        return m.Msg == WM_GETAPPID ? appId_ : 0;
    });
    const auto events = RunToEnd({"-r"});
    EXPECT_TRUE(Contains(events, "role second"));
    std::vector<std::uint32_t> received;
    for (const auto& m : old.Received()) {
        received.push_back(m.Msg);
    }
    EXPECT_EQ(received, (std::vector<std::uint32_t>{WM_GETAPPID, WM_QUITAPP, WM_GETAPPID,
                                                    WM_FORCEFOREGROUND}));
    EXPECT_EQ(FindWindows(kMainFormClass), std::vector{old.Handle()}); // no window of its own
}

TEST_F(StartupE2ETest, ForeignWindowOfTheSameClassIsIgnored) {
    std::vector<std::uint32_t> foreignMessages;
    test::ServedWindow foreign(kMainFormClass, [this](const WindowMessage& m) -> std::int64_t {
        return m.Msg == WM_GETAPPID ? appId_ + 1 : 0;
    });
    auto first = StartFirst();
    ASSERT_EQ(FindWindows(kMainFormClass).front(), foreign.Handle()); // met first
    RunToEnd({"/data/a.vkt"});
    RunToEnd({"-s"});
    EXPECT_TRUE(EndedNormally(first->Wait()));
    const auto events = first->Events();
    EXPECT_TRUE(Contains(events, "front"));
    EXPECT_TRUE(Contains(events, "copydata " + BytesToHex(std::string("/data/a.vkt"))));
    EXPECT_TRUE(Contains(events, "quit"));
    for (const auto& m : foreign.Received()) {
        EXPECT_EQ(m.Msg, WM_GETAPPID);
    }
}

TEST_F(StartupE2ETest, KilledInstanceLeavesNothingThatBlocksTheNextStart) {
    auto killed = StartFirst();
    ::kill(killed->Pid(), SIGKILL);
    ASSERT_TRUE(killed->Wait());
    auto next = StartFirst();
    EXPECT_TRUE(Contains(next->Events(), "role first"));
    // The dead instance's socket has been cleared away; only the new window is left.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(BusFolder()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(StartupE2ETest, AutorunStartsHiddenUntilBroughtToTheFront) {
    auto first = StartFirst({"-autorun"});
    EXPECT_FALSE(Contains(first->Events(), "shown"));
    RunToEnd({});
    EXPECT_TRUE(Contains(first->Events(), "shown"));
}

TEST_F(StartupE2ETest, DivisionByZeroGivesInfinityEvenWithTrapsSwitchedOn) {
    auto program = Start({"-s"}, {std::string("LD_PRELOAD=") + TILEWICK_FPTRAP,
                                  "ASAN_OPTIONS=verify_asan_link_order=0"});
    const auto status = program->Wait();
    EXPECT_TRUE(EndedNormally(status))
        << (status && WIFSIGNALED(*status) ? "killed by signal " + std::to_string(WTERMSIG(*status))
                                           : "");
    EXPECT_TRUE(Contains(program->Events(), "float 1/0=inf"));
}

} // namespace
} // namespace tw
