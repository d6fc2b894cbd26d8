#include "ui/main/uSlideshow.h"

#include "EngineFixture.h"
#include "SlideshowWindow.h"
#include "core/app/uSettings.h"
#include "core/messenger/uMsnControl.h"
#include "support/RecordingMessengerClient.h"
#include "ui/main/uPictureRows.h"
#include "ui/main/uStatusControls.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <optional>

namespace tw::test {
namespace {

// A window with the slideshow's and the status controls' components, a collection of
// entries with personal messages and a link to a client that records what it is sent.
class SlideshowControlsTest : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        AddSlideshowComponents(*Main);

        Manager.emplace((Root / "data").string());
        Manager->SetStateIcons({Picture(24, 24, 1), Picture(24, 24, 2), Picture(24, 24, 3)});
        Collection({{"first", 0}, {"second", 0}, {"third", 2}});

        auto client = std::make_unique<RecordingMessengerClient>(Sent);
        Client = client.get();
        Link.emplace(std::move(client));
    }
    void TearDown() override {
        Status.reset();
        Show.reset();
        Link.reset();
        Manager.reset();
        EngineFixture::TearDown();
    }

    QAction* Action(const char* name) const { return Component<QAction>(*Main, name); }
    template <typename T> T* Widget(const char* name) const { return Component<T>(*Main, name); }

    // Entries with these messages and states; every entry has a row.
    void Collection(const std::vector<std::pair<std::string, TMsnState>>& entries) {
        THeadArray heads;
        std::vector<Picture> thumbnails;
        for (const auto& [message, state] : entries) {
            THeadRec head;
            head.PersonalMsg = message;
            head.PersonalURL = "http://127.0.0.1/" + message;
            head.PersonalIcon = 1;
            head.State = state;
            heads.push_back(head);
            thumbnails.insert(thumbnails.end(), 4, Picture(96, 96, 7));
        }
        Manager->ReplaceCollection({}, std::move(heads), std::move(thumbnails));
        Rows.rows = static_cast<int>(entries.size());
    }

    // The controls over the window, started from the settings as the window's first show
    // does, with the link attached.
    void Start() {
        Show.emplace(TSlideshowWidgets::Find(Main.get()), Rows, *Manager, *Engine);
        Status.emplace(TStatusWidgets::Find(Main.get()), Rows, *Manager, *Engine);
        Status->Attach(*Link, *Show);
        Show->LoadStartState();
        Status->RebuildDropDowns();
        Link->Poll(); // announces the name; the first status is known without a notice
    }

    // The client changes its status and the link polls.
    void ClientStatus(ClientStatus status) {
        Client->status = static_cast<std::int32_t>(status);
        Link->Poll();
    }

    std::string Entry(int i) const {
        THeadRec head;
        Manager->GetHead(i, head);
        return head.PersonalMsg + "|" + head.PersonalURL + "|" + std::to_string(head.PersonalIcon);
    }

    FakeRows Rows;
    std::optional<TMsnHeadManager> Manager;
    RecordingMessengerClient::Records Sent;
    RecordingMessengerClient* Client = nullptr;
    std::optional<TMsnControl> Link;
    std::optional<TSlideshowControls> Show;
    std::optional<TStatusControls> Status;
};

TEST_F(SlideshowControlsTest, StartStateComesFromTheSettings) {
    const struct {
        int stored;
        int delay;
        const char* label;
    } cases[] = {{200, 180, "3 min 0 sec"}, {2, 5, "5 sec"}, {90, 90, "1 min 30 sec"}};
    for (const auto& c : cases) {
        Settings().WriteInteger("DelayTime", c.stored);
        Start();
        EXPECT_EQ(Widget<QSlider>("sldDelay")->value(), c.delay);
        EXPECT_EQ(Widget<QLabel>("lbDelayTime")->text().toStdString(), c.label);
        EXPECT_EQ(Settings().ReadInteger("DelayTime", 0), c.delay) << "written back";
        EXPECT_EQ(Show->tmSlide().interval(), c.delay * 1000);
        EXPECT_TRUE(Show->Running()) << "the slideshow runs by default";
        Status.reset();
        Show.reset();
    }
}

TEST_F(SlideshowControlsTest, ButtonsAndMenusNameTheCommandAClickPerforms) {
    Settings().WriteBool("SwitchON", false);
    Settings().WriteBool("Random", true);
    Start();
    auto* btnSwitch = Widget<QToolButton>("btnSwitch");
    auto* btnRand = Widget<QToolButton>("btnRand");
    EXPECT_FALSE(Show->Running());
    EXPECT_EQ(btnSwitch->toolTip(), "Start slideshow");
    EXPECT_EQ(Action("menuSwitch")->text(), "&Start slideshow");
    EXPECT_EQ(Action("miRandom")->text(), "&Random  Order");
    EXPECT_TRUE(Action("menuRandom")->isChecked());

    btnSwitch->click();
    EXPECT_TRUE(Show->Running());
    EXPECT_EQ(btnSwitch->toolTip(), "Stop slideshow");
    EXPECT_EQ(Action("miSwitch")->text(), "S&top slideshow");
    Action("miSwitch")->trigger();
    EXPECT_FALSE(Show->Running());

    Action("menuRandom")->trigger();
    EXPECT_FALSE(Settings().ReadBool("Random", true));
    EXPECT_FALSE(Action("menuRandom")->isChecked());
    EXPECT_FALSE(Action("miRandom")->isChecked());
    EXPECT_EQ(Action("menuRandom")->text(), "&Random Order");
    btnRand->click();
    EXPECT_TRUE(Settings().ReadBool("Random", false));
    EXPECT_TRUE(Action("miRandom")->isChecked());

    Show.reset();
    EXPECT_FALSE(Settings().ReadBool("SwitchON", true)) << "stored when the window goes";
}

TEST_F(SlideshowControlsTest, ALanguageChangeKeepsWhatTheProgramSet) {
    Start();
    ClientStatus(ClientStatus::Busy);
    // What applying a language does to these components: their design texts come back.
    Action("menuSwitch")->setText(QStringLiteral("&Enable slideshow"));
    Action("menuRandom")->setText(QStringLiteral("Disable r&andom"));
    Widget<QLabel>("lbFriendlyName")->setText(QStringLiteral("Your MSN isn't signed in."));
    emit Engine->LanguageChanged();

    EXPECT_EQ(Action("menuSwitch")->text(), "S&top slideshow");
    EXPECT_EQ(Action("menuRandom")->text(), "&Random Order");
    EXPECT_EQ(Widget<QLabel>("lbFriendlyName")->text(), "Alice(Busy)");
}

TEST_F(SlideshowControlsTest, SpeedItemsSetTheDelayOnlyWhenItChanges) {
    Start();
    ASSERT_EQ(Widget<QSlider>("sldDelay")->value(), 15);
    Settings().WriteInteger("DelayTime", 99);
    Action("N15s1")->trigger();
    EXPECT_EQ(Settings().ReadInteger("DelayTime", 0), 99) << "15s on 15 changes nothing";

    Action("N60s1")->trigger();
    EXPECT_EQ(Settings().ReadInteger("DelayTime", 0), 60);
    EXPECT_EQ(Widget<QLabel>("lbDelayTime")->text(), "1 min 0 sec");
    EXPECT_EQ(Show->tmSlide().interval(), 60000);
}

TEST_F(SlideshowControlsTest, ApplyRightNowSendsTheEntryThenTheBoxes) {
    Start();
    Action("acApply")->trigger();
    EXPECT_TRUE(Sent.messages.empty()) << "no selected row";

    Rows.selected = 1;
    Status->LoadBoxes(1);
    // Typed but not stored: the boxes' change events store only with a row selected.
    Rows.selected = -1;
    Widget<QComboBox>("cbbPersonalMsg")->setEditText(QStringLiteral("typed"));
    Widget<QComboBox>("cbbPersonalIcon")->setCurrentIndex(3);
    Rows.selected = 1;
    Action("acApply")->trigger();

    EXPECT_EQ(Sent.messages,
              (std::vector<SentMessage>{{"second", "http://127.0.0.1/second", "Office"},
                                        {"typed", "http://127.0.0.1/second", "Games"}}));
    EXPECT_EQ(Rows.previews, std::vector<int>{1});
    EXPECT_TRUE(Link->Poller().Pending());
    EXPECT_EQ(Show->Slideshow().CurrentIndex(), 1);
}

TEST_F(SlideshowControlsTest, StatusChangeAppliesEvenWhileStopped) {
    Settings().WriteBool("SwitchON", false);
    Start();
    ClientStatus(ClientStatus::Busy);

    EXPECT_FALSE(Show->Running());
    EXPECT_EQ(Rows.previews, std::vector<int>{2}) << "the entry tied to busy";
    ASSERT_TRUE(Link->Poller().Pending());
    EXPECT_EQ(Sent.messages.size(), 1u);
    EXPECT_EQ(Widget<QLabel>("lbFriendlyName")->text(), "Alice(Busy)");
}

TEST_F(SlideshowControlsTest, TimerRunsButAppliesNothingWithoutStatus) {
    Start();
    ClientStatus(ClientStatus::Offline);
    Sent.messages.clear();
    Rows.previews.clear();

    for (int tick = 0; tick < 3; ++tick) {
        Show->tmSlideTimer();
    }
    EXPECT_TRUE(Show->Running());
    EXPECT_TRUE(Rows.previews.empty());
    EXPECT_TRUE(Sent.messages.empty());

    ClientStatus(ClientStatus::Online);
    Show->tmSlideTimer();
    EXPECT_EQ(Rows.previews.size(), 2u) << "the status change, then the tick";
}

TEST_F(SlideshowControlsTest, BoxesStoreIntoTheSelectedEntryOnly) {
    Start();
    auto* message = Widget<QComboBox>("cbbPersonalMsg");
    message->lineEdit()->setFocus();
    QTest::keyClicks(message->lineEdit(), "x");
    EXPECT_EQ(Entry(0), "first|http://127.0.0.1/first|1") << "no row selected";
    EXPECT_EQ(Entry(1), "second|http://127.0.0.1/second|1");

    Rows.selected = 0;
    Status->LoadBoxes(0);
    EXPECT_EQ(message->currentText(), "first");
    EXPECT_EQ(Widget<QComboBox>("cbbPersonalIcon")->currentIndex(), 1);
    QTest::keyClicks(message->lineEdit(), "!");
    Widget<QComboBox>("cbbPersonalIcon")->setCurrentIndex(2);
    EXPECT_EQ(Entry(0), "first!|http://127.0.0.1/first|2");

    // Selecting another row shows its values and changes neither entry.
    Rows.selected = 1;
    Status->LoadBoxes(1);
    EXPECT_EQ(Widget<QComboBox>("cbbPersonalURL")->currentText(), "http://127.0.0.1/second");
    EXPECT_EQ(Entry(0), "first!|http://127.0.0.1/first|2");
    EXPECT_EQ(Entry(1), "second|http://127.0.0.1/second|1");
}

TEST_F(SlideshowControlsTest, DropDownListsFollowTheEntriesAndKeepTheText) {
    Collection({{"a", 0}, {"", 0}, {"b", 0}, {"a", 0}});
    Start();
    auto* message = Widget<QComboBox>("cbbPersonalMsg");
    message->setEditText(QStringLiteral("typing"));
    Collection({{"c", 0}, {"a", 0}});
    QTest::keyClick(message->lineEdit(), Qt::Key_F4);
    message->hidePopup();

    QStringList items;
    for (int k = 0; k < message->count(); ++k) {
        items << message->itemText(k);
    }
    EXPECT_EQ(items, (QStringList{"c", "a"}));
    EXPECT_EQ(message->currentText(), "typing");
}

TEST_F(SlideshowControlsTest, StatusItemsTieTheEntryAndShowItsBadge) {
    Start();
    QMenu* menu = Widget<QMenu>("Setstatewhenthisheaddisplay1");
    ASSERT_EQ(menu->actions().size(), 7);
    Status->StatusItem(5)->trigger();
    EXPECT_TRUE(Rows.rowImages.empty()) << "no row selected";

    Rows.selected = 1;
    const std::pair<int, int> cases[] = {{5, 2}, {3, 3}, {6, 3}, {1, 1}, {0, 0}};
    for (const auto& [code, badge] : cases) {
        menu->findChild<QAction*>(TStatusControls::kItemNames[code])->trigger();
        EXPECT_EQ(Rows.rowImages[1], 4 + badge) << code;
        EXPECT_EQ(Manager->Heads()[1].State, code);
    }
    EXPECT_TRUE(Sent.messages.empty()) << "nothing goes to Messenger";

    Rows.selected = 2;
    emit menu->aboutToShow();
    EXPECT_TRUE(Status->StatusItem(2)->isChecked()) << "the selected entry is busy";
    EXPECT_FALSE(Status->StatusItem(0)->isChecked());
}

TEST_F(SlideshowControlsTest, NameLabelFollowsSigningOut) {
    auto* label = Widget<QLabel>("lbFriendlyName");
    Start();
    EXPECT_EQ(label->text(), "Alice") << "the first status is not announced";
    ClientStatus(ClientStatus::Online);
    EXPECT_EQ(label->text(), "Alice") << "unchanged status";
    ClientStatus(ClientStatus::Busy);
    EXPECT_EQ(label->text(), "Alice(Busy)");

    std::vector<QString> seen;
    Link->OnFriendlyNameChange = [&,
                                  previous = Link->OnFriendlyNameChange](const std::string& name) {
        seen.push_back(label->text());
        previous(name);
    };
    ClientStatus(ClientStatus::Offline);
    EXPECT_EQ(seen, std::vector<QString>{"Alice(Offline)"});
    EXPECT_EQ(label->text(), "Please sign in MSN Messenger first.");
    EXPECT_TRUE(label->styleSheet().contains("red"));
    EXPECT_EQ(label->toolTip(), "");

    Client->name = "Alice in Wonderland, Queen";
    ClientStatus(ClientStatus::Away);
    EXPECT_EQ(label->text(), "Alice in Wonderland, Qu...(Away)");
    EXPECT_EQ(label->toolTip(), "Alice in Wonderland, Queen");
    EXPECT_TRUE(label->styleSheet().contains("black"));
}

} // namespace
} // namespace tw::test
