#pragma once

#include "core/app/uIniFile.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The settings store: product constants from "const.dat" beside the program (overridden key by
// key by "oem.dat"), user settings and show-again answers in the data folder's "Setting.dat"
// (saved at every write), and the per-user choice of data folder in "UserFlag.ini".
namespace tw {

class TSettings {
public:
    // Constants from the executable's folder; data folders from the platform's per-user and
    // all-users application-data folders. No settings file is open until SelectDataFolder.
    TSettings();
    // As above with the constants taken from `programFolder` instead.
    explicit TSettings(const std::string& programFolder);
    ~TSettings();

    TSettings(const TSettings&) = delete;
    TSettings& operator=(const TSettings&) = delete;

    // Folders, each ending in "/".
    const std::string& ProgramFolder() const { return programFolder_; }
    const std::string& DataFolder() const { return dataFolder_; }
    const std::string& UserFolder() const { return userFolder_; }
    const std::string& CommonFolder() const { return commonFolder_; }

    // "App.Ver" as written, its packed form (PackVersion) and "App.SubVer".
    const std::string& VersionText() const { return versionText_; }
    std::uint16_t VersionNumber() const { return versionNumber_; }
    std::int32_t SubVersion() const { return subVersion_; }

    // The scope chosen by SelectDataFolder: true = all users.
    bool AllUsers() const { return allUsers_; }

    // Selects the all-users or the per-user data folder, creates it and opens its
    // "Setting.dat" (created holding a single space when missing).
    void SelectDataFolder(bool allUsers);

    // Constants: "oem.dat" when it has the key (even empty), else "const.dat", else `def`.
    std::string ReadConstString(std::string_view key, std::string_view def = {}) const;
    int ReadConstInteger(std::string_view key, int def) const;
    bool ReadConstBool(std::string_view key, bool def) const;

    // User settings in section "setting". Reads give `def` for an absent key, for a value that
    // does not parse and while no data folder is selected. Writes save the file at once and
    // return whether that worked; before SelectDataFolder they do nothing and return false.
    std::string ReadString(std::string_view key, std::string_view def) const;
    bool WriteString(std::string_view key, std::string_view value);
    int ReadInteger(std::string_view key, int def) const;
    bool WriteInteger(std::string_view key, int value);
    bool ReadBool(std::string_view key, bool def) const;
    bool WriteBool(std::string_view key, bool value);

    // Show-again answers of message boxes, by message id.
    bool GetShowAgain(int id) const;
    bool SetShowAgain(int id, bool flag);
    int GetShowAgainResult(int id) const;
    bool SetShowAgainResult(int id, int result);
    // Forgets every show-again answer.
    bool ClearShowAgainFlags();

    // The per-user scope choice in UserFolder's "UserFlag.ini", read afresh at each call.
    bool HasAllUsersChoice() const;
    bool GetAllUsers() const;
    bool SetAllUsers(bool flag);

    // Whether the current user may write CommonFolder (created first when missing).
    bool CanWriteCommonFolder() const;

    // Whole days since the oldest of the program folder, UserFolder and CommonFolder was
    // created; 0 when none of their creation times can be read.
    int InstallAgeDays() const;

private:
    IniFile OpenUserFlags() const;

    bool allUsers_ = false;
    IniFile constants_;
    IniFile overrides_;
    std::optional<IniFile> settings_;
    std::string programFolder_;
    std::string dataFolder_;
    std::string userFolder_;
    std::string commonFolder_;
    std::string versionText_;
    std::uint16_t versionNumber_ = 0;
    std::int32_t subVersion_ = 0;
};

// The one settings store of the process, created at the first call from the executable's
// folder and released when the process ends.
TSettings& Settings();

// Makes `settings` the store that Settings() returns and gives back the previous one (empty if
// none was created yet). Lets start-up or a test choose the program folder.
std::unique_ptr<TSettings> ReplaceSettings(std::unique_ptr<TSettings> settings);

// Start-up choice of the data folder. The first start of a user takes the all-users folder
// when it is writable; whenever the all-users folder is wanted but not writable, the settings
// fall back to the current user and `notifyCurrentUserOnly` is called to tell the user so.
// The choice is stored in "UserFlag.ini" and the chosen folder selected.
void ChooseDataFolder(TSettings& settings, const std::function<void()>& notifyCurrentUserOnly);

} // namespace tw
