#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The per-user folder where the program keeps its instance locks and message-bus sockets.
namespace tw {

// $XDG_RUNTIME_DIR/tilewick/<sub>/ (or /tmp/tilewick-<uid>/<sub>/ when the variable is unset
// or not absolute), created on demand with mode 0700 and owned by the current user, so that no
// other user can open what lies in it. Nothing, with `error` set, when it cannot be made so.
std::optional<std::filesystem::path> PrivateRuntimeFolder(std::string_view sub, std::string& error);

// `name` as a single file-name component: letters, digits, "_" and "-" stay, every other byte
// becomes "%" and two upper-case hexadecimal digits. The result never contains "." or "/".
std::string EscapeFileName(std::string_view name);

} // namespace tw
