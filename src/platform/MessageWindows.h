#pragma once

#include "platform/UniqueFd.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Message windows: a per-user bus on which a process registers named "windows" that other
// processes of the same user find by class name and send synchronous messages to.
//
// Where: every registered window is a listening Unix stream socket in the private runtime
// folder $XDG_RUNTIME_DIR/tilewick/bus/ (mode 0700, see RuntimeFolder.h). Its file name is
//     <class>.<registered>.<pid>.<serial>
// with <class> the class name escaped by EscapeFileName, <registered> the registration time
// in nanoseconds since the epoch as 20 decimal digits, <pid> the owner's process id and
// <serial> a per-process counter. Windows of a class are enumerated in file-name order, that
// is oldest registration first. A window is published by renaming its socket into place only
// once it listens, so a socket that refuses connections belongs to a dead process.
//
// Wire protocol: one connection carries one message. All integers are little-endian.
//     request: "TWM1", msg u32, wParam i64, lParam i64, dwData u64, length u32, length bytes
//     reply:   "TWR1", result i64
// dwData and the bytes are the copy-data block of WM_COPYDATA and are zero/empty otherwise.
// The receiver answers only after its handler returned; it closes the connection without a
// reply on a malformed request, a block over kMaxCopyDataSize, or a peer of another user.
namespace tw {

inline constexpr std::uint32_t WM_COPYDATA = 0x4A;

// How long a sender waits for the whole exchange before giving up.
inline constexpr std::chrono::milliseconds kSendTimeout{5000};
// The largest copy-data block a window accepts.
inline constexpr std::size_t kMaxCopyDataSize = 16 * 1024 * 1024;

// Where a window can be reached.
struct WindowHandle {
    std::filesystem::path Socket;

    bool operator==(const WindowHandle&) const = default;
};

// One message as the receiving window sees it.
struct WindowMessage {
    std::uint32_t Msg = 0;
    std::int64_t WParam = 0;
    std::int64_t LParam = 0;
    // The copy-data block (WM_COPYDATA only): its number and its bytes, without terminator.
    std::uint64_t DwData = 0;
    std::string Data;
};

// Answers one message; the return value is the sender's result.
using MessageHandler = std::function<std::int64_t(const WindowMessage&)>;

// The live windows of `className`, oldest registration first. Sockets left behind by ended
// processes are removed on the way.
std::vector<WindowHandle> FindWindows(std::string_view className);

// Sends a message and waits for the result. Nothing when the window is gone, does not answer
// within `timeout` or answers with something other than a reply; a window whose process has
// ended is removed from the bus. A window answered by the calling thread itself cannot answer
// while that thread waits here, so such a send times out.
std::optional<std::int64_t> SendMessage(const WindowHandle& window, std::uint32_t msg,
                                        std::int64_t wParam, std::int64_t lParam,
                                        std::chrono::milliseconds timeout = kSendTimeout);

// Sends WM_COPYDATA with the block (dwData, data) and waits for the result, as SendMessage.
std::optional<std::int64_t> SendCopyData(const WindowHandle& window, std::int64_t wParam,
                                         std::uint64_t dwData, std::string_view data,
                                         std::chrono::milliseconds timeout = kSendTimeout);

// A window registered by this process. It answers messages when its owner calls
// ProcessPending, typically whenever Fd() becomes readable in the owner's event loop, and
// leaves the bus when destroyed. The handler may destroy the window.
class MessageWindow {
public:
    // Registers a window of `className` (at most 64 bytes). Nothing, with `error` set, when
    // the bus cannot be reached.
    static std::unique_ptr<MessageWindow> Register(std::string_view className,
                                                   MessageHandler handler, std::string& error);
    ~MessageWindow();

    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    const WindowHandle& Handle() const { return handle_; }

    // The listening descriptor: readable while senders are waiting.
    int Fd() const { return listener_.Get(); }

    // Answers every sender that is waiting now, one after another, without blocking for new
    // ones.
    void ProcessPending();

private:
    MessageWindow(UniqueFd listener, WindowHandle handle, MessageHandler handler);

    UniqueFd listener_;
    WindowHandle handle_;
    MessageHandler handler_;
    // Cleared by the destructor so that ProcessPending notices when a handler destroyed us.
    std::shared_ptr<bool> alive_;
};

} // namespace tw
