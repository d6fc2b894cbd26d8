#include "ui/messenger/PidginMessengerClient.h"

#include "core/messenger/NowPlaying.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QList>
#include <filesystem>
#include <system_error>

namespace tw {

namespace {

const QString kPurplePath = QStringLiteral("/im/pidgin/purple/PurpleObject");
const QString kPurpleInterface = QStringLiteral("im.pidgin.purple.PurpleInterface");

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// The path under which the same picture is set again: "x.bmp" gives "x~.bmp" and back.
std::filesystem::path Alternate(const std::filesystem::path& path) {
    std::string stem = path.stem().string();
    if (!stem.empty() && stem.back() == '~') {
        stem.pop_back();
    } else {
        stem.push_back('~');
    }
    return path.parent_path() / (stem + path.extension().string());
}

} // namespace

std::int32_t ClientStatusForPrimitive(std::int32_t primitive) {
    switch (static_cast<PurpleStatusPrimitive>(primitive)) {
    case PurpleStatusPrimitive::Offline:
        return static_cast<std::int32_t>(ClientStatus::Offline);
    case PurpleStatusPrimitive::Available:
        return static_cast<std::int32_t>(ClientStatus::Online);
    case PurpleStatusPrimitive::Unavailable:
        return static_cast<std::int32_t>(ClientStatus::Busy);
    case PurpleStatusPrimitive::Invisible:
        return static_cast<std::int32_t>(ClientStatus::Invisible);
    case PurpleStatusPrimitive::Away:
        return static_cast<std::int32_t>(ClientStatus::Away);
    case PurpleStatusPrimitive::ExtendedAway:
        return static_cast<std::int32_t>(ClientStatus::BeRightBack);
    default:
        return static_cast<std::int32_t>(ClientStatus::Idle);
    }
}

PidginMessengerClient::PidginMessengerClient()
    : bus_(qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")
               ? QDBusConnection(QStringLiteral("tilewick-no-session-bus"))
               : QDBusConnection::sessionBus()) {}

bool PidginMessengerClient::IsRunning() {
    const QDBusConnectionInterface* names = bus_.isConnected() ? bus_.interface() : nullptr;
    return names != nullptr && names->isServiceRegistered(QString::fromLatin1(kPidginService));
}

std::string PidginMessengerClient::ReadFriendlyName() {
    const auto accounts = qdbus_cast<QList<std::int32_t>>(Call("PurpleAccountsGetAllActive"));
    for (const std::int32_t account : accounts) {
        if (CallInt("PurpleAccountIsConnected", {account}) == 0) {
            continue;
        }
        std::string name = CallString("PurpleAccountGetAlias", {account});
        if (name.empty()) {
            const std::int32_t connection = CallInt("PurpleAccountGetConnection", {account});
            name = CallString("PurpleConnectionGetDisplayName", {connection});
        }
        return name.empty() ? CallString("PurpleAccountGetUsername", {account}) : name;
    }
    return {};
}

std::int32_t PidginMessengerClient::ReadStatus() {
    // Saved-status handles differ from run to run of Pidgin: always ask for the current one.
    const std::int32_t current = CallInt("PurpleSavedstatusGetCurrent");
    return ClientStatusForPrimitive(CallInt("PurpleSavedstatusGetType", {current}));
}

void PidginMessengerClient::WriteProperty(int property, const std::string& value) {
    if (property != kDisplayPictureProperty) {
        throw MessengerError("Pidgin has no property " + std::to_string(property));
    }
    const QVariantList name{QString::fromLatin1(kPidginBuddyIconPref)};
    std::string path = value;
    if (CallString("PurplePrefsGetPath", name) == path) {
        const std::filesystem::path copy = Alternate(value);
        std::error_code ec;
        std::filesystem::copy_file(value, copy, std::filesystem::copy_options::overwrite_existing,
                                   ec);
        if (ec) {
            throw MessengerError("cannot copy the picture for Pidgin: " + ec.message());
        }
        path = copy.string();
    }
    Call("PurplePrefsSetPath", {name.front(), Q(path)});
}

void PidginMessengerClient::SendCopyData(std::uint32_t dwData, std::span<const std::uint8_t> data) {
    if (dwData != kNowPlayingCopyDataId) {
        throw MessengerError("Pidgin takes no copy-data block " + std::to_string(dwData));
    }
    const std::optional<std::string> text = DecodeNowPlayingBlock(data);
    if (!text) {
        throw MessengerError("the now-playing block has the wrong size");
    }
    // An empty text (a message too long for the block) clears the status message.
    const std::optional<NowPlayingFields> fields = ParseNowPlaying(*text);
    SetStatusMessage(fields ? fields->ShownText() : std::string());
}

void PidginMessengerClient::SetStatusMessage(const std::string& message) {
    const std::int32_t current = CallInt("PurpleSavedstatusGetCurrent");
    if (CallString("PurpleSavedstatusGetMessage", {current}) == message) {
        return;
    }
    const std::int32_t type = CallInt("PurpleSavedstatusGetType", {current});
    // Reusing a transient status of the same type and message keeps Pidgin's list of recent
    // statuses from growing with every slide. An empty text stands for "no message".
    std::int32_t status =
        CallInt("PurpleSavedstatusFindTransientByTypeAndMessage", {type, Q(message)});
    if (status == 0) {
        status = CallInt("PurpleSavedstatusNew", {QString(), type});
        Call("PurpleSavedstatusSetMessage", {status, Q(message)});
    }
    Call("PurpleSavedstatusActivate", {status});
}

QVariant PidginMessengerClient::Call(const QString& method, const QVariantList& args) {
    if (restUntil_ && Clock::now() < *restUntil_) {
        throw MessengerError("Pidgin is not answering");
    }
    QDBusMessage message = QDBusMessage::createMethodCall(QString::fromLatin1(kPidginService),
                                                          kPurplePath, kPurpleInterface, method);
    message.setArguments(args);
    const QDBusMessage reply =
        bus_.call(message, QDBus::Block, static_cast<int>(timing_.CallTimeout.count()));
    const bool timedOut =
        reply.type() == QDBusMessage::ErrorMessage &&
        (reply.errorName() == QStringLiteral("org.freedesktop.DBus.Error.NoReply") ||
         reply.errorName() == QStringLiteral("org.freedesktop.DBus.Error.Timeout"));
    if (timedOut) {
        restUntil_ = Clock::now() + timing_.RestAfterTimeout;
    } else {
        restUntil_.reset();
    }
    if (reply.type() != QDBusMessage::ReplyMessage) {
        throw MessengerError("Pidgin did not answer " + method.toStdString() + ": " +
                             reply.errorMessage().toStdString());
    }
    return reply.arguments().value(0);
}

std::int32_t PidginMessengerClient::CallInt(const QString& method, const QVariantList& args) {
    const QVariant value = Call(method, args);
    bool ok = false;
    const int number = value.toInt(&ok);
    if (!ok) {
        throw MessengerError("Pidgin's answer to " + method.toStdString() + " is not a number");
    }
    return number;
}

std::string PidginMessengerClient::CallString(const QString& method, const QVariantList& args) {
    const QVariant value = Call(method, args);
    if (value.typeId() != QMetaType::QString) {
        throw MessengerError("Pidgin's answer to " + method.toStdString() + " is not a text");
    }
    return value.toString().toStdString();
}

} // namespace tw
