#pragma once

#include <chrono>
#include <optional>
#include <string>

// Where the program and its data live, and what the current user may do there. Folder texts
// returned here end in "/" where stated.
namespace tw {

// Full path of the running executable, empty when the system does not tell.
std::string GetExePath();

// Long form of the executable's folder, with trailing "/". Files shipped beside the program
// (const.dat, langs/, skins/, res/) are found through it.
std::string GetExeFolder();

// Canonical form of an existing path (symbolic links and "." / ".." resolved); the path
// itself when it does not exist or cannot be resolved. A trailing "/" is kept.
std::string GetLongPath(const std::string& path);

// Per-user folder of the given kind, without trailing "/". "AppData" is $XDG_CONFIG_HOME when
// that is an absolute path, else ~/.config. Unknown names give an empty text.
std::string GetShellFolder(const std::string& name);

// All-users folder of the given kind, without trailing "/". "Common AppData" is
// $TILEWICK_COMMON_APPDATA when set and not empty, else /var/lib. Unknown names give an empty
// text.
std::string GetCommonShellFolder(const std::string& name);

using FileTime = std::chrono::system_clock::time_point;

// When a file or folder was created: its birth time where the file system records one, else
// the earlier of its modification and status-change times. Nothing when it cannot be read.
std::optional<FileTime> GetFileCreationTime(const std::string& path);

// Days since 30 December 1899 00:00 UTC, the fraction being the time of day (noon = .5).
double FileTimeToDate(FileTime time);

enum class FolderAccess { Read, Write, Execute, All };

// Whether the current user (effective ids) may use the folder as asked: Write means creating
// and deleting entries in it, Read means listing and opening them. False for a missing path.
bool CanAccessFolder(FolderAccess access, const std::string& path);

} // namespace tw
