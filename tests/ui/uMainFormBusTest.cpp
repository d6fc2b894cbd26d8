// The main window as other processes see it: a "TfrmMainForm" on the message bus answered
// from the Qt event loop.
#include "core/app/uSettings.h"
#include "core/app/uStartup.h"
#include "support/RuntimeFixture.h"
#include "ui/main/uMainForm.h"

#include <QApplication>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <thread>

namespace tw {
namespace {

class MainFormBusTest : public test::RuntimeFixture {
protected:
    void SetUp() override {
        RuntimeFixture::SetUp();
        Previous = ReplaceSettings(
            std::make_unique<TSettings>(std::string(TILEWICK_SOURCE_DIR) + "/resources/"));
        AppId = Settings().ReadConstInteger("App.ID", 0);
        ASSERT_NE(AppId, 0);
        Form = std::make_unique<TfrmMainForm>();
    }
    void TearDown() override {
        Form.reset();
        ReplaceSettings(std::move(Previous));
        RuntimeFixture::TearDown();
    }

    // Runs `send` on another thread, as another process would, while this thread runs the
    // event loop that answers it.
    template <typename Send> auto FromOutside(Send send) {
        auto result = std::async(std::launch::async, send);
        while (result.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return result.get();
    }

    std::unique_ptr<TSettings> Previous;
    std::unique_ptr<TfrmMainForm> Form;
    int AppId = 0;
};

TEST_F(MainFormBusTest, AnswersItsIdentityAndKeepsAForwardedPath) {
    const auto window = FromOutside([this] { return FindRunningInstance(AppId); });
    ASSERT_TRUE(window);
    const std::string path("/home/u/my \xC3\xA4.vkt\0tail", 18);
    EXPECT_EQ(FromOutside([&] { return SendCopyData(*window, 0, 0, path); }), 0);
    EXPECT_EQ(Form->ReceivedPath(), path);
    EXPECT_EQ(FromOutside([&] { return SendMessage(*window, 0x1234, 1, 2); }), 0);
}

TEST_F(MainFormBusTest, ForegroundRequestShowsAHiddenOrMinimisedWindow) {
    const auto window = FromOutside([this] { return FindRunningInstance(AppId); });
    ASSERT_TRUE(window);
    for (const bool minimised : {false, true}) {
        if (minimised) {
            Form->showMinimized();
        }
        FromOutside([&] { return SendMessage(*window, WM_FORCEFOREGROUND, 0, 0); });
        EXPECT_TRUE(Form->isVisible()) << minimised;
        EXPECT_FALSE(Form->isMinimized()) << minimised;
    }
}

TEST_F(MainFormBusTest, QuitRequestClosesTheWindowAndEndsTheLoop) {
    Form->show();
    const auto window = FromOutside([this] { return FindRunningInstance(AppId); });
    ASSERT_TRUE(window);
    std::atomic<bool> answered = false;
    std::thread sender([&] { answered = SendMessage(*window, WM_QUITAPP, 0, 0).has_value(); });
    QTimer::singleShot(10'000, qApp, [] { QCoreApplication::exit(1); }); // would mean a hang
    const int code = QApplication::exec();
    sender.join();
    EXPECT_TRUE(answered);
    EXPECT_FALSE(Form->isVisible());
    EXPECT_EQ(code, 0);
}

} // namespace
} // namespace tw
