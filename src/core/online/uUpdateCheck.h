#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Web addresses of the program's named pages with the query that describes the
// installation, and the update check's request and reply handling. The HTTP request and the
// message boxes are the user interface's.
namespace tw {

class TSettings;

// The update address used when the constants name none.
inline constexpr std::string_view BuiltInUpdateURL = "http://127.0.0.1:8765/update/";

// How the user interface makes the request: a GET with this extra header, ended as failed
// after the time-out; replies larger than the cap count as failed too.
inline constexpr std::string_view UpdateRequestHeader =
    "Content-Type: application/x-www-form-urlencoded";
inline constexpr int UpdateTimeoutMs = 5000;
inline constexpr std::size_t MaxUpdateReplyBytes = 64 * 1024;

// What the request query reports about the system.
struct TSystemFacts {
    // "WVER": major, minor and the rest of the system's version ("6", "1", "0-18-amd64").
    std::string VersionMajor;
    std::string VersionMinor;
    std::string VersionExtra;
    // "WLANG": the system's locale identifier.
    std::string LanguageId;
    // The install channel as configured; nothing when not configured.
    std::optional<std::string> Channel;
};

// The facts of the running system: kernel release, locale, the channel file's first line.
TSystemFacts CurrentSystemFacts();

// "6.1.0-18-amd64" as "6", "1" and "0-18-amd64"; parts that are missing stay empty.
void SplitRelease(std::string_view release, TSystemFacts& facts);

// The first line of the channel file without surrounding blanks; nothing when the file is
// missing, unreadable or has an empty first line.
std::optional<std::string> ReadInstallChannel(const std::string& path);

// "CHL" as sent: "unknow" when not configured, double quotes removed, its file-name part,
// hexadecimal, form-encoded.
std::string ChannelField(const std::optional<std::string>& channel);

using TLocalClock = std::function<std::chrono::local_time<std::chrono::milliseconds>()>;

// The name=value lines of an update reply; names without regard to case, the first wins.
struct TUpdateReply {
    std::string MagicWord;
    int Result = 0; // 0 when missing or not a number
    std::string Info;
    std::string Page;
};
TUpdateReply ParseUpdateReply(std::string_view body);

// What the end of an update check shows.
enum class TUpdateOutcome {
    Silent,        // nothing
    ConnectFailed, // the connection-failure error (1011)
    LatestVersion, // "MSGBOX_LastVersionAlready"
    NewVersion,    // the reply's "info", offering its "page"
};

struct TUpdateDecision {
    TUpdateOutcome Outcome = TUpdateOutcome::Silent;
    std::string Info;
    // The page to open when the user accepts; empty unless it is an http or https address.
    std::string Page;
    // Whether declining the new version asks if automatic checks should go on.
    bool AskAutoCheck = false;
};

struct TUpdateCompletion {
    bool ManualCheck = false;
    bool Succeeded = false; // the request ended without error
    std::string_view Body;
    std::string_view MagicWord;  // "App.MagicWord"
    bool AutoCheckUpdate = true; // user setting
    bool NoAutoCheck = false;    // constant "Update.NoAutoCheck"
};

// The decision table of a finished check.
TUpdateDecision DecideUpdate(const TUpdateCompletion& completion);

// The questions and notices of a finished check, answered by the user interface.
class IUpdatePrompts {
public:
    virtual ~IUpdatePrompts() = default;
    virtual void ShowLatestVersion() = 0;
    // The reply's "info" text with OK and Cancel; true for OK.
    virtual bool ConfirmNewVersion(const std::string& info) = 0;
    // "MSGBOX_AutoCheckUpdate" with Yes and No; false for No.
    virtual bool KeepAutoCheck() = 0;
    virtual void ShowConnectFailed() = 0;
    virtual void OpenURL(const std::string& url) = 0;
};

class TUpdateCheck {
public:
    TUpdateCheck(TSettings& settings, std::string exeFolder, TSystemFacts facts, TLocalClock clock);

    // The address of a named page ("update", "help", "home"): its constant "URL." + name
    // with "%exepath%" replaced by the program folder, else "URL.Redirect"; web addresses
    // get "&ACTION=" + name and BuildQuery() appended when `withQuery`.
    std::string BuildURL(std::string_view pageName, bool withQuery) const;
    // The query describing the installation, each field starting with "&".
    std::string BuildQuery() const;

    // Starts a check: the address to fetch, or nothing while one is running (a manual
    // request still makes the running one report as manual).
    std::optional<std::string> CheckForUpdate(bool manual);
    std::optional<std::string> StartupUpdateCheck() { return CheckForUpdate(false); }

    // The fetch has ended: records the day, decides and asks through `prompts`.
    void iedNetConnectionComplete(bool succeeded, std::string_view body, IUpdatePrompts& prompts);

    bool ManualCheck() const { return manualCheck_; }
    bool Checking() const { return checking_; }

private:
    TSettings& settings_;
    std::string exeFolder_;
    TSystemFacts facts_;
    TLocalClock clock_;
    bool manualCheck_ = false;
    bool checking_ = false;
};

} // namespace tw
