#pragma once

#include <cstdint>

// Messages with which another process drives a running stand-in, beside the client protocol of
// core/messenger/MessengerProtocol.h. Results are kCallSucceeded or kCallFailed.
namespace tw {

inline constexpr std::uint32_t kMsgStandInSetStatus = 0x8101; // wParam: the status value
inline constexpr std::uint32_t kMsgStandInSignIn = 0x8102;
inline constexpr std::uint32_t kMsgStandInSignOut = 0x8103;
inline constexpr std::uint32_t kMsgStandInQuit = 0x8104;
// WM_COPYDATA with this number: bytes are the new friendly name, UTF-8.
inline constexpr std::uint64_t kCopyDataStandInSetName = 0x8110;

} // namespace tw
