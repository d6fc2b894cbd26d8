#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstddef>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QSaveFile;

// One HTTP download at a time, as the online search uses it: "*/*" accepted, the search's
// user agent, a cap on the size and a time-out for a stalled server. Everything is reported
// on the thread that owns the object; an aborted download reports nothing.
namespace tw {

class THttpGet : public QObject {
    Q_OBJECT
public:
    THttpGet(QNetworkAccessManager& network, std::size_t maxBytes, QObject* parent = nullptr);
    // Aborts a running download without reporting it.
    ~THttpGet() override;

    // Fetches `url` as text (DoneString). False, doing nothing, while a download runs. An
    // address that is not "http:" or "https:" is reported as an error at once.
    bool GetString(const QString& url);
    // Fetches `url` into `fileName` (DoneFile), like GetString; the file is replaced only by
    // a complete download.
    bool GetFile(const QString& url, const QString& fileName);

    bool Busy() const { return !reply_.isNull(); }
    // Stops the running download, if any; nothing is reported for it.
    void Abort();

    // Gives up on a download that receives nothing for this long.
    static constexpr int TransferTimeoutMs = 30000;

signals:
    void DoneString(const QByteArray& text);
    void DoneFile(const QString& fileName, qint64 size);
    // `total` is -1 while the size is not known.
    void Progress(qint64 received, qint64 total);
    void Error(const QString& reason);

private:
    bool Start(const QString& url);
    void ReadAvailable();
    void ReportProgress(qint64 received, qint64 total);
    void Finished();
    // Ends the download and reports `reason`.
    void Fail(const QString& reason);
    // Lets go of the reply and the file without reporting anything.
    void Release();

    QNetworkAccessManager& network_;
    std::size_t maxBytes_;
    QPointer<QNetworkReply> reply_;
    std::unique_ptr<QSaveFile> file_;
    QByteArray text_;
    qint64 received_ = 0;
};

} // namespace tw
