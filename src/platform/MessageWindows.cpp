#include "platform/MessageWindows.h"

#include "platform/RuntimeFolder.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <system_error>
#include <unistd.h>

namespace tw {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view kRequestMagic = "TWM1";
constexpr std::string_view kReplyMagic = "TWR1";
constexpr std::size_t kRequestHeaderSize = 4 + 4 + 8 + 8 + 8 + 4;
constexpr std::size_t kReplySize = 4 + 8;
constexpr std::size_t kMaxClassNameSize = 64;

template <typename T> void PutLE(std::string& out, T value) {
    const auto bits = static_cast<std::uint64_t>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        out += static_cast<char>((bits >> (8 * i)) & 0xFF);
    }
}

template <typename T> T GetLE(std::string_view in, std::size_t offset) {
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        bits |= std::uint64_t{static_cast<unsigned char>(in[offset + i])} << (8 * i);
    }
    return static_cast<T>(bits);
}

std::optional<std::filesystem::path> BusFolder(std::string& error) {
    return PrivateRuntimeFolder("bus", error);
}

bool FillAddress(const std::filesystem::path& socket, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    const std::string& text = socket.native();
    if (text.size() >= sizeof(address.sun_path)) {
        return false;
    }
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    return true;
}

// Milliseconds left until `deadline`, for poll(); 0 once it has passed.
int RemainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 60'000));
}

bool WaitFor(int fd, short events, Clock::time_point deadline) {
    while (true) {
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, RemainingMs(deadline));
        if (ready > 0) {
            return true;
        }
        if (ready == 0 || errno != EINTR) {
            return false;
        }
    }
}

bool WriteAll(int fd, std::string_view bytes, Clock::time_point deadline) {
    while (!bytes.empty()) {
        const ssize_t written = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (written > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(written));
        } else if (written < 0 && errno == EINTR) {
            continue;
        } else if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!WaitFor(fd, POLLOUT, deadline)) {
                return false;
            }
        } else {
            return false;
        }
    }
    return true;
}

bool ReadExactly(int fd, std::string& out, std::size_t count, Clock::time_point deadline) {
    const std::size_t start = out.size();
    out.resize(start + count);
    std::size_t have = 0;
    while (have < count) {
        const ssize_t got = ::recv(fd, out.data() + start + have, count - have, 0);
        if (got > 0) {
            have += static_cast<std::size_t>(got);
        } else if (got < 0 && errno == EINTR) {
            continue;
        } else if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!WaitFor(fd, POLLIN, deadline)) {
                return false;
            }
        } else {
            return false; // end of stream or error
        }
    }
    return true;
}

// Connects to a window's socket. A socket nobody listens on is left over from an ended
// process and is removed.
UniqueFd Connect(const std::filesystem::path& socket, Clock::time_point deadline) {
    sockaddr_un address{};
    if (!FillAddress(socket, address)) {
        return {};
    }
    while (true) {
        UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        if (!fd.Valid()) {
            return {};
        }
        if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            return fd;
        }
        if (errno == ECONNREFUSED) {
            ::unlink(socket.c_str());
            return {};
        }
        // A full backlog means the window is busy: try again until the deadline.
        if ((errno != EAGAIN && errno != EINTR) || RemainingMs(deadline) == 0) {
            return {};
        }
        ::usleep(10'000);
    }
}

std::optional<std::int64_t> Exchange(const WindowHandle& window, const WindowMessage& message,
                                     std::chrono::milliseconds timeout) {
    if (message.Data.size() > kMaxCopyDataSize) {
        return std::nullopt;
    }
    const auto deadline = Clock::now() + timeout;
    const UniqueFd fd = Connect(window.Socket, deadline);
    if (!fd.Valid()) {
        return std::nullopt;
    }
    std::string request(kRequestMagic);
    PutLE(request, message.Msg);
    PutLE(request, message.WParam);
    PutLE(request, message.LParam);
    PutLE(request, message.DwData);
    PutLE(request, static_cast<std::uint32_t>(message.Data.size()));
    request += message.Data;
    std::string reply;
    if (!WriteAll(fd.Get(), request, deadline) ||
        !ReadExactly(fd.Get(), reply, kReplySize, deadline) ||
        reply.compare(0, kReplyMagic.size(), kReplyMagic) != 0) {
        return std::nullopt;
    }
    return GetLE<std::int64_t>(reply, kReplyMagic.size());
}

// The owner's process id from a window's file name, or 0 when the name is not one of ours.
pid_t OwnerOf(const std::string& fileName) {
    // <class>.<registered>.<pid>.<serial>
    const auto last = fileName.rfind('.');
    if (last == std::string::npos || last == 0) {
        return 0;
    }
    const auto before = fileName.rfind('.', last - 1);
    if (before == std::string::npos) {
        return 0;
    }
    pid_t pid = 0;
    for (std::size_t i = before + 1; i < last; ++i) {
        const char c = fileName[i];
        if (c < '0' || c > '9' || pid > 100'000'000) {
            return 0;
        }
        pid = pid * 10 + (c - '0');
    }
    return pid;
}

// Reads one request from a connected sender; nothing when it is malformed or too slow.
std::optional<WindowMessage> ReadRequest(int fd) {
    const auto deadline = Clock::now() + kSendTimeout;
    std::string header;
    if (!ReadExactly(fd, header, kRequestHeaderSize, deadline) ||
        header.compare(0, kRequestMagic.size(), kRequestMagic) != 0) {
        return std::nullopt;
    }
    WindowMessage message;
    std::size_t offset = kRequestMagic.size();
    message.Msg = GetLE<std::uint32_t>(header, offset);
    message.WParam = GetLE<std::int64_t>(header, offset += 4);
    message.LParam = GetLE<std::int64_t>(header, offset += 8);
    message.DwData = GetLE<std::uint64_t>(header, offset += 8);
    const auto length = GetLE<std::uint32_t>(header, offset += 8);
    if (length > kMaxCopyDataSize || !ReadExactly(fd, message.Data, length, deadline)) {
        return std::nullopt;
    }
    return message;
}

bool SameUser(int fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           (peer.uid == ::geteuid() || peer.uid == 0);
}

} // namespace

std::vector<WindowHandle> FindWindows(std::string_view className) {
    std::string error;
    const auto folder = BusFolder(error);
    if (!folder) {
        return {};
    }
    const std::string prefix = EscapeFileName(className) + ".";
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(*folder, ec)) {
        std::string name = entry.path().filename().string();
        if (name.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        const pid_t owner = OwnerOf(name);
        if (owner <= 0) {
            continue;
        }
        if (::kill(owner, 0) != 0 && errno == ESRCH) {
            ::unlink(entry.path().c_str());
            continue;
        }
        names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    std::vector<WindowHandle> windows;
    windows.reserve(names.size());
    for (const auto& name : names) {
        windows.push_back({*folder / name});
    }
    return windows;
}

std::optional<std::int64_t> SendMessage(const WindowHandle& window, std::uint32_t msg,
                                        std::int64_t wParam, std::int64_t lParam,
                                        std::chrono::milliseconds timeout) {
    WindowMessage message;
    message.Msg = msg;
    message.WParam = wParam;
    message.LParam = lParam;
    return Exchange(window, message, timeout);
}

std::optional<std::int64_t> SendCopyData(const WindowHandle& window, std::int64_t wParam,
                                         std::uint64_t dwData, std::string_view data,
                                         std::chrono::milliseconds timeout) {
    WindowMessage message;
    message.Msg = WM_COPYDATA;
    message.WParam = wParam;
    message.DwData = dwData;
    message.Data = data;
    return Exchange(window, message, timeout);
}

MessageWindow::MessageWindow(UniqueFd listener, WindowHandle handle, MessageHandler handler)
    : listener_(std::move(listener)), handle_(std::move(handle)), handler_(std::move(handler)),
      alive_(std::make_shared<bool>(true)) {}

MessageWindow::~MessageWindow() {
    *alive_ = false;
    // Leave the bus before closing, so that no sender ever sees a refusing socket of ours.
    ::unlink(handle_.Socket.c_str());
}

std::unique_ptr<MessageWindow> MessageWindow::Register(std::string_view className,
                                                       MessageHandler handler, std::string& error) {
    if (className.empty() || className.size() > kMaxClassNameSize) {
        error = "a window class name must have 1 to 64 bytes";
        return nullptr;
    }
    const auto folder = BusFolder(error);
    if (!folder) {
        return nullptr;
    }
    static std::atomic<unsigned> serial{0};
    const auto registered = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                std::chrono::system_clock::now().time_since_epoch())
                                .count();
    std::array<char, 32> stamp{};
    std::snprintf(stamp.data(), stamp.size(), "%020lld", static_cast<long long>(registered));
    const std::string name = EscapeFileName(className) + "." + stamp.data() + "." +
                             std::to_string(::getpid()) + "." + std::to_string(serial++);
    const auto socket = *folder / name;
    // Bound under a name that enumeration skips, published once it listens.
    const auto pending = *folder / ("." + name);

    sockaddr_un address{};
    if (!FillAddress(pending, address)) { // the longer of the two names
        error = "the message-bus folder path is too long: " + folder->string();
        return nullptr;
    }
    UniqueFd listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!listener.Valid()) {
        error = std::string("cannot create a socket: ") + std::strerror(errno);
        return nullptr;
    }
    if (::bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener.Get(), SOMAXCONN) != 0 ||
        ::rename(pending.c_str(), socket.c_str()) != 0) {
        error = "cannot register on the message bus: " + std::string(std::strerror(errno));
        ::unlink(pending.c_str());
        return nullptr;
    }
    return std::unique_ptr<MessageWindow>(
        new MessageWindow(std::move(listener), {socket}, std::move(handler)));
}

void MessageWindow::ProcessPending() {
    const std::shared_ptr<bool> alive = alive_;
    while (*alive) {
        const UniqueFd connection(
            ::accept4(listener_.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!connection.Valid()) {
            if (errno == EINTR || errno == ECONNABORTED) {
                continue;
            }
            return; // nobody waiting (EAGAIN) or no resources left for now
        }
        if (!SameUser(connection.Get())) {
            continue;
        }
        const auto message = ReadRequest(connection.Get());
        if (!message) {
            continue;
        }
        // A copy, so that a handler that destroys this window does not destroy itself.
        const MessageHandler handler = handler_;
        const std::int64_t result = handler ? handler(*message) : 0;
        std::string reply(kReplyMagic);
        PutLE(reply, result);
        WriteAll(connection.Get(), reply, Clock::now() + kSendTimeout);
    }
}

} // namespace tw
