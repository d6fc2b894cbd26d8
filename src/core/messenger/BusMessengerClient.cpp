#include "core/messenger/BusMessengerClient.h"

namespace tw {

bool BusMessengerClient::IsRunning() {
    return !FindWindows(kMessengerWindowClass).empty();
}

std::string BusMessengerClient::ReadFriendlyName() {
    const WindowHandle window = ClientWindow();
    const std::int64_t info = Call(window, kMsgGetFriendlyNameInfo, 0);
    if (info < 0) {
        throw MessengerError("the client refused to give the friendly name");
    }
    const auto length = static_cast<std::size_t>(info & 0xFFFFFFFF);
    const auto hash = static_cast<std::uint32_t>(info >> 32);
    if (length > kMaxFriendlyNameBytes) {
        throw MessengerError("the client's friendly name is too long");
    }
    std::string name;
    name.reserve(length);
    for (std::size_t offset = 0; offset < length; offset += kFriendlyNameChunk) {
        const std::int64_t piece =
            Call(window, kMsgGetFriendlyNameBytes, static_cast<std::int64_t>(offset));
        if (piece == kCallFailed) {
            throw MessengerError("the client refused a piece of the friendly name");
        }
        const auto bytes = static_cast<std::uint64_t>(piece);
        for (std::size_t i = 0; i < kFriendlyNameChunk && offset + i < length; ++i) {
            name.push_back(static_cast<char>((bytes >> (8 * i)) & 0xFF));
        }
    }
    if (FriendlyNameHash(name) != hash) {
        throw MessengerError("the friendly name changed while it was read");
    }
    return name;
}

std::int32_t BusMessengerClient::ReadStatus() {
    const std::int64_t status = Call(ClientWindow(), kMsgGetStatus, 0);
    if (status < 0 || status > INT32_MAX) {
        throw MessengerError("the client refused to give its status");
    }
    return static_cast<std::int32_t>(status);
}

void BusMessengerClient::WriteProperty(int property, const std::string& value) {
    if (CallCopyData(property, kCopyDataWriteProperty, value) != kCallSucceeded) {
        throw MessengerError("the client refused the property " + std::to_string(property));
    }
}

void BusMessengerClient::SendCopyData(std::uint32_t dwData, std::span<const std::uint8_t> data) {
    CallCopyData(0, dwData,
                 std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
}

WindowHandle BusMessengerClient::ClientWindow() {
    std::vector<WindowHandle> windows = FindWindows(kMessengerWindowClass);
    if (windows.empty()) {
        throw MessengerError("the client is not running");
    }
    return std::move(windows.front());
}

std::int64_t BusMessengerClient::Call(const WindowHandle& window, std::uint32_t msg,
                                      std::int64_t wParam) {
    ThrowIfResting();
    const Clock::time_point started = Clock::now();
    return Checked(SendMessage(window, msg, wParam, 0, timing_.CallTimeout), started);
}

std::int64_t BusMessengerClient::CallCopyData(std::int64_t wParam, std::uint64_t dwData,
                                              std::string_view data) {
    ThrowIfResting();
    const WindowHandle window = ClientWindow();
    const Clock::time_point started = Clock::now();
    return Checked(tw::SendCopyData(window, wParam, dwData, data, timing_.CallTimeout), started);
}

std::int64_t BusMessengerClient::Checked(std::optional<std::int64_t> reply,
                                         Clock::time_point started) {
    if (reply) {
        restUntil_.reset();
        return *reply;
    }
    // No reply: either the client ended (at once) or it let the call time out (hanging).
    const Clock::time_point now = Clock::now();
    if (now - started >= timing_.CallTimeout / 2) {
        restUntil_ = now + timing_.RestAfterTimeout;
    }
    throw MessengerError("the client did not answer");
}

void BusMessengerClient::ThrowIfResting() const {
    if (restUntil_ && Clock::now() < *restUntil_) {
        throw MessengerError("the client is not answering");
    }
}

} // namespace tw
