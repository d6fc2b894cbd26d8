#pragma once

#include "core/messenger/MessengerClient.h"

#include <memory>
#include <optional>
#include <string_view>

namespace tw {

// Which client the Messenger link drives: "auto" (the default), "bus" or "pidgin".
enum class MessengerClientKind { Auto, Bus, Pidgin };

// The setting and constant that force one client.
inline constexpr std::string_view kMessengerClientKey = "Messenger.Client";

// The kind named by a setting's text, ignoring case; nothing for an unknown text.
std::optional<MessengerClientKind> ParseMessengerClientKind(std::string_view text);
std::string_view MessengerClientKindName(MessengerClientKind kind);

// The kind the user's setting names, else the product constant, else Auto.
MessengerClientKind ConfiguredMessengerClientKind();

// Drives the first of its clients that runs: a client that starts or ends is followed at the
// next call. When none runs, calls go to the first one (and fail as it fails).
class ChoosingMessengerClient : public IMessengerClient {
public:
    ChoosingMessengerClient(std::unique_ptr<IMessengerClient> first,
                            std::unique_ptr<IMessengerClient> second);

    bool IsRunning() override;
    std::string ReadFriendlyName() override;
    std::int32_t ReadStatus() override;
    void WriteProperty(int property, const std::string& value) override;
    void SendCopyData(std::uint32_t dwData, std::span<const std::uint8_t> data) override;

private:
    IMessengerClient& Chosen();

    std::unique_ptr<IMessengerClient> first_;
    std::unique_ptr<IMessengerClient> second_;
};

// The client for a kind: Auto tries the stand-in's window "MsnMsgrUIManager" on the message
// bus first, then Pidgin on the D-Bus session bus.
std::unique_ptr<IMessengerClient> MakeMessengerClient(MessengerClientKind kind);
// The client the settings ask for.
std::unique_ptr<IMessengerClient> MakeMessengerClient();

} // namespace tw
