#include "ClientStatuses.h"

#include "core/messenger/MessengerClient.h"

#include <array>

namespace tw {
namespace {

constexpr std::int32_t V(ClientStatus s) {
    return static_cast<std::int32_t>(s);
}

constexpr std::array kStatuses{
    ClientStatusInfo{V(ClientStatus::Offline), "offline", "Offline"},
    ClientStatusInfo{V(ClientStatus::Online), "online", "Online"},
    ClientStatusInfo{V(ClientStatus::Invisible), "invisible", "Appear offline"},
    ClientStatusInfo{V(ClientStatus::Busy), "busy", "Busy"},
    ClientStatusInfo{V(ClientStatus::BeRightBack), "brb", "Be right back"},
    ClientStatusInfo{V(ClientStatus::Idle), "idle", "Idle"},
    ClientStatusInfo{V(ClientStatus::Away), "away", "Away"},
    ClientStatusInfo{V(ClientStatus::OnThePhone), "phone", "On the phone"},
    ClientStatusInfo{V(ClientStatus::OutToLunch), "lunch", "Out to lunch"},
    ClientStatusInfo{V(ClientStatus::FindingServer), "finding", "Finding server"},
    ClientStatusInfo{V(ClientStatus::Connecting), "connecting", "Connecting"},
    ClientStatusInfo{V(ClientStatus::Synchronizing), "synchronizing", "Synchronizing"},
    ClientStatusInfo{V(ClientStatus::Disconnecting), "disconnecting", "Disconnecting"},
};

} // namespace

std::span<const ClientStatusInfo> ClientStatusTable() {
    return kStatuses;
}

std::optional<std::int32_t> ParseClientStatus(const QString& text) {
    for (const ClientStatusInfo& info : kStatuses) {
        if (text.compare(QLatin1String(info.key), Qt::CaseInsensitive) == 0 ||
            text == QString::number(info.value)) {
            return info.value;
        }
    }
    return std::nullopt;
}

QString ClientStatusLabel(std::int32_t value) {
    for (const ClientStatusInfo& info : kStatuses) {
        if (info.value == value) {
            return QString::fromLatin1(info.label);
        }
    }
    return QString::number(value);
}

} // namespace tw
