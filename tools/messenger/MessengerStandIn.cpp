#include "MessengerStandIn.h"

#include "core/messenger/MessengerClient.h"

#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <utility>

namespace tw {
namespace {

constexpr std::int32_t kOffline = static_cast<std::int32_t>(ClientStatus::Offline);

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

MessengerStandIn::MessengerStandIn(QString name, std::int32_t status, bool signedIn)
    : name_(std::move(name)), chosenStatus_(status == kOffline ? 2 : status),
      signedIn_(signedIn && status != kOffline) {}

bool MessengerStandIn::OpenLog(const QString& path) {
    log_.setFileName(path);
    return log_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
}

std::optional<std::string> MessengerStandIn::FriendlyName(bool log) {
    if (log) {
        QJsonObject entry{{"call", "friendlyName"}, {"ok", signedIn_}};
        if (signedIn_) {
            entry["name"] = name_;
        }
        Log(entry);
    }
    if (!signedIn_) {
        return std::nullopt;
    }
    return name_.toStdString();
}

std::int32_t MessengerStandIn::Status() {
    const std::int32_t status = signedIn_ ? chosenStatus_ : kOffline;
    Log({{"call", "status"}, {"ok", true}, {"status", status}});
    return status;
}

bool MessengerStandIn::WriteProperty(int property, const std::string& value) {
    const QString path = FromUtf8(value);
    QJsonObject entry{{"call", "writeProperty"}, {"property", property}, {"value", path}};
    QString error;
    QImage picture;
    if (property != kDisplayPictureProperty) {
        error = QStringLiteral("unknown property");
    } else if (!signedIn_) {
        error = QStringLiteral("not signed in");
    } else {
        QImageReader reader(path);
        if (!reader.read(&picture)) {
            error = reader.errorString();
        }
    }
    entry["ok"] = error.isEmpty();
    if (!error.isEmpty()) {
        entry["error"] = error;
        Log(entry);
        return false;
    }
    Log(entry);
    picture_ = std::move(picture);
    picturePath_ = path;
    emit Changed();
    return true;
}

void MessengerStandIn::TakeCopyData(std::uint64_t dwData, std::span<const std::uint8_t> data) {
    QJsonObject entry{{"call", "copyData"},
                      {"dwData", static_cast<qint64>(dwData)},
                      {"bytes", static_cast<qint64>(data.size())}};
    const auto text = dwData == kNowPlayingCopyDataId ? DecodeNowPlayingBlock(data) : std::nullopt;
    entry["ok"] = text.has_value();
    if (text) {
        entry["text"] = FromUtf8(*text);
        nowPlaying_ = ParseNowPlaying(*text);
        if (nowPlaying_) {
            entry["category"] = FromUtf8(nowPlaying_->category);
            entry["enabled"] = nowPlaying_->enabled;
            entry["url"] = FromUtf8(nowPlaying_->Url());
            entry["message"] = FromUtf8(nowPlaying_->ShownText());
        }
        emit Changed();
    }
    Log(entry);
}

void MessengerStandIn::SetStatus(std::int32_t status) {
    if (status == kOffline) {
        SignOut();
        return;
    }
    chosenStatus_ = status;
    signedIn_ = true;
    Log({{"call", "setStatus"}, {"ok", true}, {"status", status}});
    emit Changed();
}

void MessengerStandIn::SignIn() {
    signedIn_ = true;
    Log({{"call", "signIn"}, {"ok", true}, {"status", chosenStatus_}});
    emit Changed();
}

void MessengerStandIn::SignOut() {
    signedIn_ = false;
    Log({{"call", "signOut"}, {"ok", true}});
    emit Changed();
}

void MessengerStandIn::SetName(const QString& name) {
    name_ = name;
    Log({{"call", "setName"}, {"ok", true}, {"name", name}});
    emit Changed();
}

void MessengerStandIn::Log(QJsonObject entry) {
    if (!log_.isOpen()) {
        return;
    }
    log_.write(QJsonDocument(entry).toJson(QJsonDocument::Compact) + '\n');
    log_.flush();
}

} // namespace tw
