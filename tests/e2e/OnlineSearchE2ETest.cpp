// The online search end to end on an X server of its own: a search against the local service,
// a real click on a picture of the result page, the display picture editor answered with OK.
#include "ui/OnlineWindowFixture.h"
#include "ui/editors/uEditorWindows.h"
#include "ui/editors/uHeadEditor.h"
#include "ui/online/KeywordBox.h"
#include "ui/online/ResultBrowser.h"

#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cstdlib>

namespace tw::test {
namespace {

namespace fs = std::filesystem;

using OnlineSearchE2ETest = OnlineWindowFixture;

TEST_F(OnlineSearchE2ETest, AClickedPictureGoesThroughTheEditorIntoTheCollection) {
    ASSERT_EQ(qEnvironmentVariable("QT_QPA_PLATFORM"), QStringLiteral("xcb")) << "no Xvfb";
    StartService({"cat_1.jpg", "cat_2.png", "dog_1.png", "flower_blue_2.jpg", "flower_red_1.png",
                  "mountain_lake_1.jpg", "sunset_1.jpg", "sunset_2.jpg"});
    TEditorWindows editors(*Engine);
    Manager->SetHeadEditor(&editors);
    Main->resize(888, 666);
    Main->show();

    TfrmOnlineImage& window = ShowManagersWindow();
    EXPECT_EQ(&ShowManagersWindow(), &window); // made once, then kept
    int added = 0;
    QObject::connect(&window, &TfrmOnlineImage::PictureAdded, [&] { ++added; });
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(SearchFor(QStringLiteral("1")));
    ASSERT_TRUE(WaitFor([&] {
        return Js(QStringLiteral("document.images.length == 5 && Array.from(document.images)"
                                 ".every(i => i.complete && i.naturalWidth > 0)"))
            .toBool();
    })) << "the thumbnails did not arrive";
    QTest::qWait(300);

    if (const QByteArray folder = qgetenv("TILEWICK_SCREENSHOT_DIR"); !folder.isEmpty())
        window.screen()
            ->grabWindow(window.winId())
            .save(QString::fromLocal8Bit(folder) + QStringLiteral("/online_search.png"));

    const QVariantList box =
        Js(QStringLiteral("(r => [r.left + r.width / 2, r.top + r.height / 2])"
                          "(document.getElementById('item1').getBoundingClientRect())"))
            .toList();
    ASSERT_EQ(box.size(), 2);
    const QPoint centre(qRound(box[0].toDouble()), qRound(box[1].toDouble()));

    // No context menu over the page.
    QWidget* content = window.wbMain->focusProxy();
    ASSERT_NE(content, nullptr);
    QTest::mouseClick(content, Qt::RightButton, {}, centre);
    QTest::qWait(500);
    for (QWidget* top : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<QMenu*>(top) != nullptr && top->isVisible());

    // The editor runs modally; answer it with OK once it shows.
    bool editorShown = false;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* editor = qobject_cast<TfrmHeadEditor*>(QApplication::activeModalWidget());
            editor != nullptr && editor->isVisible()) {
            editorShown = true;
            answer.stop();
            editor->btnOK->click();
        }
    });
    answer.start(50);
    QTest::mouseClick(content, Qt::LeftButton, {}, centre);

    ASSERT_TRUE(WaitFor([&] { return Manager->HeadCount() == 1; })) << "nothing was added";
    EXPECT_TRUE(editorShown);
    EXPECT_EQ(added, 1);
    EXPECT_FALSE(fs::exists(TfrmOnlineImage::TempPictureFile()));
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(Requests.empty());

    // Shown again, it still holds its search.
    EXPECT_EQ(&ShowManagersWindow(), &window);
    EXPECT_EQ(window.cbKeyword->currentText(), QStringLiteral("1"));
    EXPECT_EQ(window.Search().Results().size(), 5u);
}

} // namespace
} // namespace tw::test
