#pragma once

#include "core/messenger/MessengerClient.h"

#include <QDBusConnection>
#include <QVariantList>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

class QDBusMessage;
class QString;

namespace tw {

// Pidgin (libpurple) on the D-Bus session bus.
inline constexpr const char* kPidginService = "im.pidgin.purple.PurpleService";
// Pidgin's preference naming the user's buddy icon file for every account.
inline constexpr const char* kPidginBuddyIconPref = "/pidgin/accounts/buddyicon";

// libpurple's status primitives, as its saved statuses carry them.
enum class PurpleStatusPrimitive : std::int32_t {
    Unset = 0,
    Offline = 1,
    Available = 2,
    Unavailable = 3,
    Invisible = 4,
    Away = 5,
    ExtendedAway = 6,
};

// The client status value for a saved status's primitive; ClientStatus::Idle (a signed-in
// status without a code of the link's own) for the primitives that have no counterpart.
std::int32_t ClientStatusForPrimitive(std::int32_t primitive);

// A running Pidgin as the Messenger client: its status is that of the current saved status,
// the friendly name that of the first connected account, the display picture its buddy-icon
// preference and the now-playing text the message of its status.
//
// Every call waits at most CallTimeout. A Pidgin that let a call time out is hanging; it is
// left alone for RestAfterTimeout, during which calls fail at once, so that it costs the
// window one wait now and then instead of one at every poll.
class PidginMessengerClient : public IMessengerClient {
public:
    using Clock = std::chrono::steady_clock;

    struct Timing {
        std::chrono::milliseconds CallTimeout{2000};
        std::chrono::milliseconds RestAfterTimeout{10000};
    };

    // The user's session bus; without one (no DBUS_SESSION_BUS_ADDRESS) Pidgin is never
    // found, rather than a bus being started for the program.
    PidginMessengerClient();
    explicit PidginMessengerClient(QDBusConnection bus) : bus_(std::move(bus)) {}
    PidginMessengerClient(QDBusConnection bus, Timing timing)
        : bus_(std::move(bus)), timing_(timing) {}

    // True when Pidgin's service is on the bus.
    bool IsRunning() override;
    // The alias of the first connected account, else its display name, else its user name;
    // empty when no account is connected.
    std::string ReadFriendlyName() override;
    std::int32_t ReadStatus() override;
    // Sets the buddy-icon preference to the file. Pidgin acts only on a changed value, so a
    // path equal to the current one is first copied beside itself under a second name.
    void WriteProperty(int property, const std::string& value) override;
    // Takes a now-playing block: its shown text becomes the message of a transient saved
    // status of the current type, which is then activated.
    void SendCopyData(std::uint32_t dwData, std::span<const std::uint8_t> data) override;

private:
    QVariant Call(const QString& method, const QVariantList& args = {});
    std::int32_t CallInt(const QString& method, const QVariantList& args = {});
    std::string CallString(const QString& method, const QVariantList& args = {});
    void SetStatusMessage(const std::string& message);

    QDBusConnection bus_;
    Timing timing_;
    std::optional<Clock::time_point> restUntil_;
};

} // namespace tw
