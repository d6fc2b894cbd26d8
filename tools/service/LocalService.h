#pragma once

#include <QObject>
#include <QTcpServer>
#include <filesystem>
#include <string>

class QTcpSocket;

// A small HTTP/1.1 server on the loopback address: the picture search over a folder of
// pictures, the pictures themselves and the update check's reply.
namespace tw::service {

struct ServiceOptions {
    quint16 Port = 8765;
    std::filesystem::path Pictures;    // empty: no pictures, every search finds nothing
    std::filesystem::path UpdateReply; // empty: "/update/" is not found
};

struct HttpResponse {
    int Status = 200;
    std::string Type = "text/html; charset=utf-8";
    std::string Body;
};

class LocalService : public QObject {
    Q_OBJECT
public:
    explicit LocalService(ServiceOptions options, QObject* parent = nullptr);

    // Listens on 127.0.0.1; false with the reason in `error` when that fails.
    bool Start(QString& error);
    quint16 Port() const { return server_.serverPort(); }

private:
    void Accept();
    void Read(QTcpSocket* socket);
    HttpResponse Answer(const std::string& method, const std::string& target) const;
    HttpResponse Search(const std::string& query) const;
    HttpResponse Picture(const std::string& encodedName) const;
    HttpResponse UpdateReply() const;
    static void Send(QTcpSocket* socket, const HttpResponse& response, bool withBody);

    ServiceOptions options_;
    QTcpServer server_;
};

} // namespace tw::service
