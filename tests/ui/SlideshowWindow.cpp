#include "SlideshowWindow.h"

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QToolButton>

namespace tw::test {
namespace {

template <typename T> T* Add(QWidget& window, const char* name) {
    auto* component = new T(&window);
    component->setObjectName(QString::fromLatin1(name));
    return component;
}

} // namespace

void AddSlideshowComponents(QWidget& window) {
    for (const char* name : {"acApply", "menuSwitch", "menuRandom", "miSwitch", "miRandom", "N5s1",
                             "N15s1", "N20s1", "N30s1", "N60s1"}) {
        Add<QAction>(window, name);
    }
    const struct {
        const char* name;
        const char* caption;
        const char* hint;
    } commands[] = {{"acPlay", "&Start slideshow", "Start slideshow"},
                    {"acStop", "S&top slideshow", "Stop slideshow"},
                    {"acShuffle", "&Random Order", "Random  Order"},
                    {"acRepeat", "&Random  Order", "Random  Order"}};
    for (const auto& command : commands) {
        QAction* action = Add<QAction>(window, command.name);
        action->setText(QString::fromUtf8(command.caption));
        action->setToolTip(QString::fromUtf8(command.hint));
    }
    Add<QToolButton>(window, "btnSwitch");
    Add<QToolButton>(window, "btnRand");
    Add<QSlider>(window, "sldDelay");
    Add<QLabel>(window, "lbDelayTime");
    Add<QLabel>(window, "lbFriendlyName")->setText(QStringLiteral("Your MSN isn't signed in."));
    for (const char* name : {"cbbPersonalIcon", "cbbPersonalMsg", "cbbPersonalURL"}) {
        Add<QComboBox>(window, name);
    }
    Add<QMenu>(window, "Setstatewhenthisheaddisplay1");
}

} // namespace tw::test
