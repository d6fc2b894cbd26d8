#include "core/online/uUpdateCheck.h"

#include "core/app/uSettings.h"
#include "core/app/uUtils.h"
#include "core/online/WebText.h"
#include "platform/SystemInfo.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <vector>

namespace tw {
namespace {

constexpr std::string_view Blanks = " \t\r\n";
constexpr std::size_t MaxChannelLine = 4096;

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(Blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(Blanks) - first + 1);
}

// `text` with every "%exepath%", in any case, replaced by `folder`.
std::string ReplaceExePath(std::string_view text, std::string_view folder) {
    constexpr std::string_view marker = "%exepath%";
    std::string result;
    std::size_t i = 0;
    while (i < text.size()) {
        if (StartsWithText(text.substr(i), marker)) {
            result += folder;
            i += marker.size();
        } else {
            result += text[i++];
        }
    }
    return result;
}

// Days since 30 December 1899, as the settings keep dates.
int DayNumber(std::chrono::local_time<std::chrono::milliseconds> time) {
    using namespace std::chrono;
    const local_days epoch{year{1899} / December / 30};
    return static_cast<int>((floor<days>(time) - epoch).count());
}

// Two-digit seconds and three-digit milliseconds: a token that keeps caches from answering.
std::string Stamp(std::chrono::local_time<std::chrono::milliseconds> time) {
    using namespace std::chrono;
    const hh_mm_ss<milliseconds> clock{time - floor<days>(time)};
    char text[8];
    std::snprintf(text, sizeof text, "%02d%03d", static_cast<int>(clock.seconds().count()),
                  static_cast<int>(clock.subseconds().count()));
    return text;
}

} // namespace

TSystemFacts CurrentSystemFacts() {
    TSystemFacts facts;
    SplitRelease(KernelRelease(), facts);
    facts.LanguageId = LocaleIdentifier();
    facts.Channel = ReadInstallChannel(InstallChannelFile());
    return facts;
}

void SplitRelease(std::string_view release, TSystemFacts& facts) {
    std::string* parts[] = {&facts.VersionMajor, &facts.VersionMinor};
    for (std::string* part : parts) {
        const auto dot = release.find('.');
        *part = release.substr(0, dot);
        release = dot == std::string_view::npos ? std::string_view() : release.substr(dot + 1);
    }
    facts.VersionExtra = release;
}

std::optional<std::string> ReadInstallChannel(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::string line(MaxChannelLine, '\0');
    file.read(line.data(), static_cast<std::streamsize>(line.size()));
    line.resize(static_cast<std::size_t>(file.gcount()));
    const std::string_view first = Trim(std::string_view(line).substr(0, line.find('\n')));
    if (first.empty())
        return std::nullopt;
    return std::string(first);
}

std::string ChannelField(const std::optional<std::string>& channel) {
    std::string text;
    for (const char c : channel.value_or("unknow"))
        if (c != '"')
            text += c;
    const auto separator = text.find_last_of("\\/:");
    if (separator != std::string::npos)
        text.erase(0, separator + 1);
    return FormEncode(BytesToHex(text));
}

TUpdateReply ParseUpdateReply(std::string_view body) {
    std::vector<std::string> lines;
    SplitText(body, '\n', lines);
    QueryValues values; // name/value pairs, the first of a name kept
    for (std::string& line : lines) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const auto equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string name = line.substr(0, equals);
        if (std::none_of(values.begin(), values.end(),
                         [&](const auto& item) { return SameText(item.first, name); }))
            values.emplace_back(name, line.substr(equals + 1));
    }
    TUpdateReply reply;
    reply.MagicWord = QueryValue(values, "magicword");
    reply.Result = StrToIntDefault(QueryValue(values, "Result"), 0);
    reply.Info = QueryValue(values, "info");
    reply.Page = QueryValue(values, "page");
    return reply;
}

TUpdateDecision DecideUpdate(const TUpdateCompletion& completion) {
    TUpdateDecision decision;
    const TUpdateOutcome failure =
        completion.ManualCheck ? TUpdateOutcome::ConnectFailed : TUpdateOutcome::Silent;
    if (!completion.Succeeded || completion.Body.empty()) {
        decision.Outcome = failure;
        return decision;
    }
    const TUpdateReply reply = ParseUpdateReply(completion.Body);
    if (!SameText(reply.MagicWord, completion.MagicWord)) {
        decision.Outcome = failure;
        return decision;
    }
    if (!completion.ManualCheck && (!completion.AutoCheckUpdate || completion.NoAutoCheck))
        return decision;
    if (reply.Result == 0 && completion.ManualCheck) {
        decision.Outcome = TUpdateOutcome::LatestVersion;
    } else if (reply.Result == 1) {
        decision.Outcome = TUpdateOutcome::NewVersion;
        decision.Info = reply.Info;
        // The page is opened by the system's browser: never a local file or a program.
        if (IsWebAddress(reply.Page))
            decision.Page = reply.Page;
        decision.AskAutoCheck = !completion.ManualCheck;
    }
    return decision;
}

TUpdateCheck::TUpdateCheck(TSettings& settings, std::string exeFolder, TSystemFacts facts,
                           TLocalClock clock)
    : settings_(settings), exeFolder_(std::move(exeFolder)), facts_(std::move(facts)),
      clock_(std::move(clock)) {}

std::string TUpdateCheck::BuildURL(std::string_view pageName, bool withQuery) const {
    std::string url = settings_.ReadConstString("URL." + std::string(pageName), "");
    if (url.empty() && SameText(pageName, "update"))
        url = BuiltInUpdateURL;
    if (!Trim(url).empty())
        url = ReplaceExePath(Trim(url), exeFolder_);
    else
        url = settings_.ReadConstString("URL.Redirect", "");
    if (withQuery && StartsWithText(url, "http"))
        url = AppendQuery(url, "&ACTION=" + std::string(pageName) + BuildQuery());
    return url;
}

std::string TUpdateCheck::BuildQuery() const {
    const std::string magicWord = FormEncode(settings_.ReadConstString("App.MagicWord", ""));
    char version[8];
    std::snprintf(version, sizeof version, "%04X", settings_.VersionNumber());
    std::string query = "&" + Stamp(clock_());
    query += "&PRODUCT=" + magicWord;
    query += "&PID=" + magicWord;
    query += "&LANG=" + FormEncode(settings_.ReadString("Language", "English"));
    query += "&DAY=" + std::to_string(settings_.InstallAgeDays());
    query += "&VER=" + std::string(version);
    query += "&SVER=" + std::to_string(settings_.SubVersion());
    query += "&WVER=" + FormEncode(facts_.VersionMajor + "_" + facts_.VersionMinor + "_" +
                                   facts_.VersionExtra);
    query += "&WLANG=" + FormEncode(facts_.LanguageId);
    query += "&CHL=" + ChannelField(facts_.Channel);
    return query;
}

std::optional<std::string> TUpdateCheck::CheckForUpdate(bool manual) {
    if (manual)
        manualCheck_ = true;
    if (checking_)
        return std::nullopt;
    checking_ = true;
    return BuildURL("update", true);
}

void TUpdateCheck::iedNetConnectionComplete(bool succeeded, std::string_view body,
                                            IUpdatePrompts& prompts) {
    settings_.WriteInteger("LastUpdateDate", DayNumber(clock_()));
    if (!checking_)
        return;
    const TUpdateDecision decision =
        DecideUpdate({manualCheck_, succeeded, body, settings_.ReadConstString("App.MagicWord", ""),
                      settings_.ReadBool("AutoCheckUpdate", true),
                      settings_.ReadConstBool("Update.NoAutoCheck", false)});
    // The check counts as running until its questions are answered, so that choosing Update
    // meanwhile starts no second one; the failure notice comes after it has ended.
    if (decision.Outcome == TUpdateOutcome::LatestVersion) {
        prompts.ShowLatestVersion();
    } else if (decision.Outcome == TUpdateOutcome::NewVersion) {
        if (prompts.ConfirmNewVersion(decision.Info)) {
            if (!decision.Page.empty())
                prompts.OpenURL(decision.Page);
        } else if (decision.AskAutoCheck && !prompts.KeepAutoCheck()) {
            settings_.WriteBool("AutoCheckUpdate", false);
        }
    }
    checking_ = false;
    if (decision.Outcome == TUpdateOutcome::ConnectFailed)
        prompts.ShowConnectFailed();
}

} // namespace tw
