// The Pidgin client against the real Pidgin, on an X server and a D-Bus session bus of the
// tests' own, with a fresh configuration folder: without accounts (no network), and signed in
// to a Prosody of the test's own on loopback. The friendly name's fall-backs run against a fake
// Pidgin service on the same private bus.
#include "core/messenger/NowPlaying.h"
#include "core/messenger/uMsnControl.h"
#include "support/OwnXServer.h"
#include "ui/messenger/MessengerClientChoice.h"
#include "ui/messenger/PidginMessengerClient.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVirtualObject>
#include <QThread>
#include <arpa/inet.h>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <optional>
#include <pwd.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace tw {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr auto kStartTimeout = 20s;

fs::path MakeTempFolder(const char* name) {
    std::string pattern = (fs::temp_directory_path() / name).string() + "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        return {};
    }
    return pattern;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

bool OnBus(const char* service) {
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(
        QString::fromLatin1(service));
}

// Calls Pidgin as the test's own hand on it: what a user does in its window.
QVariant Purple(const char* method, const QVariantList& args = {}) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(kPidginService), QStringLiteral("/im/pidgin/purple/PurpleObject"),
        QStringLiteral("im.pidgin.purple.PurpleInterface"), QString::fromLatin1(method));
    call.setArguments(args);
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call);
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage)
        << method << ": " << reply.errorMessage().toStdString();
    return reply.arguments().value(0);
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The real Pidgin with a configuration folder of its own.
class PidginTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr ||
            std::getenv("DISPLAY") == nullptr) {
            GTEST_SKIP() << "no private D-Bus session bus or X server (dbus-run-session, Xvfb)";
        }
        folder_ = MakeTempFolder("tw-pidgin");
        ASSERT_FALSE(folder_.empty());
        const std::string config = (folder_ / "purple").string();
        fs::create_directory(config);
        PrepareConfig(config);
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        const char* argv[] = {"pidgin", "-c", config.c_str(), nullptr};
        if (::posix_spawnp(&pid_, "pidgin", nullptr, nullptr, const_cast<char**>(argv), environ) !=
            0) {
            pid_ = -1;
            GTEST_SKIP() << "Pidgin is not installed (scripts/setup installs it)";
        }
        if (!WaitUntil([] { return OnBus(kPidginService); }, kStartTimeout)) {
            GTEST_SKIP() << "Pidgin did not appear on the D-Bus session bus";
        }
    }

    void TearDown() override {
        StopPidgin();
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    // Fills Pidgin's configuration folder before it starts.
    virtual void PrepareConfig(const fs::path& /*config*/) {}

    void StopPidgin() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

    // A transient saved status of the primitive, made current as Pidgin's status box does.
    static void SetStatusInPidgin(PurpleStatusPrimitive primitive) {
        const QVariant status =
            Purple("PurpleSavedstatusNew", {QString(), static_cast<int>(primitive)});
        Purple("PurpleSavedstatusActivate", {status});
    }

    static int CurrentStatus() { return Purple("PurpleSavedstatusGetCurrent").toInt(); }

    static std::string BuddyIconPreference() {
        return Purple("PurplePrefsGetPath", {QString::fromLatin1(kPidginBuddyIconPref)})
            .toString()
            .toStdString();
    }

    fs::path folder_;
    pid_t pid_ = -1;
};

TEST_F(PidginTest, StatusSetInPidginIsRead) {
    struct Case {
        PurpleStatusPrimitive primitive;
        ClientStatus expected;
        TMsnState linkState;
    };
    const Case cases[] = {
        {PurpleStatusPrimitive::Away, ClientStatus::Away, 4},
        {PurpleStatusPrimitive::Available, ClientStatus::Online, 1},
        {PurpleStatusPrimitive::Unavailable, ClientStatus::Busy, 2},
        {PurpleStatusPrimitive::ExtendedAway, ClientStatus::BeRightBack, 3},
        {PurpleStatusPrimitive::Invisible, ClientStatus::Invisible, 0},
        {PurpleStatusPrimitive::Offline, ClientStatus::Offline, 0},
    };
    TMsnControl link(std::make_unique<PidginMessengerClient>());
    std::vector<TMsnState> announced;
    link.OnStateChange = [&](TMsnState s) { announced.push_back(s); };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.primitive));
        SetStatusInPidgin(c.primitive);
        EXPECT_EQ(link.Client().ReadStatus(), static_cast<std::int32_t>(c.expected));
        EXPECT_TRUE(link.Poll());
        EXPECT_EQ(link.State(), c.linkState);
    }
    // The first poll stores away silently; every later change is announced once.
    EXPECT_EQ(announced, (std::vector<TMsnState>{1, 2, 3, 0}));
    // No account is connected: signed in to no network, there is no name to show.
    EXPECT_EQ(link.FriendlyName(), "");
}

TEST_F(PidginTest, BuddyIconPreferenceFollowsEveryPicture) {
    const fs::path first = folder_ / "head0.bmp";
    const fs::path second = folder_ / "head1.bmp";
    WriteFile(first, "BM first");
    WriteFile(second, "BM second");
    PidginMessengerClient client;
    client.WriteProperty(kDisplayPictureProperty, first.string());
    EXPECT_EQ(BuddyIconPreference(), first.string());
    client.WriteProperty(kDisplayPictureProperty, second.string());
    EXPECT_EQ(BuddyIconPreference(), second.string());
    // The slideshow may export the next picture under the same name: it still has to be a
    // change for Pidgin, so the same path alternates with a copy of the file.
    WriteFile(second, "BM third");
    client.WriteProperty(kDisplayPictureProperty, second.string());
    const fs::path copy = folder_ / "head1~.bmp";
    EXPECT_EQ(BuddyIconPreference(), copy.string());
    std::ifstream in(copy, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "BM third");
    client.WriteProperty(kDisplayPictureProperty, second.string());
    EXPECT_EQ(BuddyIconPreference(), second.string());

    EXPECT_THROW(client.WriteProperty(7, first.string()), MessengerError);
}

TEST_F(PidginTest, StatusMessageFollowsTheEntryAndKeepsTheStatus) {
    SetStatusInPidgin(PurpleStatusPrimitive::Away);
    TMsnControl link(std::make_unique<PidginMessengerClient>());
    const auto message = [] {
        return Purple("PurpleSavedstatusGetMessage", {CurrentStatus()}).toString().toStdString();
    };
    const auto type = [] { return Purple("PurpleSavedstatusGetType", {CurrentStatus()}).toInt(); };

    link.SetPersonalMessage("Listening to Tilewick", "http://127.0.0.1/", 2);
    EXPECT_EQ(message(), "Listening to Tilewick");
    EXPECT_EQ(type(), static_cast<int>(PurpleStatusPrimitive::Away));
    EXPECT_NE(Purple("PurpleSavedstatusIsTransient", {CurrentStatus()}).toInt(), 0);

    // The same message again changes nothing; going back to an earlier one reuses its status.
    const int shown = CurrentStatus();
    link.SetPersonalMessage("Listening to Tilewick", "", 0);
    EXPECT_EQ(CurrentStatus(), shown);
    link.SetPersonalMessage("Other", "", 1);
    EXPECT_EQ(message(), "Other");
    link.SetPersonalMessage("Listening to Tilewick", "", 0);
    EXPECT_EQ(CurrentStatus(), shown);

    // A message too long for the client's block reaches it as no message at all.
    link.SetPersonalMessage(std::string(200, 'x'), "", 0);
    EXPECT_EQ(message(), "");
    EXPECT_EQ(type(), static_cast<int>(PurpleStatusPrimitive::Away));
}

TEST_F(PidginTest, PidginEndingIsSeenAndCallsFail) {
    PidginMessengerClient client;
    EXPECT_TRUE(client.IsRunning());
    ASSERT_TRUE(MakeMessengerClient(MessengerClientKind::Auto)->IsRunning());
    StopPidgin();
    ASSERT_TRUE(WaitUntil([&] { return !client.IsRunning(); }, kStartTimeout));
    EXPECT_THROW(client.ReadStatus(), MessengerError);
    EXPECT_THROW(client.ReadFriendlyName(), MessengerError);
    EXPECT_FALSE(MakeMessengerClient(MessengerClientKind::Auto)->IsRunning());
}

TEST_F(PidginTest, HangingPidginIsLeftAloneForAWhile) {
    const PidginMessengerClient::Timing timing{300ms, 1000ms};
    PidginMessengerClient client(QDBusConnection::sessionBus(), timing);
    ::kill(pid_, SIGSTOP);
    EXPECT_THROW(client.ReadStatus(), MessengerError);
    ::kill(pid_, SIGCONT);
    // Answering again, yet still resting: the call is not made.
    EXPECT_THROW(client.ReadStatus(), MessengerError);
    std::this_thread::sleep_for(timing.RestAfterTimeout);
    EXPECT_EQ(client.ReadStatus(), static_cast<std::int32_t>(ClientStatus::Online));
}

// A program started without a session bus address does not reach for one, even with a Pidgin
// on the bus the test knows.
TEST_F(PidginTest, WithoutSessionBusAddressPidginIsNotFound) {
    const std::optional<std::string> address =
        std::getenv("DBUS_SESSION_BUS_ADDRESS") != nullptr
            ? std::optional<std::string>(std::getenv("DBUS_SESSION_BUS_ADDRESS"))
            : std::nullopt;
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    PidginMessengerClient client;
    EXPECT_FALSE(client.IsRunning());
    EXPECT_THROW(client.ReadStatus(), MessengerError);
    EXPECT_THROW(client.WriteProperty(kDisplayPictureProperty, "/tmp/x.bmp"), MessengerError);
    if (address) {
        ::setenv("DBUS_SESSION_BUS_ADDRESS", address->c_str(), 1);
    }
}

// A free TCP port on loopback.
int FreeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

// Runs a program, as the prosody user when the tests run as root (Prosody refuses root).
pid_t SpawnAsProsody(std::vector<std::string> args) {
    if (::geteuid() == 0) {
        args.insert(args.begin(),
                    {"setpriv", "--reuid=prosody", "--regid=prosody", "--clear-groups", "--"});
    }
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    return ::posix_spawnp(&pid, argv.front(), nullptr, nullptr, argv.data(), environ) == 0 ? pid
                                                                                           : -1;
}

// Pidgin signed in with an XMPP account to a Prosody of the test's own on loopback: no
// encryption, plain passwords, no servers beyond it.
class PidginAccountTest : public PidginTest {
protected:
    static constexpr const char* kAlias = "Ann Tilewick";

    void PrepareConfig(const fs::path& config) override {
        const int port = FreeLoopbackPort();
        ASSERT_NE(port, 0);
        const fs::path server = folder_ / "prosody";
        fs::create_directories(server / "data");
        fs::permissions(folder_,
                        fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        if (::geteuid() == 0) {
            const passwd* user = ::getpwnam("prosody");
            if (user == nullptr) {
                GTEST_SKIP() << "Prosody is not installed (scripts/setup installs it)";
            }
            ASSERT_EQ(::chown((server / "data").c_str(), user->pw_uid, user->pw_gid), 0);
        }
        const fs::path cfg = server / "prosody.cfg.lua";
        std::ofstream(cfg) << "daemonize = false\n"
                           << "pidfile = \"" << (server / "data" / "prosody.pid").string() << "\"\n"
                           << "data_path = \"" << (server / "data").string() << "\"\n"
                           << "interfaces = { \"127.0.0.1\" }\nc2s_ports = { " << port << " }\n"
                           << "s2s_ports = { }\nmodules_disabled = { \"s2s\" }\n"
                           << "modules_enabled = { \"roster\"; \"saslauth\"; \"disco\"; "
                              "\"posix\"; \"vcard\"; \"pep\"; \"ping\" }\n"
                           << "authentication = \"internal_plain\"\n"
                           << "c2s_require_encryption = false\n"
                           << "allow_unencrypted_plain_auth = true\n"
                           << "log = { { levels = { min = \"warn\" }, to = \"console\" } }\n"
                           << "VirtualHost \"localhost\"\n";
        const pid_t registered = SpawnAsProsody(
            {"prosodyctl", "--config", cfg.string(), "register", "ann", "localhost", "secret"});
        if (registered < 0) {
            GTEST_SKIP() << "Prosody is not installed (scripts/setup installs it)";
        }
        int status = 0;
        ::waitpid(registered, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "prosodyctl register";
        server_ = SpawnAsProsody({"prosody", "--config", cfg.string()});
        ASSERT_GT(server_, 0);
        std::ofstream(config / "accounts.xml")
            << "<?xml version='1.0' encoding='UTF-8' ?>\n<account version='1.0'><account>"
            << "<protocol>prpl-jabber</protocol><name>ann@localhost/tilewick</name>"
            << "<password>secret</password><alias>" << kAlias << "</alias><settings>"
            << "<setting name='connect_server' type='string'>127.0.0.1</setting>"
            << "<setting name='port' type='int'>" << port << "</setting>"
            << "<setting name='connection_security' type='string'>opportunistic_tls</setting>"
            << "<setting name='auth_plain_in_clear' type='bool'>1</setting></settings>"
            << "<settings ui='gtk-gaim'><setting name='auto-login' type='bool'>1</setting>"
            << "</settings></account></account>\n";
    }

    void SetUp() override {
        PidginTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        ASSERT_TRUE(WaitUntil(
            [this] {
                const auto accounts = qdbus_cast<QList<int>>(Purple("PurpleAccountsGetAllActive"));
                account_ = accounts.value(0);
                return account_ != 0 && Purple("PurpleAccountIsConnected", {account_}).toInt() != 0;
            },
            kStartTimeout))
            << "the account did not sign in to the loopback server";
    }

    void TearDown() override {
        PidginTest::TearDown();
        if (server_ > 0) {
            ::kill(server_, SIGTERM);
            ::waitpid(server_, nullptr, 0);
        }
    }

    std::string IconPath() const {
        return Purple("PurpleAccountGetBuddyIconPath", {account_}).toString().toStdString();
    }

    pid_t server_ = -1;
    int account_ = 0;
};

TEST_F(PidginAccountTest, SignedInAccountGivesTheNameAndPublishesPictureAndMessage) {
    TMsnControl link(std::make_unique<PidginMessengerClient>());
    std::vector<std::string> names;
    link.OnFriendlyNameChange = [&](const std::string& name) { names.push_back(name); };

    const fs::path picture = folder_ / "head0.png";
    fs::copy_file(fs::path(TILEWICK_TEST_DATA) / "collection" / "flag.PNG", picture);
    ASSERT_EQ(IconPath(), "");
    link.SetDisplayPicture(picture.string());
    link.Poller().Tick();
    EXPECT_EQ(names, std::vector<std::string>{kAlias});
    EXPECT_FALSE(link.Poller().Pending());
    EXPECT_EQ(BuddyIconPreference(), picture.string());
    // Pidgin takes the picture as the account's icon, which it sends to the server.
    EXPECT_TRUE(WaitUntil([this] { return !IconPath().empty(); }, kStartTimeout));

    // What goes out to the server is the account's own status, not only the saved one.
    link.SetPersonalMessage("Hello from Tilewick", "", 0);
    const QVariant status = Purple("PurpleAccountGetActiveStatus", {account_});
    EXPECT_EQ(Purple("PurpleStatusGetAttrString", {status, QStringLiteral("message")}).toString(),
              QStringLiteral("Hello from Tilewick"));
}

// One account of the fake Pidgin.
struct FakeAccount {
    bool connected;
    std::string alias;
    std::string displayName;
    std::string userName;
};

// Answers the account calls of Pidgin's interface from a table. It lives on a thread of its
// own so that the client's blocking calls get their answers.
class FakePurple : public QDBusVirtualObject {
public:
    void SetAccounts(std::vector<FakeAccount> accounts) {
        const std::lock_guard lock(mutex_);
        accounts_ = std::move(accounts);
    }

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const std::lock_guard lock(mutex_);
        const QString method = message.member();
        const auto account = [&]() -> const FakeAccount* {
            const int id = message.arguments().value(0).toInt();
            return id >= 1 && id <= static_cast<int>(accounts_.size()) ? &accounts_[id - 1]
                                                                       : nullptr;
        };
        const auto text = [](const std::string& s) { return QString::fromStdString(s); };
        QVariant answer;
        if (method == "PurpleAccountsGetAllActive") {
            QList<int> ids;
            for (int i = 1; i <= static_cast<int>(accounts_.size()); ++i) {
                ids.push_back(i);
            }
            answer = QVariant::fromValue(ids);
        } else if (method == "PurpleAccountIsConnected" && account()) {
            answer = account()->connected ? 1 : 0;
        } else if (method == "PurpleAccountGetAlias" && account()) {
            answer = text(account()->alias);
        } else if (method == "PurpleAccountGetConnection" && account()) {
            answer = message.arguments().value(0).toInt(); // the same number serves
        } else if (method == "PurpleConnectionGetDisplayName" && account()) {
            answer = text(account()->displayName);
        } else if (method == "PurpleAccountGetUsername" && account()) {
            answer = text(account()->userName);
        } else if (method == "PurpleSavedstatusGetCurrent") {
            answer = 7;
        } else if (method == "PurpleSavedstatusGetType") {
            answer = static_cast<int>(PurpleStatusPrimitive::Unavailable);
        } else {
            connection.send(message.createErrorReply(QDBusError::UnknownMethod, method));
            return true;
        }
        connection.send(message.createReply(answer));
        return true;
    }

private:
    std::mutex mutex_;
    std::vector<FakeAccount> accounts_;
};

class FakePidginTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr) {
            GTEST_SKIP() << "no private D-Bus session bus (dbus-run-session)";
        }
        qDBusRegisterMetaType<QList<int>>();
        thread_.start();
        fake_.moveToThread(&thread_);
        QDBusConnection bus =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, kConnection);
        ASSERT_TRUE(
            bus.registerVirtualObject(QStringLiteral("/im/pidgin/purple/PurpleObject"), &fake_));
        ASSERT_TRUE(bus.registerService(QString::fromLatin1(kPidginService)));
        serving_ = true;
    }

    void TearDown() override {
        if (serving_) {
            QDBusConnection bus(kConnection);
            bus.unregisterService(QString::fromLatin1(kPidginService));
            bus.unregisterObject(QStringLiteral("/im/pidgin/purple/PurpleObject"));
            QDBusConnection::disconnectFromBus(kConnection);
        }
        thread_.quit();
        thread_.wait();
    }

    static inline const QString kConnection = QStringLiteral("fake-pidgin");
    QThread thread_;
    FakePurple fake_;
    bool serving_ = false;
};

TEST_F(FakePidginTest, FriendlyNameIsThatOfTheFirstConnectedAccount) {
    struct Case {
        const char* what;
        std::vector<FakeAccount> accounts;
        std::string expected;
    };
    const Case cases[] = {
        {"no account", {}, ""},
        {"none connected", {{false, "Ann", "ann@x", "ann"}}, ""},
        {"alias of the first connected",
         {{false, "Ann", "", "ann"}, {true, "Bob", "bob@x", "bob"}, {true, "Cy", "", "cy"}},
         "Bob"},
        {"display name without alias", {{true, "", "bob@x", "bob"}}, "bob@x"},
        {"user name without either", {{true, "", "", "bob"}}, "bob"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fake_.SetAccounts(c.accounts);
        PidginMessengerClient client;
        EXPECT_EQ(client.ReadFriendlyName(), c.expected);
    }
}

TEST_F(FakePidginTest, LinkAnnouncesNameAndStatusOfASignedInPidgin) {
    fake_.SetAccounts({{true, "Bob", "bob@x", "bob"}});
    TMsnControl link(MakeMessengerClient(MessengerClientKind::Auto));
    std::vector<std::string> names;
    link.OnFriendlyNameChange = [&](const std::string& name) { names.push_back(name); };
    ASSERT_TRUE(link.Poll());
    EXPECT_EQ(names, std::vector<std::string>{"Bob"});
    EXPECT_EQ(link.State(), 2); // unavailable is busy
}

// A client whose running flag and status the test sets.
class StubClient : public IMessengerClient {
public:
    StubClient(bool running, std::int32_t status) : running_(running), status_(status) {}
    bool IsRunning() override { return running_; }
    std::string ReadFriendlyName() override { return std::to_string(status_); }
    std::int32_t ReadStatus() override { return status_; }
    void WriteProperty(int, const std::string&) override {}
    void SendCopyData(std::uint32_t, std::span<const std::uint8_t>) override {}

private:
    bool running_;
    std::int32_t status_;
};

TEST(ChoosingMessengerClientTest, PrefersTheFirstRunningClient) {
    struct Case {
        bool firstRuns;
        bool secondRuns;
        bool running;
        std::int32_t status;
    };
    // The first client answers 2, the second 10; with neither running the first is asked.
    const Case cases[] = {{true, true, true, 2},
                          {true, false, true, 2},
                          {false, true, true, 10},
                          {false, false, false, 2}};
    for (const Case& c : cases) {
        ChoosingMessengerClient client(std::make_unique<StubClient>(c.firstRuns, 2),
                                       std::make_unique<StubClient>(c.secondRuns, 10));
        EXPECT_EQ(client.IsRunning(), c.running);
        EXPECT_EQ(client.ReadStatus(), c.status);
    }
}

TEST(MessengerClientKindTest, ParsesTheSettingsText) {
    EXPECT_EQ(ParseMessengerClientKind("Pidgin"), MessengerClientKind::Pidgin);
    EXPECT_EQ(ParseMessengerClientKind("BUS"), MessengerClientKind::Bus);
    EXPECT_EQ(ParseMessengerClientKind("auto"), MessengerClientKind::Auto);
    EXPECT_EQ(ParseMessengerClientKind("skype"), std::nullopt);
    EXPECT_EQ(ParseMessengerClientKind(""), std::nullopt);
    for (auto kind :
         {MessengerClientKind::Auto, MessengerClientKind::Bus, MessengerClientKind::Pidgin}) {
        EXPECT_EQ(ParseMessengerClientKind(MessengerClientKindName(kind)), kind);
    }
}

bool ListingOnly(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--gtest_list_tests") == 0) {
            return true;
        }
    }
    return false;
}

} // namespace
} // namespace tw

// The tests run inside a D-Bus session of their own: the program starts itself again under
// dbus-run-session, so that no user's Pidgin or session is touched.
int main(int argc, char** argv) {
    if (!tw::ListingOnly(argc, argv) && std::getenv("TILEWICK_OWN_DBUS") == nullptr) {
        ::setenv("TILEWICK_OWN_DBUS", "1", 1);
        std::vector<char*> args{const_cast<char*>("dbus-run-session"), const_cast<char*>("--")};
        args.insert(args.end(), argv, argv + argc);
        args.push_back(nullptr);
        ::execvp("dbus-run-session", args.data());
        // Without dbus-run-session the tests that need the bus skip.
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
    std::unique_ptr<tw::test::OwnXServer> xserver;
    if (!tw::ListingOnly(argc, argv)) {
        xserver = std::make_unique<tw::test::OwnXServer>();
        if (xserver->Display().empty()) {
            ::unsetenv("DISPLAY");
        }
    }
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
