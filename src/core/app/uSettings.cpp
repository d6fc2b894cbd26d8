#include "core/app/uSettings.h"

#include "core/app/uUtils.h"
#include "platform/Folders.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;

namespace tw {

namespace {

constexpr std::string_view kConstSection = "const";
constexpr std::string_view kSettingSection = "setting";
constexpr std::string_view kShowAgainSection = "ShowAgain";
constexpr std::string_view kShowAgainResultSection = "ShowAgainModuleResult";
constexpr std::string_view kFlagSection = "Flag";
constexpr std::string_view kAllUsersKey = "AllUsers";
// Without a configured sub-folder the data would land loose in the shared application-data
// folder among other programs' files; this name keeps it apart.
constexpr std::string_view kFallbackConfigPath = "Tilewick";

void CreateFolder(const std::string& folder) {
    std::error_code ignored; // an uncreatable folder shows up when its files are saved
    fs::create_directories(folder, ignored);
}

std::string DataFolderIn(const std::string& appData, const std::string& configPath) {
    return IncludeBackslash(IncludeBackslash(appData) + configPath);
}

} // namespace

TSettings::TSettings() : TSettings(GetExeFolder()) {}

TSettings::TSettings(const std::string& programFolder)
    : programFolder_(IncludeBackslash(GetLongPath(programFolder))) {
    constants_ = IniFile(programFolder_ + "const.dat");
    overrides_ = IniFile(programFolder_ + "oem.dat");

    std::string configPath = ReadConstString("App.ConfigPath");
    if (configPath.empty())
        configPath = kFallbackConfigPath;
    userFolder_ = DataFolderIn(GetShellFolder("AppData"), configPath);
    commonFolder_ = DataFolderIn(GetCommonShellFolder("Common AppData"), configPath);

    versionText_ = ReadConstString("App.Ver");
    versionNumber_ = PackVersion(versionText_);
    subVersion_ = ReadConstInteger("App.SubVer", 0);
}

TSettings::~TSettings() = default;

void TSettings::SelectDataFolder(bool allUsers) {
    allUsers_ = allUsers;
    const std::string& folder = allUsers ? commonFolder_ : userFolder_;
    CreateFolder(folder);
    dataFolder_ = IncludeBackslash(GetLongPath(folder));

    settings_.reset();
    const std::string path = dataFolder_ + "Setting.dat";
    std::error_code error;
    if (!fs::exists(path, error) && !error)
        WriteTextFile(" ", path);
    settings_.emplace(path);
}

std::string TSettings::ReadConstString(std::string_view key, std::string_view def) const {
    if (overrides_.ValueExists(kConstSection, key))
        return overrides_.ReadString(kConstSection, key, def);
    return constants_.ReadString(kConstSection, key, def);
}

int TSettings::ReadConstInteger(std::string_view key, int def) const {
    return StrToIntDefault(ReadConstString(key), def);
}

bool TSettings::ReadConstBool(std::string_view key, bool def) const {
    return ReadConstInteger(key, def ? 1 : 0) != 0;
}

std::string TSettings::ReadString(std::string_view key, std::string_view def) const {
    return settings_ ? settings_->ReadString(kSettingSection, key, def) : std::string(def);
}

bool TSettings::WriteString(std::string_view key, std::string_view value) {
    return settings_ && settings_->WriteString(kSettingSection, key, value) && settings_->Save();
}

int TSettings::ReadInteger(std::string_view key, int def) const {
    return StrToIntDefault(ReadString(key, ""), def);
}

bool TSettings::WriteInteger(std::string_view key, int value) {
    return WriteString(key, std::to_string(value));
}

bool TSettings::ReadBool(std::string_view key, bool def) const {
    return ReadInteger(key, def ? 1 : 0) != 0;
}

bool TSettings::WriteBool(std::string_view key, bool value) {
    return WriteInteger(key, value ? 1 : 0);
}

bool TSettings::GetShowAgain(int id) const {
    return !settings_ || settings_->ReadBool(kShowAgainSection, std::to_string(id), true);
}

bool TSettings::SetShowAgain(int id, bool flag) {
    return settings_ && settings_->WriteBool(kShowAgainSection, std::to_string(id), flag) &&
           settings_->Save();
}

int TSettings::GetShowAgainResult(int id) const {
    return settings_ ? settings_->ReadInteger(kShowAgainResultSection, std::to_string(id), 1) : 1;
}

bool TSettings::SetShowAgainResult(int id, int result) {
    return settings_ &&
           settings_->WriteInteger(kShowAgainResultSection, std::to_string(id), result) &&
           settings_->Save();
}

bool TSettings::ClearShowAgainFlags() {
    if (!settings_)
        return false;
    settings_->EraseSection(kShowAgainSection);
    settings_->EraseSection(kShowAgainResultSection);
    return settings_->Save();
}

IniFile TSettings::OpenUserFlags() const {
    CreateFolder(userFolder_);
    return IniFile(userFolder_ + "UserFlag.ini");
}

bool TSettings::HasAllUsersChoice() const {
    return OpenUserFlags().ValueExists(kFlagSection, kAllUsersKey);
}

bool TSettings::GetAllUsers() const {
    return OpenUserFlags().ReadBool(kFlagSection, kAllUsersKey, true);
}

bool TSettings::SetAllUsers(bool flag) {
    IniFile flags = OpenUserFlags();
    return flags.WriteBool(kFlagSection, kAllUsersKey, flag) && flags.Save();
}

bool TSettings::CanWriteCommonFolder() const {
    try {
        CreateFolder(commonFolder_);
        return CanAccessFolder(FolderAccess::Write, commonFolder_);
    } catch (...) {
        return false;
    }
}

int TSettings::InstallAgeDays() const {
    const double now = FileTimeToDate(FileTime::clock::now());
    std::string program = programFolder_;
    if (program.size() > 1)
        program.pop_back();
    int days = 0;
    for (const std::string& folder : {program, userFolder_, commonFolder_}) {
        if (const auto created = GetFileCreationTime(folder))
            days = std::max(days, static_cast<int>(std::abs(now - FileTimeToDate(*created))));
    }
    return days;
}

namespace {

std::unique_ptr<TSettings>& GlobalSettings() {
    static std::unique_ptr<TSettings> settings;
    return settings;
}

} // namespace

TSettings& Settings() {
    std::unique_ptr<TSettings>& settings = GlobalSettings();
    if (!settings)
        settings = std::make_unique<TSettings>();
    return *settings;
}

std::unique_ptr<TSettings> ReplaceSettings(std::unique_ptr<TSettings> settings) {
    return std::exchange(GlobalSettings(), std::move(settings));
}

void ChooseDataFolder(TSettings& settings, const std::function<void()>& notifyCurrentUserOnly) {
    const bool hasChoice = settings.HasAllUsersChoice();
    const bool wantsAllUsers = !hasChoice || settings.GetAllUsers();
    const bool allUsers = wantsAllUsers && settings.CanWriteCommonFolder();
    if (wantsAllUsers && !allUsers && notifyCurrentUserOnly)
        notifyCurrentUserOnly();
    if (!hasChoice || wantsAllUsers != allUsers)
        settings.SetAllUsers(allUsers);
    // The decision itself is selected, not the stored flag, in case the flag could not be saved.
    settings.SelectDataFolder(allUsers);
}

} // namespace tw
