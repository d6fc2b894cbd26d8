#pragma once

#include "core/messenger/MessengerClient.h"
#include "core/messenger/MessengerProtocol.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace tw {

// The Messenger client reached over the message-window bus (protocol in MessengerProtocol.h):
// the first window of class "MsnMsgrUIManager" is the client.
//
// Every call waits at most CallTimeout. A client that let a call time out is hanging; it is
// left alone for RestAfterTimeout, during which calls fail at once, so that a hung client
// costs the program one wait now and then instead of one at every poll.
class BusMessengerClient : public IMessengerClient {
public:
    using Clock = std::chrono::steady_clock;

    struct Timing {
        std::chrono::milliseconds CallTimeout{2000};
        std::chrono::milliseconds RestAfterTimeout{10000};
    };

    BusMessengerClient() = default;
    explicit BusMessengerClient(Timing timing) : timing_(timing) {}

    bool IsRunning() override;
    std::string ReadFriendlyName() override;
    std::int32_t ReadStatus() override;
    void WriteProperty(int property, const std::string& value) override;
    void SendCopyData(std::uint32_t dwData, std::span<const std::uint8_t> data) override;

private:
    WindowHandle ClientWindow();
    // The reply, or MessengerError when the client does not give one.
    std::int64_t Call(const WindowHandle& window, std::uint32_t msg, std::int64_t wParam);
    std::int64_t CallCopyData(std::int64_t wParam, std::uint64_t dwData, std::string_view data);
    std::int64_t Checked(std::optional<std::int64_t> reply, Clock::time_point started);
    void ThrowIfResting() const;

    Timing timing_;
    std::optional<Clock::time_point> restUntil_;
};

} // namespace tw
