#include "LocalService.h"

#include "PictureFolder.h"
#include "ServicePages.h"
#include "core/app/uUtils.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>
#include <fstream>
#include <optional>

namespace tw::service {
namespace {

constexpr qsizetype MaxRequestHead = 16 * 1024;
constexpr std::uintmax_t MaxFileBytes = 32 * 1024 * 1024;
constexpr int RequestTimeoutMs = 10000;

const char* Reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 431:
        return "Request Header Fields Too Large";
    default:
        return "Internal Server Error";
    }
}

HttpResponse Failure(int status) {
    return {status, "text/plain; charset=utf-8", std::string(Reason(status)) + "\n"};
}

// The whole file, or nothing when it cannot be read or is too large to serve.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > MaxFileBytes)
        return std::nullopt;
    std::ifstream file(path, std::ios::binary);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (!file.read(bytes.data(), static_cast<std::streamsize>(bytes.size())))
        return std::nullopt;
    return bytes;
}

} // namespace

LocalService::LocalService(ServiceOptions options, QObject* parent)
    : QObject(parent), options_(std::move(options)) {
    connect(&server_, &QTcpServer::newConnection, this, &LocalService::Accept);
}

bool LocalService::Start(QString& error) {
    if (server_.listen(QHostAddress::LocalHost, options_.Port))
        return true;
    error = server_.errorString();
    return false;
}

void LocalService::Accept() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Read(socket); });
        // A client that never finishes its request does not hold the connection.
        QTimer::singleShot(RequestTimeoutMs, socket, [socket] { socket->abort(); });
    }
}

void LocalService::Read(QTcpSocket* socket) {
    if (socket->property("answered").toBool()) {
        socket->readAll();
        return;
    }
    QByteArray head = socket->property("head").toByteArray() + socket->readAll();
    const qsizetype end = head.indexOf("\r\n\r\n");
    if (end < 0) {
        if (head.size() <= MaxRequestHead) {
            socket->setProperty("head", head);
            return;
        }
    }
    socket->setProperty("answered", true);
    socket->setProperty("head", QByteArray());
    if (end < 0 || end > MaxRequestHead) {
        Send(socket, Failure(431), true);
        return;
    }
    const QList<QByteArray> words = head.left(head.indexOf("\r\n")).split(' ');
    if (words.size() != 3 || !words[2].startsWith("HTTP/1.")) {
        Send(socket, Failure(400), true);
        return;
    }
    const std::string method = words[0].toStdString();
    Send(socket, Answer(method, words[1].toStdString()), method != "HEAD");
}

HttpResponse LocalService::Answer(const std::string& method, const std::string& target) const {
    if (method != "GET" && method != "HEAD")
        return Failure(405);
    const auto mark = target.find('?');
    const std::string path = target.substr(0, mark);
    const std::string query = mark == std::string::npos ? std::string() : target.substr(mark);
    if (path == "/")
        return {200, "text/html; charset=utf-8", HomePage()};
    if (path == "/search")
        return Search(query);
    if (path.starts_with("/pictures/"))
        return Picture(path.substr(10));
    if (path == "/update/" || path == "/update")
        return UpdateReply();
    return Failure(404);
}

HttpResponse LocalService::Search(const std::string& query) const {
    QueryValues values;
    ParseQueryString(query, values);
    const std::string keywords = QueryValue(values, "q");
    const int start = StrToIntDefault(QueryValue(values, "start"), 1);
    const std::vector<std::string> names = options_.Pictures.empty()
                                               ? std::vector<std::string>()
                                               : FindPictures(options_.Pictures, keywords);
    const std::string base =
        "http://127.0.0.1:" + std::to_string(server_.serverPort()) + "/pictures/";
    return {200, "text/html; charset=utf-8", SearchPage(keywords, names, start, base)};
}

HttpResponse LocalService::Picture(const std::string& encodedName) const {
    std::string name;
    if (options_.Pictures.empty() || !PercentDecode(encodedName, name))
        return Failure(404);
    const auto path = PicturePath(options_.Pictures, name);
    if (!path)
        return Failure(404);
    auto bytes = ReadWholeFile(*path);
    if (!bytes)
        return Failure(500);
    return {200, std::string(PictureType(name)), std::move(*bytes)};
}

HttpResponse LocalService::UpdateReply() const {
    if (options_.UpdateReply.empty())
        return Failure(404);
    // Read at every request, so that the reply can be changed while the service runs.
    auto reply = ReadWholeFile(options_.UpdateReply);
    if (!reply)
        return Failure(500);
    return {200, "text/plain; charset=utf-8", std::move(*reply)};
}

void LocalService::Send(QTcpSocket* socket, const HttpResponse& response, bool withBody) {
    const std::string head = "HTTP/1.1 " + std::to_string(response.Status) + " " +
                             Reason(response.Status) + "\r\nContent-Type: " + response.Type +
                             "\r\nContent-Length: " + std::to_string(response.Body.size()) +
                             "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n";
    socket->write(head.data(), static_cast<qint64>(head.size()));
    if (withBody)
        socket->write(response.Body.data(), static_cast<qint64>(response.Body.size()));
    socket->disconnectFromHost();
}

} // namespace tw::service
