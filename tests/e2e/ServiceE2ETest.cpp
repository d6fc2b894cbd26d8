// The local service run as a program, with the engine's search and update logic against it.
#include "core/app/TestSupport.h"
#include "core/app/uSettings.h"
#include "core/online/uOnlineSearch.h"
#include "core/online/uUpdateCheck.h"

#include <arpa/inet.h>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace tw {
namespace {

using test::MakeFile;
using test::ReadFile;
using test::TempFolder;

constexpr int TimeoutMs = 10000;

// Reads from `fd` until `done` says the text is complete or the time is up.
template <typename Done> std::string ReadUntil(int fd, Done done) {
    std::string text;
    char buffer[4096];
    pollfd entry{fd, POLLIN, 0};
    while (!done(text) && ::poll(&entry, 1, TimeoutMs) > 0) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return text;
}

// tilewick-service started with the given arguments, stopped at the end of the test.
class ServiceProcess {
public:
    explicit ServiceProcess(std::vector<std::string> args) {
        args.insert(args.begin(), TILEWICK_SERVICE);
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        int out[2];
        if (::pipe(out) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        output_ = out[0];
        firstLine_ = ReadUntil(
            output_, [](const std::string& t) { return t.find('\n') != std::string::npos; });
    }
    ~ServiceProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        if (output_ >= 0)
            ::close(output_);
    }
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    // The port from "listening on http://127.0.0.1:N/", 0 when it did not start.
    int Port() const {
        const auto at = firstLine_.find("http://127.0.0.1:");
        return at == std::string::npos ? 0 : std::atoi(firstLine_.c_str() + at + 17);
    }
    const std::string& FirstLine() const { return firstLine_; }
    // The exit code once it has ended by itself.
    int Wait() {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    int output_ = -1;
    std::string firstLine_;
};

struct Reply {
    int status = 0;
    std::string head;
    std::string body;
};

// Sends `request` as it is to 127.0.0.1:`port` and reads the answer to the end.
Reply Exchange(int port, const std::string& request) {
    Reply reply;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(request.size())) {
        const std::string text = ReadUntil(fd, [](const std::string&) { return false; });
        const auto split = text.find("\r\n\r\n");
        reply.head = text.substr(0, split);
        reply.body = split == std::string::npos ? std::string() : text.substr(split + 4);
        if (text.starts_with("HTTP/1.1 "))
            reply.status = std::atoi(text.c_str() + 9);
    }
    ::close(fd);
    return reply;
}

// GET of an address on the service, as the program sends it.
Reply Get(int port, const std::string& address) {
    const std::string prefix = "http://127.0.0.1:" + std::to_string(port);
    const std::string target =
        address.starts_with(prefix) ? address.substr(prefix.size()) : address;
    return Exchange(port, "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
}

class ServiceE2ETest : public ::testing::Test {
protected:
    ServiceE2ETest() {
        // 25 cat pictures, so that the first page is full and the second is not.
        for (int i = 1; i <= 25; ++i)
            MakeFile(Pictures() + "cat_" + (i < 10 ? "0" : "") + std::to_string(i) + ".png",
                     "cat picture " + std::to_string(i));
        MakeFile(Pictures() + "Sunset Beach & Cat.JPG", "sunset bytes");
        MakeFile(Pictures() + "dog_1.jpg", "dog");
        MakeFile(Pictures() + ".cat_hidden.png", "hidden");
        MakeFile(Pictures() + "cat_notes.txt", "not a picture");
        MakeFile(Root() + "secret.png", "outside the folder");
        MakeFile(Root() + "reply.txt", "magicword=TILEWICK\r\nresult=1\r\ninfo=Version 5\r\n"
                                       "page=http://127.0.0.1/get\r\n");
        service_ = std::make_unique<ServiceProcess>(std::vector<std::string>{
            "--port", "0", "--pictures", Pictures(), "--update-reply", Root() + "reply.txt"});
    }
    std::string Root() const { return root_.Slashed(); }
    std::string Pictures() const { return Root() + "pictures/"; }

    // A settings store whose constants point the search at the running service.
    TSettings& Settings(int port) {
        MakeFile(Root() + "program/const.dat",
                 "[const]\nApp.MagicWord=TILEWICK\nURL.SearchURL=http://127.0.0.1:" +
                     std::to_string(port) + "/search?q=\nURL.update=http://127.0.0.1:" +
                     std::to_string(port) + "/update/\n");
        settings_ = std::make_unique<TSettings>(Root() + "program/");
        settings_->SelectDataFolder(false);
        return *settings_;
    }

    TempFolder root_;
    test::ScopedEnv config_{"XDG_CONFIG_HOME", root_.Slashed() + "config"};
    test::ScopedEnv common_{"TILEWICK_COMMON_APPDATA", root_.Slashed() + "common"};
    std::unique_ptr<TSettings> settings_;
    std::unique_ptr<ServiceProcess> service_;
};

TEST_F(ServiceE2ETest, SearchPagesThroughTheResultsAndServesThePictures) {
    const int port = service_->Port();
    ASSERT_GT(port, 0) << service_->FirstLine();
    TOnlineSearch search(Settings(port));

    const Reply first = Get(port, search.Search("CAT png", 1));
    ASSERT_EQ(first.status, 200) << first.head;
    ASSERT_TRUE(search.PageDone(first.body));
    EXPECT_EQ(search.ResultsPerPage(), 20);
    ASSERT_EQ(search.Results().size(), 20u);
    const std::string base = "http://127.0.0.1:" + std::to_string(port) + "/pictures/";
    EXPECT_EQ(search.Results().front(), base + "cat_01.png");
    EXPECT_EQ(search.Results().back(), base + "cat_20.png");
    EXPECT_EQ(PageLinks(1, search.Results().size()).Last, 6);

    const std::string second = search.RequestPage("CAT png", 2);
    EXPECT_TRUE(second.ends_with("/search?q=CAT+png&start=21")) << second;
    const Reply next = Get(port, second);
    ASSERT_TRUE(search.PageDone(next.body));
    ASSERT_EQ(search.Results().size(), 5u);
    EXPECT_EQ(search.Results().front(), base + "cat_21.png");
    EXPECT_EQ(search.ResultsPerPage(), 5) << "all five shown";
    EXPECT_EQ(PageLinks(2, search.Results().size()).Last, 2) << "no next page";

    // Spaces, "&" and case in a name; the address handed out fetches the file's bytes.
    ASSERT_TRUE(search.PageDone(Get(port, search.Search("beach & sunset", 1)).body));
    ASSERT_EQ(search.Results().size(), 1u);
    const Reply picture = Get(port, search.Results().front());
    EXPECT_EQ(picture.status, 200);
    EXPECT_NE(picture.head.find("Content-Type: image/jpeg"), std::string::npos) << picture.head;
    EXPECT_EQ(picture.body, "sunset bytes");

    ASSERT_TRUE(search.PageDone(Get(port, search.Search("zebra", 1)).body));
    EXPECT_TRUE(search.Results().empty());
}

TEST_F(ServiceE2ETest, AnswersTheUpdateCheckFromItsReplyFile) {
    const int port = service_->Port();
    ASSERT_GT(port, 0) << service_->FirstLine();
    TUpdateCheck check(Settings(port), "/opt/tilewick/", {},
                       [] { return std::chrono::local_time<std::chrono::milliseconds>{}; });
    const auto address = check.CheckForUpdate(true);
    ASSERT_TRUE(address);
    const Reply reply = Get(port, *address);
    ASSERT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body, ReadFile(Root() + "reply.txt"));
    const TUpdateDecision decision = DecideUpdate({true, true, reply.body, "TILEWICK"});
    EXPECT_EQ(decision.Outcome, TUpdateOutcome::NewVersion);
    EXPECT_EQ(decision.Info, "Version 5");

    // The file is read at every request.
    MakeFile(Root() + "reply.txt", "magicword=OTHER\nresult=1\n");
    const Reply changed = Get(port, "/update/");
    EXPECT_EQ(DecideUpdate({true, true, changed.body, "TILEWICK"}).Outcome,
              TUpdateOutcome::ConnectFailed)
        << "magic word mismatch";
}

TEST_F(ServiceE2ETest, RefusesWhatItShouldNotServe) {
    const int port = service_->Port();
    ASSERT_GT(port, 0) << service_->FirstLine();
    const struct {
        std::string request;
        int status;
    } cases[] = {
        {"GET /pictures/..%2Fsecret.png HTTP/1.1\r\n\r\n", 404},
        {"GET /pictures/../secret.png HTTP/1.1\r\n\r\n", 404},
        {"GET /pictures/.cat_hidden.png HTTP/1.1\r\n\r\n", 404},
        {"GET /pictures/cat_notes.txt HTTP/1.1\r\n\r\n", 404},
        {"GET /pictures/cat_01.png%zz HTTP/1.1\r\n\r\n", 404},
        {"GET /pictures/missing.png HTTP/1.1\r\n\r\n", 404},
        {"GET /elsewhere HTTP/1.1\r\n\r\n", 404},
        {"POST /search?q=cat HTTP/1.1\r\nContent-Length: 0\r\n\r\n", 405},
        {"nonsense\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\nX: " + std::string(20000, 'a') + "\r\n\r\n", 431},
        {"GET /pictures/cat_01.png HTTP/1.1\r\n\r\n", 200},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Exchange(port, c.request).status, c.status) << c.request.substr(0, 60);

    const Reply head = Exchange(port, "HEAD /pictures/cat_01.png HTTP/1.1\r\n\r\n");
    EXPECT_EQ(head.status, 200);
    EXPECT_NE(head.head.find("Content-Length: 13"), std::string::npos) << head.head;
    EXPECT_EQ(head.body, "");

    // Listening on the loopback address only: 127.0.0.1 in the kernel's socket table.
    char hexPort[8];
    std::snprintf(hexPort, sizeof hexPort, "%04X", port);
    const std::string table = ReadFile("/proc/net/tcp");
    EXPECT_NE(table.find("0100007F:" + std::string(hexPort) + " 00000000:0000 0A"),
              std::string::npos);
}

TEST_F(ServiceE2ETest, StartFailuresAreReported) {
    const int port = service_->Port();
    ASSERT_GT(port, 0) << service_->FirstLine();
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"--port", std::to_string(port)}, "cannot listen on 127.0.0.1:"},
        {{"--port", "70000"}, "--port needs a number"},
        {{"--port", "0", "--pictures", Root() + "missing"}, "no picture folder"},
        {{"--port", "0", "--update-reply", Root() + "missing.txt"}, "no update reply file"},
    };
    for (const auto& c : cases) {
        ServiceProcess failing(c.args);
        EXPECT_NE(failing.FirstLine().find(c.message), std::string::npos) << failing.FirstLine();
        EXPECT_EQ(failing.Wait(), 1) << c.message;
    }
}

} // namespace
} // namespace tw
