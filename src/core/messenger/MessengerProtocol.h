#pragma once

#include "platform/MessageWindows.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// How the Messenger link talks to a client program over the message-window bus. The client
// registers a window of class "MsnMsgrUIManager" and answers these messages; every result is
// the 64-bit integer of the bus reply, and kCallFailed (or no reply at all) means the call
// failed.
//
//   kMsgGetStatus                     result: the status value (ClientStatus)
//   kMsgGetFriendlyNameInfo           result: (hash << 32) | length, for the UTF-8 display
//                                     name, hash = FriendlyNameHash (31 bits), length in bytes
//   kMsgGetFriendlyNameBytes          wParam: byte offset, a multiple of 8, below the length
//                                     result: the 8 bytes of the name from there, first byte in
//                                     the low bits, zero past the end
//   WM_COPYDATA, kCopyDataWriteProperty
//                                     wParam: the property (2: display picture)
//                                     bytes: the value, UTF-8, no terminator (the picture path)
//                                     result: kCallSucceeded, or kCallFailed when the client
//                                     refuses it (for instance an unreadable picture file)
//   WM_COPYDATA, kNowPlayingCopyDataId
//                                     bytes: the 256-byte now-playing block; result ignored
//
// The name travels in pieces because a reply holds a single integer; the hash lets the reader
// notice a name that changed while it was being read. A client never sends anything back on
// its own, so a sender only ever waits for one reply.
namespace tw {

inline constexpr std::uint32_t kMsgGetStatus = 0x8001;
inline constexpr std::uint32_t kMsgGetFriendlyNameInfo = 0x8002;
inline constexpr std::uint32_t kMsgGetFriendlyNameBytes = 0x8003;
inline constexpr std::uint64_t kCopyDataWriteProperty = 0x8010;

inline constexpr std::int64_t kCallSucceeded = 1;
inline constexpr std::int64_t kCallFailed = -1;

// Longest display name a reader accepts, in bytes.
inline constexpr std::size_t kMaxFriendlyNameBytes = 1024;
inline constexpr std::size_t kFriendlyNameChunk = 8;

std::uint32_t FriendlyNameHash(std::string_view name);
std::int64_t FriendlyNameInfo(std::string_view name);
std::int64_t FriendlyNameBytes(std::string_view name, std::int64_t offset);

// What a client program offers to the link. Each call returns nothing or false when it fails.
class IMessengerService {
public:
    virtual ~IMessengerService() = default;
    virtual std::optional<std::string> FriendlyName() = 0;
    virtual std::optional<std::int32_t> Status() = 0;
    virtual bool WriteProperty(int property, const std::string& value) = 0;
    virtual void TakeCopyData(std::uint64_t dwData, std::span<const std::uint8_t> data) = 0;
};

// The reply to one message of the protocol above; kCallFailed for any other message.
std::int64_t AnswerMessengerMessage(IMessengerService& service, const WindowMessage& message);

} // namespace tw
