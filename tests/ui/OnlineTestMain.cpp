// Entry of the online search window tests: the program's link scheme is registered before the
// one QApplication, as the program does. Run as root, the browser's sandbox cannot start.
// With TILEWICK_OWN_XVFB defined, the tests get an X server of their own (Xvfb), so that real
// mouse clicks reach the browser.
#include "../support/OwnXServer.h"
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
    std::unique_ptr<tw::test::OwnXServer> xserver;
    if (!ListingOnly(argc, argv)) {
        xserver = std::make_unique<tw::test::OwnXServer>();
        if (!xserver->Display().empty())
            setenv("QT_QPA_PLATFORM", "xcb", 1);
    }
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
