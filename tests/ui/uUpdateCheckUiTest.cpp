// The update check's request, reply and message boxes over real HTTP on loopback: against the
// local service, a recording server and a port with nothing listening.
#include "ui/app/uUpdateCheckUi.h"

#include "EngineFixture.h"
#include "core/app/uSettings.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <chrono>
#include <deque>
#include <fstream>

namespace tw::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;

// 11 December 2026, 04:05:07.089 local time: day 46367 since 30 December 1899.
local_time<milliseconds> FixedNow() {
    return local_days{year{2026} / December / 11} + hours{4} + minutes{5} + seconds{7} +
           milliseconds{89};
}
constexpr int FixedDay = 46367;

TSystemFacts WindowsLikeFacts() {
    TSystemFacts facts;
    facts.VersionMajor = "5";
    facts.VersionMinor = "1";
    facts.VersionExtra = "Service Pack 3";
    facts.LanguageId = "de_CH";
    return facts;
}

// Runs the event loop until `done` or ten seconds have passed.
template <typename Done> bool WaitFor(Done done) {
    const QDeadlineTimer deadline(10'000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// A port on loopback that nothing listens on (it was free a moment ago).
quint16 UnusedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// Answers one canned reply to every request and keeps each request's head.
class RecordingServer : public QTcpServer {
public:
    explicit RecordingServer(QByteArray reply) : Reply(std::move(reply)) {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    Pending += socket->readAll();
                    if (!Pending.contains("\r\n\r\n"))
                        return;
                    Heads.push_back(Pending.left(Pending.indexOf("\r\n\r\n")));
                    Pending.clear();
                    socket->write(
                        "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(Reply.size()) +
                        "\r\nConnection: close\r\n\r\n" + Reply);
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    std::vector<QByteArray> Heads;

private:
    QByteArray Reply;
    QByteArray Pending;
};

class UpdateCheckUiTest : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        Engine->SetMessageBoxAnswerer([this](const TMessageBoxRequest& request) {
            Requests.push_back(request);
            if (Answers.empty())
                return TMessageBoxAnswer{mrOK, false};
            const int answer = Answers.front();
            Answers.pop_front();
            return TMessageBoxAnswer{answer, false};
        });
        ReplyFile = Root / "update-reply.txt";
    }
    void TearDown() override {
        Updates.reset();
        if (Service.state() != QProcess::NotRunning) {
            Service.terminate();
            Service.waitForFinished();
        }
        EngineFixture::TearDown();
    }

    // Constants naming the update page on `port`, and a fresh check over them.
    void UsePort(quint16 port) {
        WriteProgramFile("const.dat", "[const]\nApp.Ver=4.2.0.0\nApp.ConfigPath=Tilewick\n"
                                      "App.MagicWord=TILEWICK\nURL.help=%EXEPATH%help.htm\n"
                                      "URL.update=http://127.0.0.1:" +
                                          std::to_string(port) + "/update/\n");
        Updates.reset();
        ReplaceSettings(std::make_unique<TSettings>(ProgramFolder.string() + "/"));
        Settings().SelectDataFolder(false);
        Updates = std::make_unique<TUpdateCheckUi>(
            *Engine,
            TUpdateCheck(Settings(), Settings().ProgramFolder(), WindowsLikeFacts(), FixedNow));
        Updates->SetUrlOpener([this](const std::string& url) {
            Opened.push_back(url);
            return OpenerWorks;
        });
    }

    // tilewick-service answering "/update/" from ReplyFile on `port` (any free one for 0).
    void StartService(quint16 port = 0) {
        Service.setProgram(QStringLiteral(TILEWICK_SERVICE));
        Service.setArguments({QStringLiteral("--port"), QString::number(port),
                              QStringLiteral("--update-reply"),
                              QString::fromStdString(ReplyFile.string())});
        Service.start();
        ASSERT_TRUE(Service.waitForReadyRead(10'000)) << "the service did not start";
        const QByteArray line = Service.readLine();
        const qsizetype colon = line.lastIndexOf(':');
        UsePort(static_cast<quint16>(line.mid(colon + 1).chopped(2).toUInt()));
        ASSERT_NE(Settings().ReadConstString("URL.update"), "http://127.0.0.1:0/update/")
            << line.toStdString();
    }

    void SetReply(const std::string& text) const { std::ofstream(ReplyFile) << text; }

    void RunCheck(bool manual) {
        if (manual)
            Updates->CheckForUpdate(true);
        else
            Updates->StartupUpdateCheck();
        ASSERT_TRUE(WaitFor([this] { return !Updates->Checking(); }));
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const TMessageBoxRequest& request : Requests)
            texts.push_back(request.Text.toStdString());
        return texts;
    }

    fs::path ReplyFile;
    QProcess Service;
    std::unique_ptr<TUpdateCheckUi> Updates;
    std::deque<int> Answers;
    std::vector<std::string> Opened;
    bool OpenerWorks = true;
};

TEST_F(UpdateCheckUiTest, RequestCarriesTheQueryAsBuiltAndTheExtraHeader) {
    RecordingServer server("magicword=TILEWICK\nresult=1\ninfo=Version 5 is out\n"
                           "page=http://127.0.0.1:9/get\n");
    UsePort(server.serverPort());
    Settings().WriteString("Language", "Deutsch & Co");
    RunCheck(true);

    ASSERT_EQ(server.Heads.size(), 1u);
    const QList<QByteArray> lines = server.Heads[0].split('\n');
    const std::string url = Updates->Logic().BuildURL("update", true);
    const std::string origin = "http://127.0.0.1:" + std::to_string(server.serverPort());
    ASSERT_TRUE(url.starts_with(origin + "/update/?&ACTION=update&07089&PRODUCT=TILEWICK"
                                         "&PID=TILEWICK&LANG=Deutsch+%26+Co&DAY="))
        << url;
    EXPECT_TRUE(url.ends_with("&VER=4200&SVER=0&WVER=5_1_Service+Pack+3&WLANG=de_CH"
                              "&CHL=756E6B6E6F77"))
        << url;
    EXPECT_EQ(lines[0].trimmed().toStdString(), "GET " + url.substr(origin.size()) + " HTTP/1.1")
        << "the query reaches the server byte for byte";
    EXPECT_TRUE(server.Heads[0].contains("\r\nContent-Type: application/x-www-form-urlencoded"))
        << server.Heads[0].toStdString();
    EXPECT_TRUE(server.Heads[0].contains("\r\nUser-Agent: Tilewick/4.2.0.0"));

    // The lower-case "result" line is the result: the new version is offered.
    EXPECT_EQ(Texts(), std::vector<std::string>{"Version 5 is out"});
    EXPECT_EQ(Requests[0].Buttons, TMsgDlgBtn::OK | TMsgDlgBtn::Cancel);
    EXPECT_EQ(Opened, std::vector<std::string>{"http://127.0.0.1:9/get"});
}

TEST_F(UpdateCheckUiTest, CompletionAgainstTheLocalService) {
    const std::string latest = Engine->Translate("MSGBOX_LastVersionAlready");
    const std::string keepChecking = Engine->Translate("MSGBOX_AutoCheckUpdate");
    const std::string connectFailed =
        "Can't connect to Tilewick Update Server. There are several possible reasons: \n";
    const std::string newVersion = "magicword=tilewick\r\nResult=1\r\ninfo=Version 5 is out\r\n"
                                   "page=http://127.0.0.1:9/get\r\n";
    const struct {
        const char* name;
        std::string reply;
        bool manual;
        const char* autoCheck; // "AutoCheckUpdate" before
        std::deque<int> answers;
        std::vector<std::string> texts;
        bool autoCheckAfter;
        std::vector<std::string> opened = {};
    } cases[] = {
        {"manual, up to date", "magicword=TILEWICK\nResult=0\n", true, "1", {}, {latest}, true},
        {"automatic, up to date", "magicword=TILEWICK\nResult=0\n", false, "1", {}, {}, true},
        {"automatic, checks off", newVersion, false, "0", {}, {}, false},
        {"automatic, new, OK",
         newVersion,
         false,
         "1",
         {mrOK},
         {"Version 5 is out"},
         true,
         {"http://127.0.0.1:9/get"}},
        {"automatic, Cancel then No",
         newVersion,
         false,
         "1",
         {mrCancel, mrNo},
         {"Version 5 is out", keepChecking},
         false},
        {"automatic, Cancel then Yes",
         newVersion,
         false,
         "1",
         {mrCancel, mrYes},
         {"Version 5 is out", keepChecking},
         true},
        {"manual, new, Cancel", newVersion, true, "1", {mrCancel}, {"Version 5 is out"}, true},
        {"manual, wrong magic word",
         "magicword=OTHER\nResult=1\n",
         true,
         "1",
         {},
         {connectFailed},
         true},
        {"automatic, wrong magic word", "magicword=OTHER\nResult=1\n", false, "1", {}, {}, true},
        {"manual, empty reply", "", true, "1", {}, {connectFailed}, true},
        {"manual, unknown result", "magicword=TILEWICK\nResult=2\n", true, "1", {}, {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetReply(c.reply);
        StartService(); // every case a new run: no check made manual before
        Settings().WriteString("AutoCheckUpdate", c.autoCheck);
        Settings().WriteInteger("LastUpdateDate", 0);
        Requests.clear();
        Opened.clear();
        Answers = c.answers;
        RunCheck(c.manual);

        std::vector<std::string> texts = Texts();
        if (!texts.empty() && c.texts == std::vector<std::string>{connectFailed})
            texts[0] = texts[0].substr(0, connectFailed.size());
        EXPECT_EQ(texts, c.texts);
        EXPECT_EQ(Settings().ReadBool("AutoCheckUpdate", true), c.autoCheckAfter);
        EXPECT_EQ(Settings().ReadInteger("LastUpdateDate", 0), FixedDay);
        EXPECT_EQ(Opened, c.opened);
        EXPECT_TRUE(Answers.empty()) << "every expected question was asked";
        Service.terminate();
        Service.waitForFinished();
    }
}

TEST_F(UpdateCheckUiTest, NothingListeningFailsOnceAndALaterCheckWorks) {
    const quint16 port = UnusedPort();
    UsePort(port);
    RunCheck(false);
    EXPECT_TRUE(Requests.empty()) << "an automatic check keeps quiet";
    EXPECT_EQ(Settings().ReadInteger("LastUpdateDate", 0), FixedDay);

    RunCheck(true);
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].Type, TMsgDlgType::Error);
    EXPECT_TRUE(Requests[0].Text.startsWith(QStringLiteral("Can't connect")));

    SetReply("magicword=TILEWICK\nResult=0\n");
    Service.setProgram(QStringLiteral(TILEWICK_SERVICE));
    Service.setArguments({QStringLiteral("--port"), QString::number(port),
                          QStringLiteral("--update-reply"),
                          QString::fromStdString(ReplyFile.string())});
    Service.start();
    ASSERT_TRUE(Service.waitForReadyRead(10'000));
    Requests.clear();
    RunCheck(true);
    EXPECT_EQ(Texts(), std::vector<std::string>{Engine->Translate("MSGBOX_LastVersionAlready")});
}

TEST_F(UpdateCheckUiTest, ASecondRequestWhileOneRunsMakesItReportAsManual) {
    RecordingServer server("magicword=TILEWICK\nResult=0\n");
    UsePort(server.serverPort());
    Updates->StartupUpdateCheck();
    Updates->CheckForUpdate(true);
    ASSERT_TRUE(WaitFor([this] { return !Updates->Checking(); }));
    EXPECT_EQ(server.Heads.size(), 1u) << "one download only";
    EXPECT_EQ(Texts(), std::vector<std::string>{Engine->Translate("MSGBOX_LastVersionAlready")});
}

TEST_F(UpdateCheckUiTest, AnOversizedReplyCountsAsFailed) {
    RecordingServer server("magicword=TILEWICK\nResult=0\n" +
                           QByteArray(static_cast<qsizetype>(MaxUpdateReplyBytes), 'x'));
    UsePort(server.serverPort());
    RunCheck(true);
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].Type, TMsgDlgType::Error);
}

TEST_F(UpdateCheckUiTest, NamedPagesOpenInTheBrowser) {
    UsePort(UnusedPort());
    Updates->OpenNamedPage("help");
    EXPECT_EQ(Opened, std::vector<std::string>{(ProgramFolder / "help.htm").string()})
        << "a local file, without a query";
    EXPECT_TRUE(Requests.empty());

    Updates->OpenNamedPage("home");
    EXPECT_EQ(Opened.size(), 1u) << "no address for the home page";
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].Type, TMsgDlgType::Error);
    EXPECT_TRUE(Requests[0].Text.contains(QStringLiteral("\"home\"")))
        << Requests[0].Text.toStdString();

    OpenerWorks = false;
    Updates->OpenNamedPage("help");
    ASSERT_EQ(Requests.size(), 2u);
    EXPECT_TRUE(Requests[1].Text.contains(QString::fromStdString(Opened.back())));
}

} // namespace
} // namespace tw::test
