// The search's download component against a loopback server: what it reports, its size cap,
// and that a failed download leaves the previous file alone.
#include "ui/online/HttpGet.h"

#include "OnlineWindowFixture.h"

#include <QNetworkAccessManager>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <sstream>

namespace tw::test {
namespace {

constexpr std::size_t Cap = 1000;

// Everything one download reported.
struct Reports {
    explicit Reports(THttpGet& get) {
        QObject::connect(&get, &THttpGet::DoneString, [this](const QByteArray& text) {
            Text = text;
            ++Count;
        });
        QObject::connect(&get, &THttpGet::DoneFile, [this](const QString&, qint64 size) {
            FileSize = size;
            ++Count;
        });
        QObject::connect(&get, &THttpGet::Error, [this](const QString& reason) {
            Errors << reason;
            ++Count;
        });
    }
    QByteArray Text;
    qint64 FileSize = -1;
    QStringList Errors;
    int Count = 0;
};

std::string Contents(const QString& fileName) {
    std::ifstream in(fileName.toStdString(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(HttpGetTest, ReportsTheDownloadOrAnErrorAndKeepsTheOldFileOnFailure) {
    struct Case {
        const char* name;
        CannedHttpServer::Reply reply;
        bool toFile;
        bool fails;
    };
    const QByteArray small = "picture bytes";
    const QByteArray large(static_cast<int>(Cap) + 1, 'x');
    const Case cases[] = {
        {"text", {200, small, true, true}, false, false},
        {"file", {200, small, true, true}, true, false},
        {"file without length", {200, small, false, true}, true, false},
        {"announced too large", {200, large, true, true}, true, true},
        {"too large without length", {200, large, false, true}, true, true},
        {"text too large", {200, large, false, true}, false, true},
        {"not found", {404, small, true, true}, true, true},
    };
    QNetworkAccessManager network;
    QTemporaryDir folder;
    const QString fileName = folder.filePath(QStringLiteral("temp.jpg"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(fileName.toStdString(), std::ios::binary) << "old";
        CannedHttpServer server;
        server.Answer = c.reply;
        THttpGet get(network, Cap);
        Reports reports(get);
        const QString address = server.Address(QStringLiteral("/p.jpg"));
        ASSERT_TRUE(c.toFile ? get.GetFile(address, fileName) : get.GetString(address));
        ASSERT_TRUE(WaitFor([&] { return reports.Count > 0; }));
        QTest::qWait(50);
        EXPECT_EQ(reports.Count, 1);
        EXPECT_FALSE(get.Busy());
        EXPECT_EQ(reports.Errors.size(), c.fails ? 1 : 0);
        if (c.fails) {
            EXPECT_EQ(Contents(fileName), "old");
        } else if (c.toFile) {
            EXPECT_EQ(Contents(fileName), small.toStdString());
            EXPECT_EQ(reports.FileSize, small.size());
        } else {
            EXPECT_EQ(reports.Text, small);
            EXPECT_EQ(Contents(fileName), "old");
        }
    }
}

TEST(HttpGetTest, SendsItsHeadersOnlyToWebAddressesAndOneAtATime) {
    QNetworkAccessManager network;
    CannedHttpServer server;
    server.Answer.Respond = false;
    THttpGet get(network, Cap);
    Reports reports(get);

    // Neither a local file nor another scheme is fetched.
    for (const char* address : {"file:///etc/passwd", "ftp://127.0.0.1/x", "not an address"}) {
        ASSERT_TRUE(get.GetString(QString::fromLatin1(address)));
        EXPECT_FALSE(get.Busy());
    }
    EXPECT_EQ(reports.Errors.size(), 3);

    ASSERT_TRUE(get.GetString(server.Address(QStringLiteral("/a"))));
    EXPECT_FALSE(get.GetString(server.Address(QStringLiteral("/b"))));
    ASSERT_TRUE(WaitFor([&] { return !server.Requests.empty(); }));
    QTest::qWait(100);
    EXPECT_EQ(server.Requests, std::vector<QByteArray>{"GET /a HTTP/1.1"});
    EXPECT_TRUE(server.Headers[0].contains("\r\nUser-Agent: DuzaZudi HTTPGet\r\n"))
        << server.Headers[0].toStdString();
    EXPECT_TRUE(server.Headers[0].contains("\r\nAccept: */*\r\n"));

    // An aborted download reports nothing.
    get.Abort();
    QTest::qWait(200);
    EXPECT_FALSE(get.Busy());
    EXPECT_EQ(reports.Count, 3);
}

} // namespace
} // namespace tw::test
