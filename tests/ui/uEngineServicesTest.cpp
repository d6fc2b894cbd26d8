#include "EngineFixture.h"
#include "core/app/uSettings.h"
#include "ui/app/uPrograss.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <filesystem>

namespace tw::test {
namespace {

namespace fs = std::filesystem;

QString BuiltinSkin() {
    QFile file(QStringLiteral(":/tilewick/builtin/Default.qss"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

TEST_F(EngineFixture, SkinsBesideTheProgramAndTheBuiltInSkin) {
    for (const char* name : {"Default", "Blue", "aqua"})
        WriteProgramFile(fs::path("skins") / (std::string(name) + ".skn"),
                         std::string("/* ") + name +
                             " */ QLabel { background: url(%skinpath%x.png); }");
    EXPECT_EQ(Engine->ListSkins(), (std::vector<std::string>{"aqua", "Blue"}));
    ASSERT_FALSE(BuiltinSkin().isEmpty());

    Engine->SetSkin("Blue");
    EXPECT_EQ(Engine->GetSkinName(), "Blue");
    EXPECT_TRUE(qApp->styleSheet().startsWith(QStringLiteral("/* Blue */")));
    EXPECT_TRUE(qApp->styleSheet().contains(
        QString::fromStdString((ProgramFolder / "skins").string() + "/x.png")))
        << qApp->styleSheet().toStdString();
    EXPECT_EQ(Settings().ReadString("Skin", "unset"), "Blue");

    Engine->SetSkin("AQUA");
    EXPECT_EQ(Engine->GetSkinName(), "aqua") << "skin names compare without regard to case";
    EXPECT_TRUE(qApp->styleSheet().startsWith(QStringLiteral("/* aqua */")));

    const struct {
        const char* name;
    } builtins[] = {{"&Default"}, {"Default"}, {"Missing"}, {"../skins/Blue"}, {""}};
    for (const auto& c : builtins) {
        Engine->SetSkin("Blue");
        Engine->SetSkin(c.name);
        EXPECT_EQ(Engine->GetSkinName(), "") << c.name;
        EXPECT_EQ(qApp->styleSheet(), BuiltinSkin()) << c.name;
        EXPECT_EQ(Settings().ReadString("Skin", "unset"), "") << c.name;
    }
    qApp->setStyleSheet(QString());
}

TEST_F(EngineFixture, ShowAgainAnswerIsRememberedUntilTheFlagsAreCleared) {
    NextAnswer = {mrYes, true};
    const auto ask = [this](int preset) {
        return Engine->ShowMessageBox("MSGBOX_ClearAll", {}, preset,
                                      TMsgDlgBtn::Yes | TMsgDlgBtn::No, TMsgDlgType::Information,
                                      26);
    };
    EXPECT_EQ(ask(0), mrYes);
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_TRUE(Requests[0].ShowAgainBox);
    EXPECT_EQ(Requests[0].Caption, QStringLiteral("Tilewick  4.2.0.0"));
    EXPECT_EQ(Requests[0].Text.toStdString(), Engine->Translate("MSGBOX_ClearAll"));
    EXPECT_NE(Requests[0].Text, QStringLiteral("MSGBOX_ClearAll")) << "the English text exists";

    NextAnswer = {mrNo, false};
    EXPECT_EQ(ask(0), mrYes);
    EXPECT_EQ(ask(mrNo), mrNo) << "a preset result wins over the remembered one";
    EXPECT_EQ(Requests.size(), 1u) << "nothing is shown while suppressed";

    Settings().ClearShowAgainFlags();
    EXPECT_EQ(ask(0), mrNo);
    EXPECT_EQ(Requests.size(), 2u);
    EXPECT_EQ(ask(0), mrNo) << "not ticked, so asked again";
    EXPECT_EQ(Requests.size(), 3u);
}

TEST_F(EngineFixture, MessageBoxesNeedTheMainWindowAndFillPlaceholders) {
    EXPECT_EQ(Engine->ShowMessageBox("Copy %1 to %2? 100%%", {"a.vkt", "b.vkt"}, 0,
                                     TMsgDlgBtn::OK | TMsgDlgBtn::Cancel, TMsgDlgType::Confirmation,
                                     0),
              mrOK);
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].Text, QStringLiteral("Copy a.vkt to b.vkt? 100%"));
    EXPECT_FALSE(Requests[0].ShowAgainBox);

    Main.reset();
    EXPECT_EQ(
        Engine->ShowMessageBox("Anyone there?", {}, 0, TMsgDlgBtn::OK, TMsgDlgType::Information, 0),
        mrNone);
    EXPECT_EQ(Requests.size(), 1u);
}

TEST_F(EngineFixture, ErrorMessagesShowTheirTextWithRealLineBreaks) {
    Engine->ShowErrorMessage(1011, "");
    Engine->ShowErrorMessage(4242, "disk full");
    Engine->ShowErrorMessage(4243, "");
    ASSERT_EQ(Requests.size(), 3u);
    const QString text = Requests[0].Text;
    EXPECT_EQ(Requests[0].Type, TMsgDlgType::Error);
    EXPECT_TRUE(text.startsWith(QStringLiteral(
        "Can't connect to Tilewick Update Server. There are several possible reasons: \n"
        "Your computer is not connected to the internet. \n")))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("\n\nPlease try again later.\n")));
    EXPECT_FALSE(text.contains(QStringLiteral("<BR>"), Qt::CaseInsensitive));
    EXPECT_EQ(Requests[1].Text, QStringLiteral("disk full")) << "an unknown code shows the detail";
    EXPECT_EQ(Requests[2].Text, QStringLiteral("ERRORMSG_4243"));

    // The box itself shows the text as it is, line breaks included.
    TfrmMessageBox box(Requests[0], Engine->SkinStrings());
    EXPECT_EQ(box.lbText->text(), text);
    EXPECT_EQ(box.lbText->textFormat(), Qt::PlainText);
    EXPECT_EQ(box.cbShowFlag, nullptr);
}

TEST_F(EngineFixture, MessageBoxWindowAnswersWithThePressedButtonAndTheCheckBox) {
    WriteProgramFile("langs/German.lan", "[skinres]\nMSG_BTN_YES=&Ja\nMSG_BTN_NO=&Nein\n"
                                         "MSG_CAP_SHOWFLAG=Nicht mehr anzeigen\n");
    Engine->SetLanguage("German");
    const TMessageBoxRequest request{QStringLiteral("Tilewick"), QStringLiteral("Sure?"),
                                     TMsgDlgBtn::Yes | TMsgDlgBtn::No, TMsgDlgType::Confirmation,
                                     true};
    {
        TfrmMessageBox box(request, Engine->SkinStrings());
        auto* yes = box.findChild<QPushButton*>(QStringLiteral("MSG_BTN_YES"));
        ASSERT_NE(yes, nullptr);
        EXPECT_EQ(yes->text(), QStringLiteral("&Ja"));
        EXPECT_EQ(box.findChild<QPushButton*>(QStringLiteral("MSG_BTN_OK")), nullptr);
        ASSERT_NE(box.cbShowFlag, nullptr);
        EXPECT_EQ(box.cbShowFlag->text(), QStringLiteral("Nicht mehr anzeigen"));
        EXPECT_FALSE(box.cbShowFlag->isChecked());
        QTimer::singleShot(0, &box, [&] {
            box.cbShowFlag->setChecked(true);
            yes->click();
        });
        const TMessageBoxAnswer answer = box.Execute();
        EXPECT_EQ(answer.Result, mrYes);
        EXPECT_TRUE(answer.DontShowAgain);
    }
    TfrmMessageBox box(request, Engine->SkinStrings());
    QTimer::singleShot(0, &box, [&] { box.reject(); });
    EXPECT_EQ(box.Execute().Result, mrNo) << "closing the box means No";
}

TEST_F(EngineFixture, WithoutAnAnswererAHeadlessRunNeverBlocks) {
    Engine->SetMessageBoxAnswerer({});
    const struct {
        TMsgDlgBtn buttons;
        int result;
    } cases[] = {
        {TMsgDlgBtn::OK, mrOK},
        {TMsgDlgBtn::OK | TMsgDlgBtn::Cancel, mrCancel},
        {TMsgDlgBtn::Yes | TMsgDlgBtn::No, mrNo},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Engine->ShowMessageBox("Question", {}, 0, c.buttons, TMsgDlgType::Warning, 0),
                  c.result);
}

TEST_F(EngineFixture, ProgressWindowShowsWhileBelowItsMaximumAndCloses) {
    const auto openProgressWindows = [] {
        int count = 0;
        for (QWidget* widget : QApplication::topLevelWidgets())
            count += qobject_cast<TfrmProgress*>(widget) != nullptr && widget->isVisible();
        return count;
    };
    Engine->ShowProgress(0, 10, "Saving...", 10);
    EXPECT_EQ(Engine->ProgressWindow(), nullptr);
    EXPECT_EQ(openProgressWindows(), 0);

    Engine->ShowLoadingProgress(3, 10);
    TfrmProgress* window = Engine->ProgressWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->size(), QSize(341, 71));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Loading..."));
    EXPECT_EQ(window->edtTitle->text(), QStringLiteral("Loading..."));
    EXPECT_EQ(window->sgMain->value(), 3);
    EXPECT_EQ(window->sgMain->maximum(), 10);
    EXPECT_EQ(window->sgMain->text(), QStringLiteral("30%"));

    Engine->ShowSavingProgress(7, 10);
    EXPECT_EQ(Engine->ProgressWindow(), window) << "one window serves every report";
    EXPECT_EQ(window->edtTitle->text(), QStringLiteral("Saving..."));
    Engine->ShowSavingProgress(10, 10);
    EXPECT_EQ(Engine->ProgressWindow(), nullptr);
    EXPECT_EQ(openProgressWindows(), 0);
}

TEST_F(EngineFixture, RestartStoresTheScopeStartsAgainAndClosesTheMainWindow) {
    std::vector<std::vector<std::string>> started;
    Engine->SetProgramLauncher([&](const std::vector<std::string>& argv) {
        started.push_back(argv);
        return true;
    });
    Main->show();
    Engine->PostRestart(true);
    EXPECT_TRUE(started.empty()) << "the restart is posted, not run at once";
    QCoreApplication::processEvents();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0],
              (std::vector<std::string>{fs::read_symlink("/proc/self/exe").string(), "-r"}));
    EXPECT_TRUE(Settings().GetAllUsers());
    EXPECT_FALSE(Main->isVisible());

    Main->show();
    Engine->WMRestart(0);
    EXPECT_FALSE(Settings().GetAllUsers());
    EXPECT_FALSE(Main->isVisible());
}

TEST_F(EngineFixture, ARestartThatCannotStartKeepsThisInstance) {
    Engine->SetProgramLauncher([](const std::vector<std::string>&) { return false; });
    Main->show();
    Engine->WMRestart(1);
    EXPECT_TRUE(Main->isVisible());
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].Type, TMsgDlgType::Error);
}

TEST_F(EngineFixture, SharedPicturesHaveTheirSizesAndCounts) {
    const struct {
        const TImageList* list;
        QSize size;
        int count;
    } cases[] = {
        {&Engine->imgState, {24, 24}, 3},   {&Engine->pngMSNFrame, {126, 126}, 1},
        {&Engine->ImageList1, {16, 16}, 4}, {&Engine->ImageList2, {16, 16}, 4},
        {&Engine->liIconsPng, {20, 20}, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.list->Size(), c.size);
        ASSERT_EQ(c.list->Count(), c.count);
        for (int i = 0; i < c.count; ++i)
            EXPECT_EQ(c.list->Image(i).size(), c.size) << i;
    }
    // The frame's window lets the display picture show through, its border does not.
    const QImage frame = Engine->pngMSNFrame.Image(0).toImage();
    EXPECT_EQ(qAlpha(frame.pixel(14, 15)), 0);
    EXPECT_EQ(qAlpha(frame.pixel(109, 110)), 0);
    EXPECT_EQ(qAlpha(frame.pixel(13, 60)), 255);
    EXPECT_EQ(qAlpha(frame.pixel(60, 111)), 255);
}

} // namespace
} // namespace tw::test
