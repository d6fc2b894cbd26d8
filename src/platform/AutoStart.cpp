#include "platform/AutoStart.h"

#include "platform/AtomicFile.h"
#include "platform/Folders.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace tw {
namespace {

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// Escapes a value of the desktop file format's string type.
std::string EscapeDesktopString(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else
            out += c;
    }
    return out;
}

} // namespace

std::string AutoStartFolder() {
    return GetShellFolder("AppData") + "/autostart/";
}

std::string AutoStartEntryPath(std::string_view name) {
    std::string file;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        file += (c == '/' || byte < 0x20 || byte == 0x7F) ? '_' : c;
    }
    if (file.empty() || file.front() == '.')
        file.insert(file.begin(), '_');
    return AutoStartFolder() + file + ".desktop";
}

std::string DesktopExecArgument(std::string_view path) {
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        if (c == '%')
            quoted += '%';
        quoted += c;
    }
    quoted += '"';
    // The Exec value is itself a string, whose backslashes are escaped once more.
    return EscapeDesktopString(quoted);
}

bool WriteAutoStartEntry(std::string_view name, std::string_view exePath) {
    if (AutoStartFolder().empty() || exePath.empty() || HasLineBreak(name) || HasLineBreak(exePath))
        return false;
    std::error_code error;
    fs::create_directories(AutoStartFolder(), error);
    if (error)
        return false;
    const std::string entry = "[Desktop Entry]\n"
                              "Type=Application\n"
                              "Name=" +
                              EscapeDesktopString(name) +
                              "\n"
                              "Exec=" +
                              DesktopExecArgument(exePath) +
                              "\n"
                              "Terminal=false\n"
                              "X-GNOME-Autostart-enabled=true\n";
    return WriteFileAtomically(AutoStartEntryPath(name), entry);
}

bool RemoveAutoStartEntry(std::string_view name) {
    if (AutoStartFolder().empty())
        return true;
    std::error_code error;
    fs::remove(AutoStartEntryPath(name), error);
    return !error;
}

} // namespace tw
