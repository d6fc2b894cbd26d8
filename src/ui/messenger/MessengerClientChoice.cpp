#include "ui/messenger/MessengerClientChoice.h"

#include "core/app/uSettings.h"
#include "core/messenger/BusMessengerClient.h"
#include "ui/messenger/PidginMessengerClient.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <utility>

namespace tw {

namespace {

constexpr std::array<std::pair<MessengerClientKind, std::string_view>, 3> kKindNames{{
    {MessengerClientKind::Auto, "auto"},
    {MessengerClientKind::Bus, "bus"},
    {MessengerClientKind::Pidgin, "pidgin"},
}};

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(
        a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

} // namespace

std::optional<MessengerClientKind> ParseMessengerClientKind(std::string_view text) {
    for (const auto& [kind, name] : kKindNames) {
        if (EqualIgnoringCase(text, name)) {
            return kind;
        }
    }
    return std::nullopt;
}

std::string_view MessengerClientKindName(MessengerClientKind kind) {
    for (const auto& [k, name] : kKindNames) {
        if (k == kind) {
            return name;
        }
    }
    return kKindNames.front().second;
}

MessengerClientKind ConfiguredMessengerClientKind() {
    const TSettings& settings = Settings();
    const std::string constant = settings.ReadConstString(kMessengerClientKey);
    const std::string chosen = settings.ReadString(kMessengerClientKey, constant);
    // A setting that names no client falls back to the product's choice.
    if (const auto kind = ParseMessengerClientKind(chosen)) {
        return *kind;
    }
    return ParseMessengerClientKind(constant).value_or(MessengerClientKind::Auto);
}

ChoosingMessengerClient::ChoosingMessengerClient(std::unique_ptr<IMessengerClient> first,
                                                 std::unique_ptr<IMessengerClient> second)
    : first_(std::move(first)), second_(std::move(second)) {}

bool ChoosingMessengerClient::IsRunning() {
    return first_->IsRunning() || second_->IsRunning();
}

std::string ChoosingMessengerClient::ReadFriendlyName() {
    return Chosen().ReadFriendlyName();
}

std::int32_t ChoosingMessengerClient::ReadStatus() {
    return Chosen().ReadStatus();
}

void ChoosingMessengerClient::WriteProperty(int property, const std::string& value) {
    Chosen().WriteProperty(property, value);
}

void ChoosingMessengerClient::SendCopyData(std::uint32_t dwData,
                                           std::span<const std::uint8_t> data) {
    Chosen().SendCopyData(dwData, data);
}

IMessengerClient& ChoosingMessengerClient::Chosen() {
    if (!first_->IsRunning() && second_->IsRunning()) {
        return *second_;
    }
    return *first_;
}

std::unique_ptr<IMessengerClient> MakeMessengerClient(MessengerClientKind kind) {
    switch (kind) {
    case MessengerClientKind::Bus:
        return std::make_unique<BusMessengerClient>();
    case MessengerClientKind::Pidgin:
        return std::make_unique<PidginMessengerClient>();
    case MessengerClientKind::Auto:
        break;
    }
    return std::make_unique<ChoosingMessengerClient>(std::make_unique<BusMessengerClient>(),
                                                     std::make_unique<PidginMessengerClient>());
}

std::unique_ptr<IMessengerClient> MakeMessengerClient() {
    return MakeMessengerClient(ConfiguredMessengerClientKind());
}

} // namespace tw
