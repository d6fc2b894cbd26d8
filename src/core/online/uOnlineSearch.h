#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The window-free part of the online picture search: the keyword history, the search
// addresses, the picture addresses found on a result page, the result page built from its
// template and the reading of the page's own "vkt:" links.
namespace tw {

class TSettings;

// --- Requests ---

// The user agent both downloads of the search send.
inline constexpr std::string_view SearchUserAgent = "DuzaZudi HTTPGet";
// Downloads larger than these are cut off as failed: a result page, a picture.
inline constexpr std::size_t MaxResultPageBytes = 4 * 1024 * 1024;
inline constexpr std::size_t MaxPictureBytes = 32 * 1024 * 1024;

// The message key to show instead of searching for `keyword`, empty when it can be searched.
// Only an empty text is refused; blanks alone are searched.
std::string_view KeywordProblem(std::string_view keyword);

// --- Keyword history: "keywordCount" and "keyword0".."keyword9", oldest first ---

constexpr int MaxKeywords = 10;

// Stores `keyword` unless it is empty or stored already (case counts); with ten stored the
// oldest one drops out.
void RememberKeyword(TSettings& settings, std::string_view keyword);
// The stored keywords, newest first.
std::vector<std::string> LoadKeywords(const TSettings& settings);
// Forgets every stored keyword.
void ClearKeywords(TSettings& settings);

// --- Result pages ---

// The page numbers the result page links to.
struct TPageRange {
    int First = 1;
    int Last = 1;
};

// Five pages either side of `currentPage` (never below 1); forward only when the page held
// 20 or more results.
TPageRange PageLinks(int currentPage, std::size_t resultCount);

// What a link of the result page asks for.
enum class TLinkAction { None, Download, FlipPage };

struct TResultLink {
    TLinkAction Action = TLinkAction::None;
    std::string URL; // Download: the picture address
    int Page = 0;    // FlipPage: the page wanted, from 1
};

// Whether the browser is to leave `address` to the program ("vkt:" in any case).
bool IsProgramLink(std::string_view address);

// The sentence the result page shows when nothing was found.
inline constexpr std::string_view NoResultText =
    "No Result. Please type another keyword and search again.";

class TOnlineSearch {
public:
    // Constants ("URL.SearchURL", "Pattern.SEARCH") and the history come from `settings`.
    explicit TOnlineSearch(TSettings& settings);

    // A new search: the keyword becomes current and is remembered; gives the address of the
    // page (the caller refreshes its keyword list from LoadKeywords).
    std::string Search(std::string_view keyword, int page);
    // The address of result page `page` for `keyword`, which becomes the current page.
    std::string RequestPage(std::string_view keyword, int page);

    // A fetched result page: false, changing nothing, for an empty text. Otherwise the
    // results are the "http"/"https" addresses of the search pattern's group 1 in page
    // order, and results per page the number of matches minus 2.
    bool PageDone(std::string_view pageText);

    // The filled result page from the template file. Every value is escaped for the place it
    // lands. Variables: top level "RESPATH", "NORESULT", "CURRENTPAGE"; blocks "imageitem"
    // ("ID", "IMG_URL" for an attribute, "IMG_QUERY" form-encoded for a "vkt:" link's "URL"),
    // "noresult", "prevpage" ("PREVPAGE"), "nextpage" ("NEXTPAGE"), "page" ("PageID",
    // "CURRENTPAGE_DISPLAY", "FLIPPAGE_DISPLAY"). Throws TemplateError when the template
    // cannot be read.
    std::string BuildResultPage(const std::string& templateFile, std::string_view resPath) const;

    // What the "vkt:" link `address` asks for. A download only of an address of the current
    // results; a page flip only to a whole page number from 1. Anything else gives None.
    TResultLink ReadLink(std::string_view address) const;

    const std::string& CurrentKeyword() const { return keyword_; }
    int CurrentPage() const { return page_; }
    int ResultsPerPage() const { return perPage_; }
    const std::vector<std::string>& Results() const { return results_; }
    // The matcher's complaint about the search pattern or the last page, if any.
    const std::string& PatternError() const { return patternError_; }

private:
    TSettings& settings_;
    std::string keyword_;
    int page_ = 1;
    int perPage_ = 18;
    std::vector<std::string> results_;
    std::string patternError_;
};

} // namespace tw
