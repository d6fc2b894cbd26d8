#include "platform/InstanceLock.h"

#include "platform/Processes.h"
#include "support/RuntimeFixture.h"

#include <fstream>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tw {
namespace {

using Outcome = InstanceLock::Outcome;

class InstanceLockTest : public test::RuntimeFixture {
protected:
    // Runs `body` in a child process that then waits to be killed; returns its pid once
    // `body` has finished.
    template <typename Body> pid_t RunInChild(Body body) {
        int ready[2];
        EXPECT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            body();
            [[maybe_unused]] auto ignored = ::write(ready[1], "x", 1);
            while (true) {
                ::pause();
            }
        }
        char byte = 0;
        EXPECT_EQ(::read(ready[0], &byte, 1), 1);
        ::close(ready[0]);
        ::close(ready[1]);
        return child;
    }

    static void Kill(pid_t pid) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
};

TEST_F(InstanceLockTest, OnlyOneHolderPerNameAtATime) {
    const std::string name = "Global\\{8E3A-GUID}";
    {
        InstanceLock first(name);
        ASSERT_EQ(first.State(), Outcome::Acquired) << first.Error();
        EXPECT_EQ(InstanceLock(name).State(), Outcome::HeldElsewhere);
        EXPECT_EQ(InstanceLock("Global\\{other}").State(), Outcome::Acquired);
        EXPECT_EQ(InstanceLock("Global\\").State(), Outcome::Acquired);
    }
    EXPECT_EQ(InstanceLock(name).State(), Outcome::Acquired);
}

TEST_F(InstanceLockTest, CreateInstanceMutexAnswersFalseOnlyWhileAnotherProcessHoldsIt) {
    const pid_t holder = RunInChild([] { CreateInstanceMutex("Global\\app"); });
    EXPECT_FALSE(CreateInstanceMutex("Global\\app"));
    Kill(holder); // dies without any clean-up of its own
    EXPECT_TRUE(CreateInstanceMutex("Global\\app"));
    // This process holds it now, for the rest of its life.
    EXPECT_EQ(InstanceLock("Global\\app").State(), Outcome::HeldElsewhere);
}

TEST_F(InstanceLockTest, ProgramsStartedByTheHolderDoNotKeepTheLock) {
    const auto pidFile = root_ / "sleeper.pid";
    const pid_t holder = RunInChild([&] {
        CreateInstanceMutex("Global\\restart");
        RunProgram("/bin/sh -c 'echo $$ > " + pidFile.string() + ".tmp && mv " + pidFile.string() +
                   ".tmp " + pidFile.string() + " && exec sleep 30'");
    });
    Kill(holder);
    while (!std::filesystem::exists(pidFile)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_t sleeper = 0;
    std::ifstream(pidFile) >> sleeper;
    ASSERT_GT(sleeper, 0);
    ASSERT_EQ(::kill(sleeper, 0), 0); // the started program still runs
    EXPECT_EQ(InstanceLock("Global\\restart").State(), Outcome::Acquired);
    ::kill(sleeper, SIGKILL);
}

TEST_F(InstanceLockTest, UnusableRuntimeFolderCountsAsFirstInstance) {
    const auto file = root_ / "plain-file";
    { std::ofstream(file) << "x"; }
    ::setenv("XDG_RUNTIME_DIR", file.c_str(), 1);
    const InstanceLock lock("Global\\x");
    EXPECT_EQ(lock.State(), Outcome::Failed);
    EXPECT_NE(lock.Error().find("plain-file"), std::string::npos) << lock.Error();
    EXPECT_TRUE(CreateInstanceMutex("Global\\x"));
}

} // namespace
} // namespace tw
