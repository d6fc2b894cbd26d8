// The online search window over loopback services: the keyword box, searching and paging,
// the result page's links and what a hostile result page can do.
#include "OnlineWindowFixture.h"
#include "ui/online/KeywordBox.h"
#include "ui/online/ResultBrowser.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <fstream>

namespace tw::test {
namespace {

namespace fs = std::filesystem;

QStringList Items(const QComboBox& box) {
    QStringList items;
    for (int i = 0; i < box.count(); ++i)
        items << box.itemText(i);
    return items;
}

std::vector<std::string> Names(const std::string& stem, int count) {
    std::vector<std::string> names;
    for (int i = 1; i <= count; ++i)
        names.push_back(stem + "_" + std::to_string(1000 + i) + ".png");
    return names;
}

// An editor that answers as told and counts how often it was asked.
class FakeEditor : public IHeadEditor {
public:
    bool EditInteractive(THeadEditModel&) override {
        ++Calls;
        return Accept;
    }
    bool Accept = true;
    int Calls = 0;
};

using OnlineImageTest = OnlineWindowFixture;

TEST_F(OnlineImageTest, StartsReadyWithTheKeepOpenBoxHiddenAndClear) {
    TfrmOnlineImage& window = Window();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Display Picture Online"));
    EXPECT_EQ(window.spInfo->text(), QStringLiteral("Ready."));
    EXPECT_FALSE(window.btnStop->isEnabled());
    EXPECT_TRUE(window.btnSearch->isEnabled());
    EXPECT_FALSE(window.cbKeepOpen->isVisible());
    EXPECT_FALSE(window.cbKeepOpen->isChecked());
    EXPECT_EQ(window.Search().ResultsPerPage(), 18);
    EXPECT_EQ(window.width(), 769);
    EXPECT_EQ(window.minimumWidth(), window.maximumWidth());
}

TEST_F(OnlineImageTest, HistoryShowsNewestFirstAndDropsTheOldestForAnEleventh) {
    StartService({"cat_1.png"});
    for (int i = 0; i < MaxKeywords; ++i)
        Settings().WriteString("keyword" + std::to_string(i), "k" + std::to_string(i));
    Settings().WriteInteger("keywordCount", MaxKeywords);
    TfrmOnlineImage& window = Window();
    EXPECT_EQ(Items(*window.cbKeyword).first(), QStringLiteral("k9"));
    EXPECT_TRUE(window.cbKeyword->currentText().isEmpty());

    ASSERT_TRUE(SearchFor(QStringLiteral("cat")));
    QStringList expected{QStringLiteral("cat")};
    for (int i = 9; i >= 1; --i)
        expected << QStringLiteral("k%1").arg(i);
    EXPECT_EQ(Items(*window.cbKeyword), expected);
    // The box keeps the words searched.
    EXPECT_EQ(window.cbKeyword->currentText(), QStringLiteral("cat"));

    // A stored keyword searched again changes nothing.
    ASSERT_TRUE(SearchFor(QStringLiteral("k5")));
    EXPECT_EQ(Items(*window.cbKeyword), expected);
    EXPECT_EQ(window.cbKeyword->currentText(), QStringLiteral("k5"));
}

TEST_F(OnlineImageTest, ClearItemIsAddedOnceAndChoosingItForgetsEveryKeyword) {
    struct Case {
        std::vector<std::string> stored;
    };
    for (const Case& c : {Case{{}}, Case{{"old", "new"}}}) {
        SCOPED_TRACE(c.stored.size());
        for (std::size_t i = 0; i < c.stored.size(); ++i)
            Settings().WriteString("keyword" + std::to_string(i), c.stored[i]);
        Settings().WriteInteger("keywordCount", static_cast<int>(c.stored.size()));
        TfrmOnlineImage window(*Engine, *Manager);
        window.show();
        window.cbKeyword->setEditText(QStringLiteral("typed"));

        window.cbKeyword->showPopup();
        window.cbKeyword->hidePopup();
        window.cbKeyword->showPopup();
        const QStringList items = Items(*window.cbKeyword);
        ASSERT_EQ(items.size(), static_cast<int>(c.stored.size()) + 1);
        EXPECT_EQ(items.last(), QStringLiteral("- Clear Keywords -"));
        EXPECT_EQ(window.cbKeyword->currentText(), QStringLiteral("typed"));

        // Choosing an ordinary item only selects it.
        if (!c.stored.empty()) {
            window.cbKeyword->setCurrentIndex(0);
            emit window.cbKeyword->activated(0);
            EXPECT_EQ(window.cbKeyword->currentText(), QStringLiteral("new"));
            EXPECT_EQ(LoadKeywords(Settings()).size(), c.stored.size());
        }

        const int last = window.cbKeyword->count() - 1;
        window.cbKeyword->setCurrentIndex(last);
        emit window.cbKeyword->activated(last);
        window.cbKeyword->hidePopup();
        EXPECT_EQ(Settings().ReadInteger("keywordCount", -1), 0);
        EXPECT_EQ(window.cbKeyword->count(), 0);
        EXPECT_TRUE(window.cbKeyword->currentText().isEmpty());
        EXPECT_TRUE(window.cbKeyword->hasFocus() || !window.isActiveWindow());
    }
}

TEST_F(OnlineImageTest, AnEmptyKeywordIsRefusedAndBlanksAreSearched) {
    CannedHttpServer server;
    server.Answer.Body = "<p>nothing</p>";
    UseSearchUrl(server.Address(QStringLiteral("/search?q=")).toStdString());
    TfrmOnlineImage& window = Window();

    window.cbKeyword->setEditText(QString());
    window.btnSearch->click();
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].Text, QStringLiteral("Please type the keyword to search."));
    EXPECT_EQ(Requests[0].Type, TMsgDlgType::Error);
    EXPECT_EQ(Requests[0].Buttons, TMsgDlgBtn::OK);
    QTest::qWait(100);
    EXPECT_TRUE(server.Requests.empty());

    // Enter in the box searches too.
    window.cbKeyword->setEditText(QStringLiteral("  "));
    const int seen = PagesShown;
    QTest::keyClick(window.cbKeyword->lineEdit(), Qt::Key_Return);
    ASSERT_TRUE(WaitForPage(seen));
    ASSERT_EQ(server.Requests.size(), 1u);
    EXPECT_EQ(server.Requests[0], QByteArray("GET /search?q=++ HTTP/1.1"));
}

TEST_F(OnlineImageTest, RequestsCarryTheWordsAndTheStartOfTheWantedPage) {
    CannedHttpServer server;
    // Twenty matches: eighteen results per page.
    for (int i = 0; i < 20; ++i)
        server.Answer.Body += "<a href=\"/r?imgurl=http://127.0.0.1:9/p" + QByteArray::number(i) +
                              ".jpg&imgrefurl=x\">p</a>\n";
    UseSearchUrl(server.Address(QStringLiteral("/search?q=")).toStdString());

    ASSERT_TRUE(SearchFor(QStringLiteral("cute cat")));
    EXPECT_EQ(Window().Search().ResultsPerPage(), 18);
    EXPECT_EQ(Js(QStringLiteral("document.querySelectorAll('a.thumb').length")).toInt(), 18);

    const int seen = PagesShown;
    Js(QStringLiteral("document.getElementById('page3').click(); true"));
    ASSERT_TRUE(WaitForPage(seen));
    ASSERT_EQ(server.Requests.size(), 2u);
    EXPECT_EQ(server.Requests[0], QByteArray("GET /search?q=cute+cat HTTP/1.1"));
    EXPECT_EQ(server.Requests[1], QByteArray("GET /search?q=cute+cat&start=37 HTTP/1.1"));
    EXPECT_EQ(Window().Search().CurrentPage(), 3);
}

// A result page of `addresses` in the form the search pattern reads, two matches more than
// addresses as a real page has.
QByteArray ResultPage(const std::vector<std::string>& addresses) {
    QByteArray page;
    for (const std::string& address : addresses)
        page += "<a href=\"/r?imgurl=" + QByteArray::fromStdString(address) + "&imgrefurl=x\">\n";
    return page + "<a href=\"/r?imgurl=&imgrefurl=1\"><a href=\"/r?imgurl=&imgrefurl=2\">\n";
}

TEST_F(OnlineImageTest, HostilePictureAddressesStayTextInThePage) {
    CannedHttpServer server;
    const std::vector<std::string> hostile = {
        "http://127.0.0.1:9/a\"><b>x</b>.jpg",
        "http://127.0.0.1:9/'onerror='document.title=1'.jpg",
        "http://127.0.0.1:9/<script>document.title='owned'</script>.jpg",
        "javascript:document.title='owned'",
        "http://127.0.0.1:9/plain.jpg",
    };
    server.Answer.Body = ResultPage(hostile);
    UseSearchUrl(server.Address(QStringLiteral("/search?q=")).toStdString());
    ASSERT_TRUE(SearchFor(QStringLiteral("x")));

    // Every web address became one thumbnail whose picture address is exactly the one found;
    // the "javascript:" one was dropped; nothing became markup or script.
    EXPECT_EQ(Js(QStringLiteral("document.querySelectorAll('a.thumb').length")).toInt(), 4);
    const QStringList sources =
        Js(QStringLiteral("Array.from(document.querySelectorAll('a.thumb img'))"
                          ".map(i => i.getAttribute('src')).join('\\n')"))
            .toString()
            .split(QLatin1Char('\n'));
    ASSERT_EQ(sources.size(), 4);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(sources[i].toStdString(), hostile[static_cast<std::size_t>(i)]);
    EXPECT_EQ(
        Js(QStringLiteral("document.querySelectorAll('script, b, [onerror]').length")).toInt(), 0);
    EXPECT_EQ(Js(QStringLiteral("document.title")).toString(),
              QStringLiteral("Display Picture Online"));
    EXPECT_EQ(
        Js(QStringLiteral("document.querySelectorAll('a:not([href^=\"vkt:\"])').length")).toInt(),
        0);

    // The link of a hostile address is honoured; its fetch fails on the closed port.
    const int before = static_cast<int>(server.Requests.size());
    Js(QStringLiteral("document.querySelectorAll('a.thumb')[2].click(); true"));
    ASSERT_TRUE(WaitFor([&] { return !Requests.empty(); }));
    EXPECT_TRUE(Requests.front().Text.startsWith(QStringLiteral("Connect failed!")));
    EXPECT_EQ(static_cast<int>(server.Requests.size()), before);
}

TEST_F(OnlineImageTest, AClickedPictureIsAddedThroughTheEditorOrKeptWhenCancelled) {
    StartService({"cat_1.png", "cat_2.png"});
    FakeEditor editor;
    Manager->SetHeadEditor(&editor);
    TfrmOnlineImage& window = Window();
    std::vector<int> added;
    QObject::connect(&window, &TfrmOnlineImage::PictureAdded,
                     [&](int index) { added.push_back(index); });
    ASSERT_TRUE(SearchFor(QStringLiteral("cat")));
    const fs::path temp = TfrmOnlineImage::TempPictureFile();
    ASSERT_EQ(fs::path(temp).parent_path(), fs::path(Settings().DataFolder()).parent_path());

    // Cancelled: nothing added, the file stays, the window stays.
    editor.Accept = false;
    Js(QStringLiteral("document.getElementById('item0').click(); true"));
    ASSERT_TRUE(WaitFor([&] { return editor.Calls == 1; }));
    EXPECT_EQ(Manager->HeadCount(), 0);
    EXPECT_TRUE(fs::exists(temp));
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.btnStop->isEnabled());

    editor.Accept = true;
    Js(QStringLiteral("document.getElementById('item1').click(); true"));
    ASSERT_TRUE(WaitFor([&] { return editor.Calls == 2; }));
    EXPECT_EQ(Manager->HeadCount(), 1);
    EXPECT_EQ(added, std::vector<int>{0});
    EXPECT_FALSE(fs::exists(temp));
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(Requests.empty());
}

TEST_F(OnlineImageTest, LinksOutsideTheResultsAndHistoryStepsAreRefused) {
    CannedHttpServer server;
    server.Answer.Body = ResultPage({"http://127.0.0.1:9/only.jpg"});
    UseSearchUrl(server.Address(QStringLiteral("/search?q=")).toStdString());
    ASSERT_TRUE(SearchFor(QStringLiteral("x")));
    TfrmOnlineImage& window = Window();
    const int seen = PagesShown;

    // A forged download, a page that is no number, an address of the web, a local file.
    for (const char* address :
         {"vkt:?ACTION=Download&URL=file%3a%2f%2f%2fetc%2fpasswd",
          "vkt:?ACTION=Download&URL=http%3a%2f%2f127.0.0.1%3a9%2fother.jpg",
          "vkt:?ACTION=FlipPage&PAGE=two", "http://127.0.0.1:9/elsewhere", "file:///etc/passwd"})
        FollowFromPage(QString::fromLatin1(address));
    // Reload and history steps, by key and by the browser's own actions.
    QWidget* content = window.wbMain->focusProxy();
    ASSERT_NE(content, nullptr);
    QTest::keyClick(content, Qt::Key_F5);
    QTest::keyClick(content, Qt::Key_Backspace);
    window.wbMain->triggerPageAction(QWebEnginePage::Reload);
    window.wbMain->triggerPageAction(QWebEnginePage::Back);
    QTest::qWait(500);

    EXPECT_EQ(PagesShown, seen);
    EXPECT_EQ(server.Requests.size(), 1u);
    EXPECT_FALSE(window.btnStop->isEnabled());
    EXPECT_FALSE(fs::exists(TfrmOnlineImage::TempPictureFile()));
    EXPECT_TRUE(Requests.empty());
    EXPECT_EQ(Js(QStringLiteral("document.querySelectorAll('a.thumb').length")).toInt(), 1);
}

TEST_F(OnlineImageTest, AFailedSearchSaysConnectFailedAndKeepsThePage) {
    CannedHttpServer server;
    server.Answer.Body = ResultPage({"http://127.0.0.1:9/only.jpg"});
    UseSearchUrl(server.Address(QStringLiteral("/search?q=")).toStdString());
    ASSERT_TRUE(SearchFor(QStringLiteral("x")));
    TfrmOnlineImage& window = Window();

    server.Answer = {500, "broken", true};
    window.cbKeyword->setEditText(QStringLiteral("y"));
    window.btnSearch->click();
    ASSERT_TRUE(WaitFor([&] { return !Requests.empty(); }));
    EXPECT_TRUE(Requests.front().Text.startsWith(QStringLiteral("Connect failed!")));
    EXPECT_EQ(Requests.front().Type, TMsgDlgType::Error);
    EXPECT_TRUE(window.btnSearch->isEnabled());
    EXPECT_FALSE(window.btnStop->isEnabled());
    EXPECT_EQ(window.Search().Results().size(), 1u);
    EXPECT_EQ(Js(QStringLiteral("document.querySelectorAll('a.thumb').length")).toInt(), 1);
}

TEST_F(OnlineImageTest, StopEndsThePictureDownloadWithoutAMessage) {
    CannedHttpServer pictures;
    pictures.Answer.Body = "not really a picture";
    CannedHttpServer search;
    search.Answer.Body = ResultPage({pictures.Address(QStringLiteral("/slow.jpg")).toStdString()});
    UseSearchUrl(search.Address(QStringLiteral("/search?q=")).toStdString());
    ASSERT_TRUE(SearchFor(QStringLiteral("slow")));
    TfrmOnlineImage& window = Window();
    EXPECT_FALSE(window.btnStop->isEnabled());

    pictures.Answer.Respond = false;
    const std::size_t before = pictures.Requests.size();
    Js(QStringLiteral("document.getElementById('item0').click(); true"));
    ASSERT_TRUE(WaitFor([&] { return pictures.Requests.size() > before; }));
    EXPECT_TRUE(window.btnStop->isEnabled());
    window.btnStop->click();
    QTest::qWait(300);

    EXPECT_FALSE(window.btnStop->isEnabled());
    EXPECT_TRUE(window.btnSearch->isEnabled());
    EXPECT_TRUE(Requests.empty());
    EXPECT_FALSE(fs::exists(TfrmOnlineImage::TempPictureFile()));
    EXPECT_EQ(Manager->HeadCount(), 0);
}

struct PageCase {
    int pictures; // served pictures named "dog_..."
    int page;     // the page looked at, reached through the page's own link
    int thumbs;
    int firstLink;
    int lastLink;
    bool next;
    bool previous;
};

class ResultPageTest : public OnlineWindowFixture,
                       public ::testing::WithParamInterface<PageCase> {};

TEST_P(ResultPageTest, ShowsThePicturesAndPageLinksOfTheFetchedPage) {
    const PageCase& c = GetParam();
    StartService(Names("dog", c.pictures));
    ASSERT_TRUE(SearchFor(QStringLiteral("dog")));
    if (c.page != 1) {
        const int seen = PagesShown;
        FollowFromPage(QStringLiteral("vkt:?ACTION=FlipPage&PAGE=%1").arg(c.page));
        ASSERT_TRUE(WaitForPage(seen));
    }
    EXPECT_EQ(Window().spInfo->text(), QStringLiteral("Ready."));
    EXPECT_EQ(Js(QStringLiteral("document.querySelectorAll('a.thumb').length")).toInt(), c.thumbs);

    QStringList expected;
    for (int i = c.firstLink; i <= c.lastLink; ++i)
        expected << (i == c.page ? QStringLiteral("*%1").arg(i) : QString::number(i));
    const QString shown =
        Js(QStringLiteral("Array.from(document.querySelectorAll('.pages span, .pages a[id^=page]'))"
                          ".filter(e => getComputedStyle(e).display != 'none')"
                          ".map(e => (e.tagName == 'SPAN' ? '*' : '') + e.textContent).join(',')"))
            .toString();
    EXPECT_EQ(shown, expected.join(QLatin1Char(',')));
    EXPECT_EQ(Js(QStringLiteral("!!document.getElementById('nextpage')")).toBool(), c.next);
    EXPECT_EQ(Js(QStringLiteral("!!document.getElementById('prevpage')")).toBool(), c.previous);
    const bool noResult =
        Js(QStringLiteral("document.body.innerText.includes("
                          "'No Result. Please type another keyword and search again.')"))
            .toBool();
    EXPECT_EQ(noResult, c.thumbs == 0);
}

INSTANTIATE_TEST_SUITE_P(Pages, ResultPageTest,
                         ::testing::Values(PageCase{22, 1, 20, 1, 6, true, false},
                                           PageCase{17, 1, 17, 1, 1, false, false},
                                           PageCase{0, 1, 0, 1, 1, false, false},
                                           PageCase{165, 8, 20, 3, 13, true, true}),
                         [](const ::testing::TestParamInfo<PageCase>& info) {
                             return std::to_string(info.param.pictures) + "PicturesPage" +
                                    std::to_string(info.param.page);
                         });

} // namespace
} // namespace tw::test
