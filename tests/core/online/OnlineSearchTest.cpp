#include "OnlineFixture.h"
#include "core/online/VezTpl.h"
#include "core/online/WebText.h"
#include "core/online/uOnlineSearch.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tw {
namespace {

constexpr const char* SearchConstants = "URL.SearchURL=http://127.0.0.1:8765/search?q=\n"
                                        "Pattern.SEARCH=imgurl=(.*?)&imgrefurl=\n";

// Every variable and block of the result page, each on a line of its own.
constexpr const char* ResultTemplate =
    "R={RESPATH}\n"
    "<!-- begin block imageitem -->[{ID}:{IMG_URL}|{IMG_QUERY}]<!-- end block imageitem -->\n"
    "<!-- begin block noresult -->{NORESULT}<!-- end block noresult -->\n"
    "P={CURRENTPAGE}<!-- begin block prevpage --> prev={PREVPAGE}<!-- end block prevpage -->"
    "<!-- begin block nextpage --> next={NEXTPAGE}<!-- end block nextpage -->\n"
    "<!-- begin block page -->({PageID}{CURRENTPAGE_DISPLAY}/{FLIPPAGE_DISPLAY})"
    "<!-- end block page -->";

// A service page with `count` matches of the default pattern.
std::string ServicePage(int count) {
    std::string page = "<html>";
    for (int i = 0; i < count; ++i)
        page += "<a href=\"/imgres?imgurl=http://127.0.0.1/p" + std::to_string(i) +
                ".jpg&imgrefurl=/x\">";
    return page + "</html>";
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (auto end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

class OnlineSearchTest : public test::OnlineFixture {
protected:
    OnlineSearchTest() {
        UseConstants(SearchConstants);
        test::MakeFile(TemplateFile(), ResultTemplate);
    }
    std::string TemplateFile() const { return Root() + "result.html"; }
    std::vector<std::string> Page(const TOnlineSearch& search) const {
        return Lines(search.BuildResultPage(TemplateFile(), "/opt/tw/res/"));
    }
};

TEST_F(OnlineSearchTest, RequestPageBuildsTheSearchAddress) {
    TOnlineSearch search(Store());
    const std::string base = "http://127.0.0.1:8765/search?q=";
    EXPECT_EQ(search.RequestPage("cute cat", 1), base + "cute+cat");
    EXPECT_EQ(search.RequestPage("cute cat", 3), base + "cute+cat&start=37") << "18 per page";
    EXPECT_EQ(search.CurrentPage(), 3);
    // Characters that would end or change the query arrive as typed; UTF-8 is kept byte-wise.
    EXPECT_EQ(search.RequestPage("tom & jerry #1+", 1), base + "tom+%26+jerry+%231%2b");
    EXPECT_EQ(search.RequestPage("K\xC3\xA4se", 1), base + "K%c3%a4se");

    ASSERT_TRUE(search.PageDone(ServicePage(22)));
    EXPECT_EQ(search.RequestPage("cat", 2), base + "cat&start=21") << "20 per page now";
    ASSERT_TRUE(search.PageDone("nothing found"));
    EXPECT_EQ(search.ResultsPerPage(), -2);
    EXPECT_EQ(search.RequestPage("cat", 2), base + "cat&start=1") << "never before the first";
}

TEST(KeywordProblemTest, OnlyAnEmptyKeywordIsRefused) {
    EXPECT_EQ(KeywordProblem(""), "ERRORMSG_1014");
    EXPECT_EQ(KeywordProblem("  "), "") << "blanks alone are searched";
    EXPECT_EQ(KeywordProblem("cat"), "");
}

TEST_F(OnlineSearchTest, SearchRemembersTheKeyword) {
    TOnlineSearch search(Store());
    search.Search("sunset", 1);
    EXPECT_EQ(search.CurrentKeyword(), "sunset");
    EXPECT_EQ(LoadKeywords(Store()), std::vector<std::string>{"sunset"});
}

TEST_F(OnlineSearchTest, KeywordHistoryKeepsTenNewestFirst) {
    TSettings& settings = Store();
    EXPECT_TRUE(LoadKeywords(settings).empty());
    RememberKeyword(settings, "");
    EXPECT_EQ(settings.ReadInteger("keywordCount", -1), -1) << "an empty keyword is not stored";

    for (int i = 0; i < 11; ++i)
        RememberKeyword(settings, "k" + std::to_string(i));
    const std::vector<std::string> expected = {"k10", "k9", "k8", "k7", "k6",
                                               "k5",  "k4", "k3", "k2", "k1"};
    EXPECT_EQ(LoadKeywords(settings), expected) << "the eleventh dropped the oldest";
    EXPECT_EQ(settings.ReadString("keyword0", ""), "k1");
    EXPECT_EQ(settings.ReadInteger("keywordCount", 0), 10);

    RememberKeyword(settings, "k5");
    EXPECT_EQ(LoadKeywords(settings), expected) << "a stored keyword changes nothing";
    RememberKeyword(settings, "K5");
    EXPECT_EQ(LoadKeywords(settings).front(), "K5") << "case counts";

    ClearKeywords(settings);
    EXPECT_TRUE(LoadKeywords(settings).empty());
    RememberKeyword(settings, "again");
    EXPECT_EQ(LoadKeywords(settings), std::vector<std::string>{"again"});

    settings.WriteInteger("keywordCount", 99);
    EXPECT_EQ(LoadKeywords(settings).size(), 10u) << "a damaged count reads as ten at most";
}

TEST(PageLinksTest, FiveEitherSideWhenThePageWasFull) {
    const struct {
        int page;
        std::size_t results;
        int first;
        int last;
    } cases[] = {
        {8, 20, 3, 13}, {1, 20, 1, 6}, {5, 25, 1, 10}, {6, 25, 1, 11},
        {8, 19, 3, 8},  {1, 0, 1, 1},  {2, 19, 1, 2},
    };
    for (const auto& c : cases) {
        const TPageRange range = PageLinks(c.page, c.results);
        EXPECT_EQ(range.First, c.first) << c.page << "/" << c.results;
        EXPECT_EQ(range.Last, c.last) << c.page << "/" << c.results;
    }
}

TEST_F(OnlineSearchTest, ResultPageFollowsTheMatchCount) {
    const struct {
        int matches;
        int page;
        std::size_t pictures;
        std::string navigation;
        std::size_t pageLinks;
    } cases[] = {
        {22, 1, 20, "P=1 next=2", 6},
        {22, 8, 20, "P=8 prev=7 next=9", 11},
        {19, 1, 17, "P=1", 1},
        {19, 8, 17, "P=8 prev=7", 6},
    };
    for (const auto& c : cases) {
        TOnlineSearch search(Store());
        search.RequestPage("cat", c.page);
        ASSERT_TRUE(search.PageDone(ServicePage(c.matches)));
        EXPECT_EQ(search.Results().size(), static_cast<std::size_t>(c.matches));
        EXPECT_EQ(search.ResultsPerPage(), c.matches - 2);
        const std::vector<std::string> lines = Page(search);
        ASSERT_EQ(lines.size(), 5u);
        EXPECT_EQ(std::count(lines[1].begin(), lines[1].end(), '['),
                  static_cast<std::ptrdiff_t>(c.pictures))
            << c.matches;
        EXPECT_EQ(lines[2], "") << "no no-result text";
        EXPECT_EQ(lines[3], c.navigation) << c.matches << " on page " << c.page;
        EXPECT_EQ(std::count(lines[4].begin(), lines[4].end(), '('),
                  static_cast<std::ptrdiff_t>(c.pageLinks));
    }
}

TEST_F(OnlineSearchTest, ResultPageCarriesEveryValue) {
    TOnlineSearch search(Store());
    search.RequestPage("cat", 2);
    ASSERT_TRUE(
        search.PageDone("imgurl=http://h/a.jpg?x=1&y=2&imgrefurl=\n"
                        "imgurl=http://h/b.jpg&imgrefurl= imgurl=http://h/c.jpg&imgrefurl="));
    const std::vector<std::string> expected = {
        "R=/opt/tw/res/",
        "[0:http://h/a.jpg?x=1&amp;y=2|http%3a%2f%2fh%2fa.jpg%3fx%3d1%26y%3d2]",
        "",
        "P=2 prev=1",
        "(1none/)(2/none)",
    };
    EXPECT_EQ(Page(search), expected);

    ASSERT_TRUE(search.PageDone("<html>no pictures</html>"));
    EXPECT_EQ(Page(search)[2], "No Result. Please type another keyword and search again.");
    EXPECT_EQ(Page(search)[1], "");
}

TEST_F(OnlineSearchTest, HostileAddressesRenderHarmlessly) {
    TOnlineSearch search(Store());
    search.RequestPage("cat", 1);
    ASSERT_TRUE(
        search.PageDone("imgurl=javascript:alert(1)&imgrefurl= "
                        "imgurl=http://h/\"><script>alert('x')</script>.jpg&imgrefurl= "
                        "imgurl=file:///etc/passwd&imgrefurl= imgurl=http://h/ok.jpg&imgrefurl= "
                        "imgurl=x&imgrefurl= imgurl=y&imgrefurl="));
    EXPECT_EQ(search.Results().size(), 2u) << "only http and https addresses";
    EXPECT_EQ(search.ResultsPerPage(), 4) << "every match still counts";
    const std::string page = search.BuildResultPage(TemplateFile(), "/res/\"><b>");
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_EQ(page.find("javascript"), std::string::npos);
    EXPECT_EQ(page.find("file:"), std::string::npos);
    EXPECT_EQ(page.find("\"><"), std::string::npos);
    EXPECT_NE(page.find("http://h/&quot;&gt;&lt;script&gt;"), std::string::npos);
}

TEST_F(OnlineSearchTest, EmptyPageChangesNothing) {
    TOnlineSearch search(Store());
    ASSERT_TRUE(search.PageDone(ServicePage(5)));
    EXPECT_FALSE(search.PageDone(""));
    EXPECT_EQ(search.Results().size(), 5u);
    EXPECT_EQ(search.ResultsPerPage(), 3);
}

TEST_F(OnlineSearchTest, BadPatternFindsNothingAndSaysWhy) {
    TOnlineSearch search(UseConstants("Pattern.SEARCH=imgurl=(.*?\n"));
    ASSERT_TRUE(search.PageDone(ServicePage(3)));
    EXPECT_TRUE(search.Results().empty());
    EXPECT_FALSE(search.PatternError().empty());
}

TEST_F(OnlineSearchTest, MissingTemplateIsAnError) {
    TOnlineSearch search(Store());
    EXPECT_THROW(search.BuildResultPage(Root() + "missing.html", ""), TemplateError);
}

TEST_F(OnlineSearchTest, OnlyTheOfferedLinksAreHonoured) {
    TOnlineSearch search(Store());
    const std::string offered = "http://h/a.jpg?x=1&y=2";
    ASSERT_TRUE(search.PageDone("imgurl=" + offered + "&imgrefurl=" + ServicePage(2)));
    const struct {
        std::string link;
        TLinkAction action;
        std::string url;
        int page;
    } cases[] = {
        {"vkt:?ACTION=Download&URL=" + FormEncode(offered), TLinkAction::Download, offered, 0},
        {"VKT:?action=download&url=" + FormEncode(offered), TLinkAction::Download, offered, 0},
        {"vkt:?ACTION=Download&URL=" + FormEncode("file:///etc/passwd"), TLinkAction::None, "", 0},
        {"vkt:?ACTION=Download&URL=" + FormEncode("http://elsewhere/a.jpg"), TLinkAction::None, "",
         0},
        {"vkt:?ACTION=Download", TLinkAction::None, "", 0},
        {"vkt:?ACTION=FlipPage&PAGE=3", TLinkAction::FlipPage, "", 3},
        {"vkt:?ACTION=FlipPage&PAGE=three", TLinkAction::None, "", 0},
        {"vkt:?ACTION=FlipPage&PAGE=0", TLinkAction::None, "", 0},
        {"vkt:?ACTION=FlipPage&PAGE=-2", TLinkAction::None, "", 0},
        {"vkt:?ACTION=Delete&URL=x", TLinkAction::None, "", 0},
        {"http://h/?ACTION=FlipPage&PAGE=3", TLinkAction::None, "", 0},
    };
    for (const auto& c : cases) {
        const TResultLink link = search.ReadLink(c.link);
        EXPECT_EQ(link.Action, c.action) << c.link;
        EXPECT_EQ(link.URL, c.url) << c.link;
        EXPECT_EQ(link.Page, c.page) << c.link;
    }
    EXPECT_TRUE(IsProgramLink("Vkt:?x"));
    EXPECT_FALSE(IsProgramLink("http://vkt:/"));
}

} // namespace
} // namespace tw
