#include "platform/MessageWindows.h"

#include "support/RuntimeFixture.h"
#include "support/ServedWindow.h"

#include <atomic>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tw {
namespace {

using namespace std::chrono_literals;
using test::ServedWindow;

// Connects to a window directly, to speak a broken version of the protocol.
int RawConnect(const WindowHandle& window) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, window.Socket.c_str(), sizeof address.sun_path - 1);
    EXPECT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    return fd;
}

class MessageWindowsTest : public test::RuntimeFixture {};

TEST_F(MessageWindowsTest, MessagesArriveWithTheirParametersAndReturnTheHandlersResult) {
    ServedWindow window("Echo", [](const WindowMessage& m) { return m.WParam - m.LParam; });
    struct Case {
        std::uint32_t msg;
        std::int64_t wParam;
        std::int64_t lParam;
    };
    const Case cases[] = {
        {2135, 0, 0},
        {2027, -1, 1},
        {0xFFFFFFFFu, INT64_MIN + 1, 0},
        {1, 0x1122334455667788, -0x0102030405060708},
    };
    for (const auto& c : cases) {
        const auto result = SendMessage(window.Handle(), c.msg, c.wParam, c.lParam);
        ASSERT_TRUE(result.has_value()) << c.msg;
        EXPECT_EQ(*result, c.wParam - c.lParam);
        const auto got = window.Received().back();
        EXPECT_EQ(got.Msg, c.msg);
        EXPECT_EQ(got.WParam, c.wParam);
        EXPECT_EQ(got.LParam, c.lParam);
        EXPECT_TRUE(got.Data.empty());
    }
}

TEST_F(MessageWindowsTest, CopyDataCarriesExactlyTheBytes) {
    ServedWindow window(
        "Sink", [](const WindowMessage& m) { return static_cast<std::int64_t>(m.Data.size()); });
    const std::string blocks[] = {
        "",
        "/home/u/pictures/my.vkt",
        std::string("a\0b\xff\n ", 6),
        std::string(200'000, 'x'),
    };
    for (const auto& data : blocks) {
        const auto result = SendCopyData(window.Handle(), 7, 0xABCDEF0123456789u, data);
        ASSERT_EQ(result, static_cast<std::int64_t>(data.size()));
        const auto got = window.Received().back();
        EXPECT_EQ(got.Msg, WM_COPYDATA);
        EXPECT_EQ(got.WParam, 7);
        EXPECT_EQ(got.DwData, 0xABCDEF0123456789u);
        EXPECT_EQ(got.Data, data);
    }
}

TEST_F(MessageWindowsTest, FindsWindowsOfOneClassOldestFirst) {
    auto first = std::make_unique<ServedWindow>("TfrmMainForm");
    ServedWindow other("TfrmMainFormX");
    ServedWindow dotted("TfrmMainForm.x");
    ServedWindow second("TfrmMainForm");
    ServedWindow third("TfrmMainForm");

    EXPECT_EQ(FindWindows("TfrmMainForm"),
              (std::vector{first->Handle(), second.Handle(), third.Handle()}));
    EXPECT_EQ(FindWindows("TfrmMainForm.x"), std::vector{dotted.Handle()});
    EXPECT_TRUE(FindWindows("Nobody").empty());

    first.reset();
    EXPECT_EQ(FindWindows("TfrmMainForm"), (std::vector{second.Handle(), third.Handle()}));
}

TEST_F(MessageWindowsTest, ClassNamesCannotLeaveTheBusFolder) {
    ServedWindow window("../../escape");
    EXPECT_EQ(window.Handle().Socket.parent_path(), BusFolder());
    EXPECT_EQ(FindWindows("../../escape"), std::vector{window.Handle()});
}

TEST_F(MessageWindowsTest, BusFolderIsPrivate) {
    ASSERT_EQ(::mkdir((root_ / "tilewick").c_str(), 0755), 0);
    ServedWindow window("Private");
    for (const auto& folder : {root_ / "tilewick", BusFolder()}) {
        struct stat info {};
        ASSERT_EQ(::stat(folder.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u) << folder;
    }
}

TEST_F(MessageWindowsTest, BusFolderPlantedByOthersIsRefused) {
    const auto elsewhere = root_ / "elsewhere";
    std::filesystem::create_directory(elsewhere);
    ASSERT_EQ(::symlink(elsewhere.c_str(), (root_ / "tilewick").c_str()), 0);
    std::string error;
    EXPECT_FALSE(MessageWindow::Register("Any", {}, error));
    EXPECT_NE(error.find("not a folder owned by the current user"), std::string::npos) << error;
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere));

    if (::geteuid() != 0) {
        GTEST_SKIP() << "handing a folder to another user needs root";
    }
    std::filesystem::remove(root_ / "tilewick");
    ASSERT_EQ(::mkdir((root_ / "tilewick").c_str(), 0700), 0);
    ASSERT_EQ(::chown((root_ / "tilewick").c_str(), 65534, 65534), 0);
    EXPECT_FALSE(MessageWindow::Register("Any", {}, error));
    EXPECT_TRUE(FindWindows("Any").empty());
}

TEST_F(MessageWindowsTest, WindowOfAKilledProcessIsSkippedAndRemoved) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::string error;
        auto window = MessageWindow::Register("Crashy", {}, error);
        [[maybe_unused]] auto ignored = ::write(ready[1], "x", 1);
        ::pause();
        ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);
    const auto found = FindWindows("Crashy");
    ASSERT_EQ(found.size(), 1u);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);

    // Its socket file is still there, but nobody listens: a send fails without waiting.
    EXPECT_TRUE(std::filesystem::exists(found[0].Socket));
    EXPECT_FALSE(SendMessage(found[0], 1, 0, 0).has_value());
    EXPECT_FALSE(std::filesystem::exists(found[0].Socket));

    // Enumeration drops a window whose process is gone even before anyone sends to it.
    ASSERT_EQ(
        ::symlink("nowhere", (BusFolder() / "Crashy.00000000000000000001.99999999.0").c_str()), 0);
    // The pid 99999999 is above the kernel's maximum and so never alive.
    EXPECT_TRUE(FindWindows("Crashy").empty());
    EXPECT_TRUE(std::filesystem::is_empty(BusFolder()));
}

TEST_F(MessageWindowsTest, SendToAWindowThatDoesNotAnswerGivesUp) {
    std::string error;
    const auto silent = MessageWindow::Register("Silent", {}, error);
    ASSERT_TRUE(silent) << error;
    EXPECT_FALSE(SendMessage(silent->Handle(), 1, 0, 0, 200ms).has_value());
    EXPECT_FALSE(SendCopyData(silent->Handle(), 0, 0, "data", 200ms).has_value());
}

TEST_F(MessageWindowsTest, HandlerMayDestroyItsWindow) {
    std::unique_ptr<MessageWindow> window;
    std::string error;
    window = MessageWindow::Register(
        "Quitter",
        [&window](const WindowMessage&) {
            window.reset();
            return 42;
        },
        error);
    ASSERT_TRUE(window) << error;
    const WindowHandle handle = window->Handle();
    std::optional<std::int64_t> result;
    std::thread sender([&] { result = SendMessage(handle, 2027, 0, 0); });
    while (window) {
        pollfd entry{window->Fd(), POLLIN, 0};
        if (::poll(&entry, 1, 20) > 0) {
            window->ProcessPending();
        }
    }
    sender.join();
    EXPECT_EQ(result, 42);
    EXPECT_TRUE(FindWindows("Quitter").empty());
}

TEST_F(MessageWindowsTest, MalformedRequestsAreDroppedWithoutAnAnswer) {
    ServedWindow window("Strict", [](const WindowMessage&) { return 1; });
    std::string oversized = "TWM1";
    oversized += std::string(28, '\0');
    oversized += std::string("\xff\xff\xff\x7f", 4); // length far above the limit
    const std::string requests[] = {
        "HELLO, WINDOW! THIS IS NOT A MESSAGE", oversized,
        "TWM1\x01", // cut short
    };
    for (const auto& request : requests) {
        const int fd = RawConnect(window.Handle());
        ASSERT_EQ(::send(fd, request.data(), request.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(request.size()));
        ::shutdown(fd, SHUT_WR);
        char reply[16];
        EXPECT_EQ(::recv(fd, reply, sizeof reply, 0), 0); // closed, no reply
        ::close(fd);
    }
    EXPECT_TRUE(window.Received().empty());
    EXPECT_EQ(SendMessage(window.Handle(), 5, 0, 0), 1);
}

TEST_F(MessageWindowsTest, RegistrationFailsClearlyWithoutABus) {
    const auto file = root_ / "not-a-folder";
    { std::ofstream(file) << "x"; }
    ::setenv("XDG_RUNTIME_DIR", file.c_str(), 1);
    std::string error;
    EXPECT_FALSE(MessageWindow::Register("Any", {}, error));
    EXPECT_NE(error.find("not-a-folder"), std::string::npos) << error;
    EXPECT_TRUE(FindWindows("Any").empty());
    error.clear();
    EXPECT_FALSE(MessageWindow::Register(std::string(65, 'c'), {}, error));
    EXPECT_FALSE(error.empty());
}

} // namespace
} // namespace tw
