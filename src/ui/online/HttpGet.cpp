#include "ui/online/HttpGet.h"

#include "core/online/uOnlineSearch.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QUrl>
#include <utility>

namespace tw {
namespace {

constexpr int MaxRedirects = 5;

QString TooLarge(std::size_t maxBytes) {
    return QStringLiteral("The download is larger than %1 MB.").arg(maxBytes / (1024 * 1024));
}

} // namespace

THttpGet::THttpGet(QNetworkAccessManager& network, std::size_t maxBytes, QObject* parent)
    : QObject(parent), network_(network), maxBytes_(maxBytes) {}

THttpGet::~THttpGet() {
    Abort();
}

bool THttpGet::GetString(const QString& url) {
    if (Busy())
        return false;
    text_.clear();
    Start(url);
    return true;
}

bool THttpGet::GetFile(const QString& url, const QString& fileName) {
    if (Busy())
        return false;
    file_ = std::make_unique<QSaveFile>(fileName);
    if (!file_->open(QIODevice::WriteOnly)) {
        const QString reason = file_->errorString();
        file_.reset();
        emit Error(reason);
        return true;
    }
    Start(url);
    return true;
}

bool THttpGet::Start(const QString& url) {
    const QUrl address(url);
    // Constants and result pages decide these addresses: never a local file or another scheme.
    if (!address.isValid() ||
        (address.scheme() != QLatin1String("http") && address.scheme() != QLatin1String("https"))) {
        Fail(QStringLiteral("Not a web address: %1").arg(url));
        return false;
    }
    QNetworkRequest request(address);
    request.setRawHeader("Accept", "*/*");
    request.setHeader(
        QNetworkRequest::UserAgentHeader,
        QByteArray(SearchUserAgent.data(), static_cast<qsizetype>(SearchUserAgent.size())));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(MaxRedirects);
    request.setTransferTimeout(TransferTimeoutMs);

    received_ = 0;
    reply_ = network_.get(request);
    connect(reply_, &QNetworkReply::readyRead, this, &THttpGet::ReadAvailable);
    connect(reply_, &QNetworkReply::downloadProgress, this, &THttpGet::ReportProgress);
    connect(reply_, &QNetworkReply::finished, this, &THttpGet::Finished);
    return true;
}

void THttpGet::ReadAvailable() {
    const QByteArray chunk = reply_->readAll();
    received_ += chunk.size();
    if (static_cast<std::size_t>(received_) > maxBytes_)
        return Fail(TooLarge(maxBytes_));
    if (!file_) {
        text_ += chunk;
        return;
    }
    if (file_->write(chunk) != chunk.size())
        Fail(file_->errorString());
}

void THttpGet::ReportProgress(qint64 received, qint64 total) {
    // An announced size over the cap fails before its bytes arrive.
    if (total > 0 && static_cast<std::size_t>(total) > maxBytes_)
        return Fail(TooLarge(maxBytes_));
    emit Progress(received, total);
}

void THttpGet::Finished() {
    if (reply_->error() != QNetworkReply::NoError)
        return Fail(reply_->errorString());
    ReadAvailable();
    if (!Busy())
        return; // the last bytes failed
    if (!file_) {
        const QByteArray text = std::exchange(text_, {});
        Release();
        emit DoneString(text);
        return;
    }
    if (!file_->commit()) {
        const QString reason = file_->errorString();
        Release();
        emit Error(reason);
        return;
    }
    const QString fileName = file_->fileName();
    const qint64 size = received_;
    Release();
    emit DoneFile(fileName, size);
}

void THttpGet::Fail(const QString& reason) {
    Release();
    emit Error(reason);
}

void THttpGet::Abort() {
    Release();
}

void THttpGet::Release() {
    if (reply_) {
        QNetworkReply* reply = reply_;
        reply_.clear();
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    // An uncommitted save file leaves the old file as it was.
    file_.reset();
    text_.clear();
}

} // namespace tw
