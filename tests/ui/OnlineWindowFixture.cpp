#include "OnlineWindowFixture.h"

#include "ui/online/KeywordBox.h"
#include "ui/online/ResultBrowser.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpSocket>
#include <QWebEngineScript>

namespace tw::test {

namespace fs = std::filesystem;

CannedHttpServer::CannedHttpServer() {
    server_.listen(QHostAddress::LocalHost, 0);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                if (!socket->canReadLine() || socket->property("answered").toBool())
                    return;
                socket->setProperty("answered", true);
                Requests.push_back(socket->readLine().trimmed());
                Headers.push_back(socket->readAll());
                if (!Answer.Respond)
                    return;
                QByteArray head = "HTTP/1.1 " + QByteArray::number(Answer.Status) +
                                  " Canned\r\nContent-Type: text/html\r\nConnection: close\r\n";
                if (Answer.SendLength)
                    head += "Content-Length: " + QByteArray::number(Answer.Body.size()) + "\r\n";
                socket->write(head + "\r\n" + Answer.Body);
                socket->disconnectFromHost();
            });
        }
    });
}

QString CannedHttpServer::Address(const QString& path) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(Port()).arg(path);
}

void OnlineWindowFixture::SetUp() {
    EngineFixture::SetUp();
    fs::copy(fs::path(TILEWICK_SOURCE_DIR) / "resources/res", ProgramFolder / "res",
             fs::copy_options::recursive);
    UseSearchUrl("http://127.0.0.1:9/search?q=");
}

void OnlineWindowFixture::TearDown() {
    ownWindow_.reset();
    window_ = nullptr;
    Manager.reset();
    if (service_) {
        service_->kill();
        service_->waitForFinished();
        service_.reset();
    }
    EngineFixture::TearDown();
}

void OnlineWindowFixture::UseSearchUrl(const std::string& searchUrl) {
    WriteProgramFile("const.dat", "[const]\nApp.Ver=4.2.0.0\nApp.ConfigPath=Tilewick\n"
                                  "URL.SearchURL=" +
                                      searchUrl + "\n");
    // The store the base fixture made goes; the base puts the original one back at the end.
    ReplaceSettings(std::make_unique<TSettings>(ProgramFolder.string()));
    Settings().SelectDataFolder(false);
    Manager = std::make_unique<TMsnHeadManager>(Settings().DataFolder());
}

void OnlineWindowFixture::StartService(const std::vector<std::string>& names) {
    const fs::path pictures = Root / "pictures";
    fs::create_directories(pictures);
    const fs::path samples = fs::path(TILEWICK_SOURCE_DIR) / "resources/res/samples";
    for (const std::string& name : names) {
        // A sample of that name, else any one.
        const fs::path sample = fs::exists(samples / name) ? samples / name : samples / "cat_2.png";
        fs::copy_file(sample, pictures / name, fs::copy_options::overwrite_existing);
    }
    service_ = std::make_unique<QProcess>();
    service_->start(QStringLiteral(TILEWICK_SERVICE),
                    {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--pictures"),
                     QString::fromStdString(pictures.string())});
    ASSERT_TRUE(service_->waitForReadyRead(10000)) << "tilewick-service did not start";
    const QString line = QString::fromUtf8(service_->readLine());
    const int at = line.indexOf(QStringLiteral("127.0.0.1:"));
    ASSERT_GE(at, 0) << line.toStdString();
    const int port = line.mid(at + 10).section(QLatin1Char('/'), 0, 0).toInt();
    UseSearchUrl("http://127.0.0.1:" + std::to_string(port) + "/search?q=");
}

TfrmOnlineImage& OnlineWindowFixture::Window() {
    if (window_ == nullptr) {
        ownWindow_ = std::make_unique<TfrmOnlineImage>(*Engine, *Manager);
        Track(*ownWindow_);
        ownWindow_->show();
    }
    return *window_;
}

TfrmOnlineImage& OnlineWindowFixture::ShowManagersWindow() {
    TfrmOnlineImage& window = ShowOnlineSearch(*Engine, *Manager);
    if (window_ != &window)
        Track(window);
    return window;
}

void OnlineWindowFixture::Track(TfrmOnlineImage& window) {
    window_ = &window;
    QObject::connect(window.wbMain, &QWebEngineView::loadFinished, &window,
                     [this](bool ok) { PagesShown += ok ? 1 : 0; });
}

bool OnlineWindowFixture::SearchFor(const QString& keyword) {
    TfrmOnlineImage& window = Window();
    const int seen = PagesShown;
    window.cbKeyword->setEditText(keyword);
    window.btnSearch->click();
    return WaitForPage(seen);
}

bool OnlineWindowFixture::WaitForPage(int seen) {
    return WaitFor([&] { return PagesShown > seen; });
}

QVariant OnlineWindowFixture::Js(const QString& script) {
    bool done = false;
    QVariant value;
    Window().wbMain->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                                           [&](const QVariant& result) {
                                               value = result;
                                               done = true;
                                           });
    EXPECT_TRUE(WaitFor([&] { return done; })) << script.toStdString();
    return value;
}

void OnlineWindowFixture::FollowFromPage(const QString& address) {
    const QByteArray quoted = QJsonDocument(QJsonArray{address}).toJson(QJsonDocument::Compact);
    Js(QStringLiteral("location.href = %1[0]; true").arg(QString::fromUtf8(quoted)));
}

} // namespace tw::test
