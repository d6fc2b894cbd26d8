#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tw {

// The class name of the Messenger client's main window; a window of this class existing is
// the test that the client runs.
inline constexpr std::string_view kMessengerWindowClass = "MsnMsgrUIManager";

// The client's property that holds the display picture file.
inline constexpr int kDisplayPictureProperty = 2;

// Status values as the client reports them.
enum class ClientStatus : std::int32_t {
    Offline = 1,
    Online = 2,
    Invisible = 6,
    Busy = 10,
    BeRightBack = 14,
    Idle = 18,
    Away = 34,
    OnThePhone = 50,
    OutToLunch = 66,
    FindingServer = 256,
    Connecting = 512,
    Synchronizing = 768,
    Disconnecting = 1024,
};

// Raised by any client call that does not complete: the client vanished, hung, refused the
// call or answered something unreadable.
class MessengerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What the Messenger link needs of the running client. Every operation but IsRunning raises
// MessengerError when it fails.
class IMessengerClient {
public:
    virtual ~IMessengerClient() = default;

    // True when a window of kMessengerWindowClass exists. Never raises.
    virtual bool IsRunning() = 0;
    // The signed-in user's display name (UTF-8).
    virtual std::string ReadFriendlyName() = 0;
    // The user's status, one of the ClientStatus values or any other value the client has.
    virtual std::int32_t ReadStatus() = 0;
    // Writes a client property; kDisplayPictureProperty with a picture file path makes that
    // file the user's display picture.
    virtual void WriteProperty(int property, const std::string& value) = 0;
    // Sends a copy-data block to the client's window and waits for it to be taken.
    virtual void SendCopyData(std::uint32_t dwData, std::span<const std::uint8_t> data) = 0;
};

} // namespace tw
