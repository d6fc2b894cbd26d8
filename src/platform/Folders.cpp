#include "platform/Folders.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tw {

namespace {

std::string WithTrailingSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return home;
    if (const passwd* entry = getpwuid(geteuid()); entry != nullptr && entry->pw_dir != nullptr)
        return entry->pw_dir;
    return {};
}

FileTime FromTimestamp(const statx_timestamp& stamp) {
    using namespace std::chrono;
    return FileTime(
        duration_cast<FileTime::duration>(seconds(stamp.tv_sec) + nanoseconds(stamp.tv_nsec)));
}

} // namespace

std::string GetExePath() {
    std::error_code error;
    fs::path exe = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : exe.string();
}

std::string GetExeFolder() {
    const std::string exe = GetExePath();
    if (exe.empty())
        return {};
    return WithTrailingSlash(GetLongPath(fs::path(exe).parent_path().string()));
}

std::string GetLongPath(const std::string& path) {
    if (path.empty())
        return path;
    std::error_code error;
    const fs::path resolved = fs::canonical(path, error);
    if (error)
        return path;
    std::string result = resolved.string();
    if (path.back() == '/')
        result = WithTrailingSlash(std::move(result));
    return result;
}

std::string GetShellFolder(const std::string& name) {
    if (name != "AppData")
        return {};
    // Relative values are invalid by the XDG rules and must be ignored.
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && config[0] == '/')
        return config;
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : home + "/.config";
}

std::string GetCommonShellFolder(const std::string& name) {
    if (name != "Common AppData")
        return {};
    if (const char* common = std::getenv("TILEWICK_COMMON_APPDATA");
        common != nullptr && *common != '\0')
        return common;
    return "/var/lib";
}

std::optional<FileTime> GetFileCreationTime(const std::string& path) {
    struct statx info {};
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_MTIME | STATX_CTIME, &info) != 0)
        return std::nullopt;
    if ((info.stx_mask & STATX_BTIME) != 0)
        return FromTimestamp(info.stx_btime);
    // Without a recorded birth time the earliest change is the closest known bound.
    return std::min(FromTimestamp(info.stx_mtime), FromTimestamp(info.stx_ctime));
}

double FileTimeToDate(FileTime time) {
    constexpr double unixEpochDay = 25569.0; // 1 January 1970 counted from 30 December 1899
    constexpr double secondsPerDay = 86400.0;
    const std::chrono::duration<double> sinceEpoch = time.time_since_epoch();
    return unixEpochDay + sinceEpoch.count() / secondsPerDay;
}

bool CanAccessFolder(FolderAccess access, const std::string& path) {
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return false;
    // Entries of a folder are reached through its search (execute) permission.
    int mode = X_OK;
    switch (access) {
    case FolderAccess::Read:
        mode |= R_OK;
        break;
    case FolderAccess::Write:
        mode |= W_OK;
        break;
    case FolderAccess::Execute:
        break;
    case FolderAccess::All:
        mode |= R_OK | W_OK;
        break;
    }
    return faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) == 0;
}

} // namespace tw
