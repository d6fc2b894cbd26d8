#include "core/online/uOnlineSearch.h"

#include "core/app/uSettings.h"
#include "core/app/uUtils.h"
#include "core/online/Regex.h"
#include "core/online/VezTpl.h"
#include "core/online/WebText.h"

#include <algorithm>
#include <cstdint>

namespace tw {
namespace {

constexpr std::string_view DefaultPattern = "imgurl=(.*?)&imgrefurl=";
// Pages link forward this far when the page was full.
constexpr int PageSpan = 5;
constexpr std::size_t FullPage = 20;

std::string KeywordKey(int index) {
    return "keyword" + std::to_string(index);
}

int KeywordCount(const TSettings& settings) {
    return std::clamp(settings.ReadInteger("keywordCount", 0), 0, MaxKeywords);
}

} // namespace

std::string_view KeywordProblem(std::string_view keyword) {
    return keyword.empty() ? "ERRORMSG_1014" : "";
}

void RememberKeyword(TSettings& settings, std::string_view keyword) {
    if (keyword.empty())
        return;
    const int count = KeywordCount(settings);
    for (int i = 0; i < count; ++i)
        if (settings.ReadString(KeywordKey(i), "") == keyword)
            return;
    if (count < MaxKeywords) {
        settings.WriteString(KeywordKey(count), keyword);
        settings.WriteInteger("keywordCount", count + 1);
        return;
    }
    for (int i = 0; i + 1 < MaxKeywords; ++i)
        settings.WriteString(KeywordKey(i), settings.ReadString(KeywordKey(i + 1), ""));
    settings.WriteString(KeywordKey(MaxKeywords - 1), keyword);
}

std::vector<std::string> LoadKeywords(const TSettings& settings) {
    std::vector<std::string> keywords;
    for (int i = KeywordCount(settings) - 1; i >= 0; --i)
        keywords.push_back(settings.ReadString(KeywordKey(i), ""));
    return keywords;
}

void ClearKeywords(TSettings& settings) {
    settings.WriteInteger("keywordCount", 0);
}

TPageRange PageLinks(int currentPage, std::size_t resultCount) {
    return {currentPage > PageSpan ? currentPage - PageSpan : 1,
            resultCount >= FullPage ? currentPage + PageSpan : currentPage};
}

bool IsProgramLink(std::string_view address) {
    return StartsWithText(address, "vkt:");
}

TOnlineSearch::TOnlineSearch(TSettings& settings) : settings_(settings) {}

std::string TOnlineSearch::Search(std::string_view keyword, int page) {
    keyword_ = keyword;
    RememberKeyword(settings_, keyword);
    return RequestPage(keyword, page);
}

std::string TOnlineSearch::RequestPage(std::string_view keyword, int page) {
    page_ = page;
    // Spaces become "+"; everything else that could end or change the query ("&", "#", "+",
    // "%") is encoded as well, so the service receives the words as typed.
    std::string address = settings_.ReadConstString("URL.SearchURL", "") + FormEncode(keyword);
    if (page > 1) {
        // A page without results leaves a per-page count below 1; never ask for a start
        // before the first result.
        const std::int64_t start = std::max<std::int64_t>(1, std::int64_t{page - 1} * perPage_ + 1);
        address += "&start=" + std::to_string(start);
    }
    return address;
}

bool TOnlineSearch::PageDone(std::string_view pageText) {
    if (pageText.empty())
        return false;
    results_.clear();
    patternError_.clear();
    int matches = 0;
    const auto pattern = TRegex::Compile(
        settings_.ReadConstString("Pattern.SEARCH", DefaultPattern), false, patternError_);
    std::size_t offset = 0;
    while (pattern && offset <= pageText.size()) {
        const auto match = pattern->Find(pageText, offset, patternError_);
        if (!match)
            break;
        ++matches;
        if (match->Groups.size() > 1 && match->Groups[1] && IsWebAddress(*match->Groups[1]))
            results_.emplace_back(*match->Groups[1]);
        // An empty match moves on by one byte, or it would be found again.
        offset = match->End > match->Begin ? match->End : match->Begin + 1;
    }
    perPage_ = matches - 2;
    return true;
}

std::string TOnlineSearch::BuildResultPage(const std::string& templateFile,
                                           std::string_view resPath) const {
    TVezTpl page;
    page.LoadTemplate(templateFile);
    page.SetVar("RESPATH", HtmlEscapeAttribute(resPath));

    const std::size_t shown =
        std::min(results_.size(), static_cast<std::size_t>(std::max(perPage_, 0)));
    for (std::size_t i = 0; i < shown; ++i) {
        page.BeginBlock("imageitem");
        page.SetVar("ID", std::to_string(i));
        page.SetVar("IMG_URL", HtmlEscapeAttribute(results_[i]));
        page.SetVar("IMG_QUERY", HtmlEscapeAttribute(FormEncode(results_[i])));
        page.EndBlock("imageitem");
    }
    if (results_.empty())
        page.BeginBlock("noresult");
    page.SetVar("NORESULT", HtmlEscapeText(NoResultText));
    page.EndBlock("noresult");

    page.SetVar("CURRENTPAGE", std::to_string(page_));
    if (page_ > 1) {
        page.BeginBlock("prevpage");
        page.SetVar("PREVPAGE", std::to_string(page_ - 1));
        page.EndBlock("prevpage");
    }
    const TPageRange links = PageLinks(page_, results_.size());
    if (page_ != links.Last) {
        page.BeginBlock("nextpage");
        page.SetVar("NEXTPAGE", std::to_string(page_ + 1));
        page.EndBlock("nextpage");
    }
    for (int i = links.First; i <= links.Last; ++i) {
        const bool current = i == page_;
        page.BeginBlock("page");
        page.SetVar("PageID", std::to_string(i));
        page.SetVar("CURRENTPAGE_DISPLAY", current ? "" : "none");
        page.SetVar("FLIPPAGE_DISPLAY", current ? "none" : "");
        page.EndBlock("page");
    }
    page.Parse();
    return page.Output();
}

TResultLink TOnlineSearch::ReadLink(std::string_view address) const {
    if (!IsProgramLink(address))
        return {};
    QueryValues values;
    ParseQueryString(address, values);
    const std::string action = QueryValue(values, "ACTION");
    if (SameText(action, "Download")) {
        std::string url = QueryValue(values, "URL");
        // Only a picture this page offered: a forged link must not fetch anything else.
        if (std::find(results_.begin(), results_.end(), url) == results_.end())
            return {};
        return {TLinkAction::Download, std::move(url), 0};
    }
    if (SameText(action, "FlipPage")) {
        const int page = StrToIntDefault(QueryValue(values, "PAGE"), 0);
        if (page < 1)
            return {};
        return {TLinkAction::FlipPage, {}, page};
    }
    return {};
}

} // namespace tw
