#pragma once

// Programs as separate processes; above all the Messenger stand-in (TILEWICK_MESSENGER): one
// that runs headless and logs every call it receives, and its one-shot subcommands.
#include "core/messenger/MessengerClient.h"
#include "platform/MessageWindows.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace tw::test {

using Args = std::vector<std::string>;

inline constexpr std::chrono::seconds kStandInTimeout{30}; // generous for sanitizer builds

// Starts `program` with `args` in this process's environment; its process id.
inline pid_t SpawnProgram(const std::string& program, const Args& args) {
    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> argp;
    for (auto& a : argv) {
        argp.push_back(a.data());
    }
    argp.push_back(nullptr);
    pid_t pid = -1;
    EXPECT_EQ(::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argp.data(), environ), 0);
    return pid;
}

// Starts the stand-in with `args` and returns its process id.
inline pid_t SpawnStandIn(const Args& args) {
    return SpawnProgram(TILEWICK_MESSENGER, args);
}

// The exit status once the process ended within `timeout`.
inline std::optional<int> WaitFor(pid_t pid, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            return status;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Runs a command of the stand-in to its end; its exit code.
inline int Command(const Args& args) {
    const auto status = WaitFor(SpawnStandIn(args), kStandInTimeout);
    return status && WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
}

// One running stand-in, headless, logging every call it receives.
class StandIn {
public:
    StandIn(const std::filesystem::path& log, Args args) {
        args.insert(args.end(), {"--headless", "--log", log.string()});
        pid_ = SpawnStandIn(args);
        const auto deadline = std::chrono::steady_clock::now() + kStandInTimeout;
        while (FindWindows(kMessengerWindowClass).empty() &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_FALSE(FindWindows(kMessengerWindowClass).empty()) << "the stand-in did not start";
    }
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;
    ~StandIn() {
        if (!ended_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    void Quit() {
        EXPECT_EQ(Command({"quit"}), 0);
        End();
    }
    void Kill() {
        ::kill(pid_, SIGKILL);
        End();
    }
    // Waits for the process to end; its exit status.
    std::optional<int> End() {
        const auto status = WaitFor(pid_, kStandInTimeout);
        ended_ = status.has_value();
        return status;
    }

private:
    pid_t pid_ = -1;
    bool ended_ = false;
};

} // namespace tw::test
