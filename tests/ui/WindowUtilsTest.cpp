#include "ui/app/WindowUtils.h"

#include <QApplication>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>

namespace tw {
namespace {

TEST(WindowUtilsTest, TopMostKeepsPlaceSizeAndVisibility) {
    for (const bool visible : {true, false}) {
        QWidget window;
        window.setGeometry(40, 50, 300, 200);
        if (visible) {
            window.show();
        }
        const QRect before = window.geometry();
        for (const bool flag : {true, false, true}) {
            SetWindowTopMost(&window, flag);
            QApplication::processEvents();
            EXPECT_EQ(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint), flag);
            EXPECT_EQ(window.isVisible(), visible);
            EXPECT_EQ(window.geometry(), before);
            if (window.windowHandle() != nullptr) {
                EXPECT_EQ(window.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint), flag);
            }
        }
    }
}

TEST(WindowUtilsTest, ForceForegroundShowsRestoresAndActivates) {
    enum class Start { Hidden, Minimised, Behind };
    for (const Start start : {Start::Hidden, Start::Minimised, Start::Behind}) {
        QWidget window;
        QWidget other;
        other.show();
        if (start == Start::Minimised) {
            window.showMinimized();
        } else if (start == Start::Behind) {
            window.show();
        }
        other.activateWindow();
        QApplication::processEvents();
        ForceForegroundWindow(&window);
        QApplication::processEvents();
        EXPECT_TRUE(window.isVisible());
        EXPECT_FALSE(window.isMinimized());
        EXPECT_TRUE(window.isActiveWindow()) << static_cast<int>(start);
    }
}

} // namespace
} // namespace tw
