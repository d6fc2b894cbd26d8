#include "ui/app/uUpdateCheckUi.h"

#include "core/app/uSettings.h"
#include "platform/Processes.h"
#include "ui/app/uEngineServices.h"

#include <QByteArray>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>
#include <memory>

namespace tw {
namespace {

// "Name: value" as the request header it names.
std::pair<QByteArray, QByteArray> SplitHeader(std::string_view header) {
    const auto colon = header.find(':');
    const std::string_view value = header.substr(colon + 1);
    return {QByteArray(header.data(), static_cast<qsizetype>(colon)),
            QByteArray(value.data(), static_cast<qsizetype>(value.size())).trimmed()};
}

// The address as built, byte for byte: its query is already form-encoded and must reach the
// server as it is. An address without a scheme is taken as an "http://" one.
QUrl RequestAddress(const std::string& url) {
    QByteArray bytes = QByteArray::fromStdString(url);
    if (!bytes.contains("://"))
        bytes.prepend("http://");
    return QUrl::fromEncoded(bytes, QUrl::StrictMode);
}

struct DeleteLater {
    void operator()(QObject* object) const { object->deleteLater(); }
};

} // namespace

TUpdateCheckUi::TUpdateCheckUi(TEngineServices& engine, TUpdateCheck check)
    : Engine(engine), Check(std::move(check)), Opener(OpenInBrowser) {
    iedNetConnection.setObjectName(QStringLiteral("iedNetConnection"));
}

TUpdateCheckUi::~TUpdateCheckUi() {
    // A request still on its way ends here, unanswered.
    if (Pending) {
        Pending->disconnect(this);
        Pending->abort();
    }
}

void TUpdateCheckUi::CheckForUpdate(bool manual) {
    if (const std::optional<std::string> url = Check.CheckForUpdate(manual))
        StartRequest(*url);
}

void TUpdateCheckUi::StartupUpdateCheck() {
    if (const std::optional<std::string> url = Check.StartupUpdateCheck())
        StartRequest(*url);
}

void TUpdateCheckUi::StartRequest(const std::string& url) {
    QNetworkRequest request(RequestAddress(url));
    const auto [name, value] = SplitHeader(UpdateRequestHeader);
    request.setRawHeader(name, value);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QString::fromStdString("Tilewick/" + Settings().VersionText()));
    request.setTransferTimeout(UpdateTimeoutMs);
    QNetworkReply* reply = iedNetConnection.get(request);
    Pending = reply;
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > static_cast<qint64>(MaxUpdateReplyBytes))
            reply->abort();
    });
    // Queued, so that the questions of the reply are never asked from inside the network
    // code's own signals.
    connect(reply, &QNetworkReply::finished, this, &TUpdateCheckUi::iedNetConnectionComplete,
            Qt::QueuedConnection);
}

void TUpdateCheckUi::iedNetConnectionComplete() {
    const std::unique_ptr<QNetworkReply, DeleteLater> reply(Pending.data());
    Pending = nullptr;
    bool succeeded = reply != nullptr && reply->error() == QNetworkReply::NoError;
    QByteArray body;
    if (succeeded) {
        body = reply->read(static_cast<qint64>(MaxUpdateReplyBytes) + 1);
        succeeded = body.size() <= static_cast<qsizetype>(MaxUpdateReplyBytes);
    }
    Check.iedNetConnectionComplete(
        succeeded, std::string_view(body.constData(), static_cast<std::size_t>(body.size())),
        *this);
}

void TUpdateCheckUi::OpenURL(const std::string& url) {
    if (!Opener(url))
        Engine.ShowMessageBox("No web browser could open %1.", {url}, mrNone, TMsgDlgBtn::OK,
                              TMsgDlgType::Error, 0);
}

void TUpdateCheckUi::OpenNamedPage(const std::string& pageName) {
    const std::string url = Check.BuildURL(pageName, true);
    if (url.empty()) {
        Engine.ShowMessageBox("No web address is set for the page \"%1\".", {pageName}, mrNone,
                              TMsgDlgBtn::OK, TMsgDlgType::Error, 0);
        return;
    }
    OpenURL(url);
}

void TUpdateCheckUi::SetUrlOpener(TUrlOpener opener) {
    Opener = opener ? std::move(opener) : TUrlOpener(OpenInBrowser);
}

void TUpdateCheckUi::ShowLatestVersion() {
    Engine.ShowMessageBox("MSGBOX_LastVersionAlready", {}, mrNone, TMsgDlgBtn::OK,
                          TMsgDlgType::Information, 0);
}

bool TUpdateCheckUi::ConfirmNewVersion(const std::string& info) {
    return Engine.ShowMessageBox(info, {}, mrNone, TMsgDlgBtn::OK | TMsgDlgBtn::Cancel,
                                 TMsgDlgType::Confirmation, 0) == mrOK;
}

bool TUpdateCheckUi::KeepAutoCheck() {
    return Engine.ShowMessageBox("MSGBOX_AutoCheckUpdate", {}, mrNone,
                                 TMsgDlgBtn::Yes | TMsgDlgBtn::No, TMsgDlgType::Confirmation,
                                 0) != mrNo;
}

void TUpdateCheckUi::ShowConnectFailed() {
    Engine.ShowErrorMessage(1011, "");
}

} // namespace tw
