#pragma once

// An X server of the tests' own (Xvfb on a free display) for the life of the object; DISPLAY
// points at it while it runs. Display() is empty when Xvfb could not start.
#include <csignal>
#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tw::test {

class OwnXServer {
public:
    OwnXServer() {
        int pipeFds[2];
        if (::pipe(pipeFds) != 0)
            return;
        const std::string fd = std::to_string(pipeFds[1]);
        const char* argv[] = {"Xvfb",         "-displayfd", fd.c_str(), "-screen", "0",
                              "1280x1024x24", "-nolisten",  "tcp",      nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
        if (::posix_spawnp(&pid_, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ) !=
            0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeFds[1]);
        std::string display;
        char c = 0;
        while (pid_ > 0 && ::read(pipeFds[0], &c, 1) == 1 && c != '\n')
            display += c;
        ::close(pipeFds[0]);
        if (!display.empty()) {
            display_ = ":" + display;
            setenv("DISPLAY", display_.c_str(), 1);
        }
    }
    ~OwnXServer() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    OwnXServer(const OwnXServer&) = delete;
    OwnXServer& operator=(const OwnXServer&) = delete;

    const std::string& Display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

} // namespace tw::test
