#include "core/messenger/MessengerProtocol.h"

namespace tw {

std::uint32_t FriendlyNameHash(std::string_view name) {
    std::uint32_t hash = 2166136261u; // FNV-1a
    for (const char c : name) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    return hash & 0x7FFFFFFFu;
}

std::int64_t FriendlyNameInfo(std::string_view name) {
    return (static_cast<std::int64_t>(FriendlyNameHash(name)) << 32) |
           static_cast<std::int64_t>(name.size());
}

std::int64_t FriendlyNameBytes(std::string_view name, std::int64_t offset) {
    if (offset < 0 || offset % kFriendlyNameChunk != 0 ||
        static_cast<std::uint64_t>(offset) >= name.size()) {
        return kCallFailed;
    }
    std::uint64_t bytes = 0;
    const std::string_view piece =
        name.substr(static_cast<std::size_t>(offset), kFriendlyNameChunk);
    for (std::size_t i = 0; i < piece.size(); ++i) {
        bytes |= std::uint64_t{static_cast<unsigned char>(piece[i])} << (8 * i);
    }
    return static_cast<std::int64_t>(bytes);
}

std::int64_t AnswerMessengerMessage(IMessengerService& service, const WindowMessage& message) {
    switch (message.Msg) {
    case kMsgGetStatus: {
        const auto status = service.Status();
        return status ? *status : kCallFailed;
    }
    case kMsgGetFriendlyNameInfo: {
        const auto name = service.FriendlyName();
        return name && name->size() <= kMaxFriendlyNameBytes ? FriendlyNameInfo(*name)
                                                             : kCallFailed;
    }
    case kMsgGetFriendlyNameBytes: {
        const auto name = service.FriendlyName();
        return name ? FriendlyNameBytes(*name, message.WParam) : kCallFailed;
    }
    case WM_COPYDATA: {
        const std::span<const std::uint8_t> data(
            reinterpret_cast<const std::uint8_t*>(message.Data.data()), message.Data.size());
        if (message.DwData == kCopyDataWriteProperty) {
            return service.WriteProperty(static_cast<int>(message.WParam), message.Data)
                       ? kCallSucceeded
                       : kCallFailed;
        }
        service.TakeCopyData(message.DwData, data);
        return kCallSucceeded;
    }
    default:
        return kCallFailed;
    }
}

} // namespace tw
