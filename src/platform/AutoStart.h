#pragma once

#include <string>
#include <string_view>

// The log-on entry: an XDG autostart desktop file in the user's autostart folder, which the
// desktop session starts when the user logs on.
namespace tw {

// The user's autostart folder with trailing "/": $XDG_CONFIG_HOME/autostart/ when that is an
// absolute path, else ~/.config/autostart/; empty when the user has no home folder.
std::string AutoStartFolder();

// The desktop file for the entry called `name`; characters that cannot stand in a file name
// (a "/", control characters, a leading ".") are replaced by "_".
std::string AutoStartEntryPath(std::string_view name);

// `path` as one argument of a desktop file's Exec key: quoted, with the characters the
// format reserves escaped, and "%" doubled.
std::string DesktopExecArgument(std::string_view path);

// Creates or replaces the entry `name` that starts the program at `exePath`, creating the
// autostart folder when missing. False, leaving any earlier entry as it was, when the folder
// cannot be made, the file cannot be written, or a text holds a line break.
bool WriteAutoStartEntry(std::string_view name, std::string_view exePath);

// Deletes the entry `name`; true when no such entry exists afterwards.
bool RemoveAutoStartEntry(std::string_view name);

} // namespace tw
