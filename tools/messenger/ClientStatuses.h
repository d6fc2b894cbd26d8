#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <span>

namespace tw {

// One status the stand-in can be in, as the real client reports it.
struct ClientStatusInfo {
    std::int32_t value;
    const char* key;   // command-line name
    const char* label; // shown in the window
};

std::span<const ClientStatusInfo> ClientStatusTable();
// A status given by its value or its command-line name; nothing for anything else.
std::optional<std::int32_t> ParseClientStatus(const QString& text);
QString ClientStatusLabel(std::int32_t value);

} // namespace tw
