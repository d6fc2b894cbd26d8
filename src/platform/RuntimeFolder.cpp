#include "platform/RuntimeFolder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace tw {
namespace {

// Creates `folder` if missing and makes sure it is a real folder of ours that only we can use.
bool EnsurePrivateFolder(const std::filesystem::path& folder, std::string& error) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        error = "cannot create " + folder.string() + ": " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) {
        error = "cannot inspect " + folder.string() + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()) {
        error = folder.string() + " is not a folder owned by the current user";
        return false;
    }
    if ((info.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0) {
        error = "cannot make " + folder.string() + " private: " + std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace

std::optional<std::filesystem::path> PrivateRuntimeFolder(std::string_view sub,
                                                          std::string& error) {
    std::filesystem::path base;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        base = std::filesystem::path(runtime) / "tilewick";
    } else {
        base = std::filesystem::path("/tmp") / ("tilewick-" + std::to_string(::geteuid()));
    }
    const std::filesystem::path folder = base / sub;
    if (!EnsurePrivateFolder(base, error) || !EnsurePrivateFolder(folder, error)) {
        return std::nullopt;
    }
    return folder;
}

std::string EscapeFileName(std::string_view name) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(name.size());
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                           (byte >= '0' && byte <= '9') || byte == '_' || byte == '-';
        if (plain) {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
    return out;
}

} // namespace tw
