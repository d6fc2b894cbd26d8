// Entry of the online search window tests: the program's link scheme is registered before the
// one QApplication, as the program does. Run as root, the browser's sandbox cannot start.
// With TILEWICK_OWN_XVFB defined, the tests get an X server of their own (Xvfb), so that real
// mouse clicks reach the browser.
#include "ui/online/ResultBrowser.h"

#include <QApplication>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

#ifdef TILEWICK_OWN_XVFB
namespace {

// An Xvfb on a free display for the life of the tests.
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
            setenv("DISPLAY", (":" + display).c_str(), 1);
            setenv("QT_QPA_PLATFORM", "xcb", 1);
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

private:
    pid_t pid_ = -1;
};

bool ListingOnly(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--gtest_list_tests") == 0)
            return true;
    return false;
}

} // namespace
#endif

int main(int argc, char** argv) {
    if (::geteuid() == 0)
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
#ifdef TILEWICK_OWN_XVFB
    std::unique_ptr<OwnXServer> xserver;
    if (!ListingOnly(argc, argv))
        xserver = std::make_unique<OwnXServer>();
#endif
    // Listing the tests, and the tests without an X server of their own, need no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    tw::RegisterProgramScheme();
    int result = 0;
    {
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    return result;
}
