#include "ui/main/uSlideshow.h"

#include "core/app/uSettings.h"
#include "core/messenger/uMsnControl.h"
#include "ui/app/uEngineServices.h"
#include "ui/main/uPictureRows.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <QWidget>
#include <algorithm>
#include <stdexcept>
#include <string>

namespace tw {
namespace {

// Images of the engine's ImageList1 on the two buttons.
constexpr int kImageStopped = 0;
constexpr int kImageRunning = 1;
constexpr int kImageInOrder = 2;
constexpr int kImageRandom = 3;

template <typename T> T* Required(QWidget* window, const char* name) {
    T* found = window->findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr) {
        throw std::logic_error(std::string("the main window has no ") + name);
    }
    return found;
}

QAction* Optional(QWidget* window, const char* name) {
    return window->findChild<QAction*>(QString::fromLatin1(name));
}

void SetText(QAction* item, const QString& text) {
    if (item != nullptr) {
        item->setText(text);
    }
}

bool RandomOrder() {
    return Settings().ReadBool("Random", false);
}

} // namespace

TSlideshowWidgets TSlideshowWidgets::Find(QWidget* window) {
    TSlideshowWidgets w;
    w.btnSwitch = Required<QAbstractButton>(window, "btnSwitch");
    w.btnRand = Required<QAbstractButton>(window, "btnRand");
    w.sldDelay = Required<QSlider>(window, "sldDelay");
    w.lbDelayTime = Required<QLabel>(window, "lbDelayTime");
    w.cbbPersonalIcon = Required<QComboBox>(window, "cbbPersonalIcon");
    w.cbbPersonalMsg = Required<QComboBox>(window, "cbbPersonalMsg");
    w.cbbPersonalURL = Required<QComboBox>(window, "cbbPersonalURL");
    w.acPlay = Required<QAction>(window, "acPlay");
    w.acStop = Required<QAction>(window, "acStop");
    w.acShuffle = Required<QAction>(window, "acShuffle");
    w.acRepeat = Required<QAction>(window, "acRepeat");
    w.acApply = Required<QAction>(window, "acApply");
    w.menuSwitch = Optional(window, "menuSwitch");
    w.menuRandom = Optional(window, "menuRandom");
    w.miSwitch = Optional(window, "miSwitch");
    w.miRandom = Optional(window, "miRandom");
    w.speedItems = {Optional(window, "N5s1"), Optional(window, "N15s1"), Optional(window, "N20s1"),
                    Optional(window, "N30s1"), Optional(window, "N60s1")};
    return w;
}

TSlideshowControls::TSlideshowControls(const TSlideshowWidgets& widgets, IPictureRows& rows,
                                       TMsnHeadManager& manager, TEngineServices& engine,
                                       QObject* parent)
    : QObject(parent), w_(widgets), rows_(rows), engine_(engine), slideshow_(manager),
      timer_(this) {
    timer_.setObjectName(QStringLiteral("tmSlide"));
    timer_.setInterval(kDefaultDelay * 1000);
    slideshow_.OnPreview = [this](int i) { rows_.DrawPreview(i); };

    w_.sldDelay->setRange(kMinDelay, kMaxDelay);
    w_.sldDelay->setValue(kDefaultDelay);
    w_.lbDelayTime->setText(QString::fromStdString(DelayLabel(kDefaultDelay)));
    for (QAction* item : {w_.menuRandom, w_.miRandom}) {
        if (item != nullptr) {
            item->setCheckable(true);
        }
    }

    connect(&timer_, &QTimer::timeout, this, &TSlideshowControls::tmSlideTimer);
    connect(w_.sldDelay, &QSlider::valueChanged, this, &TSlideshowControls::sldDelayChange);
    for (std::size_t k = 0; k < w_.speedItems.size(); ++k) {
        if (QAction* item = w_.speedItems[k]) {
            const int secs = kSpeedSeconds[k];
            connect(item, &QAction::triggered, this, [this, secs] { w_.sldDelay->setValue(secs); });
        }
    }
    connect(w_.acPlay, &QAction::triggered, this, [this] { timer_.start(); });
    connect(w_.acStop, &QAction::triggered, this, [this] { timer_.stop(); });
    connect(w_.acShuffle, &QAction::triggered, this, [] { Settings().WriteBool("Random", true); });
    connect(w_.acRepeat, &QAction::triggered, this, [] { Settings().WriteBool("Random", false); });
    connect(w_.acApply, &QAction::triggered, this, &TSlideshowControls::acApplyExecute);
    connect(w_.btnSwitch, &QAbstractButton::clicked, this, &TSlideshowControls::btnSwitchClick);
    connect(w_.btnRand, &QAbstractButton::clicked, this, &TSlideshowControls::btnRandClick);
    for (QAction* item : {w_.menuSwitch, w_.miSwitch}) {
        if (item != nullptr) {
            connect(item, &QAction::triggered, this, &TSlideshowControls::btnSwitchClick);
        }
    }
    for (QAction* item : {w_.menuRandom, w_.miRandom}) {
        if (item != nullptr) {
            connect(item, &QAction::triggered, this, &TSlideshowControls::btnRandClick);
        }
    }
    // A language puts the design captions back on the menu items; they must keep naming the
    // command a click performs.
    connect(&engine_, &TEngineServices::LanguageChanged, this, [this] {
        if (started_) {
            ShowSwitchState(showsRunning_);
            ShowRandomState(showsRandom_);
        }
    });
}

TSlideshowControls::~TSlideshowControls() {
    if (started_) {
        Settings().WriteBool("SwitchON", timer_.isActive());
    }
}

void TSlideshowControls::LoadStartState() {
    w_.sldDelay->setValue(Settings().ReadInteger("DelayTime", kDefaultDelay));
    sldDelayChange(w_.sldDelay->value());
    if (Settings().ReadBool("SwitchON", true)) {
        timer_.start();
    } else {
        timer_.stop();
    }
    ShowRandomState(RandomOrder());
    ShowSwitchState(timer_.isActive());
    started_ = true;
}

void TSlideshowControls::StateChanged(TMsnState status) {
    if (link_ != nullptr) {
        slideshow_.StateChanged(status, rows_.RowCount(), RandomOrder(), *link_);
    }
}

void TSlideshowControls::tmSlideTimer() {
    slideshow_.Tick(rows_.RowCount(), RandomOrder(), link_);
}

void TSlideshowControls::sldDelayChange(int secs) {
    w_.lbDelayTime->setText(QString::fromStdString(DelayLabel(secs)));
    Settings().WriteInteger("DelayTime", secs);
    timer_.setInterval(secs * 1000);
}

void TSlideshowControls::btnSwitchClick() {
    if (showsRunning_) {
        w_.acStop->trigger();
    } else {
        w_.acPlay->trigger();
    }
    ShowSwitchState(!showsRunning_);
}

void TSlideshowControls::btnRandClick() {
    if (showsRandom_) {
        w_.acRepeat->trigger();
    } else {
        w_.acShuffle->trigger();
    }
    ShowRandomState(!showsRandom_);
}

void TSlideshowControls::acApplyExecute() {
    const int row = rows_.SelectedRow();
    if (row < 0 || link_ == nullptr) {
        return;
    }
    slideshow_.Apply(row, rows_.RowCount(), *link_);
    // The boxes may hold what the user is still typing; that wins over the stored entry.
    link_->SetPersonalMessage(w_.cbbPersonalMsg->currentText().toStdString(),
                              w_.cbbPersonalURL->currentText().toStdString(),
                              std::max(0, w_.cbbPersonalIcon->currentIndex()));
}

void TSlideshowControls::ShowSwitchState(bool running) {
    showsRunning_ = running;
    // The button names the command a click performs.
    const QAction* command = running ? w_.acStop : w_.acPlay;
    w_.btnSwitch->setIcon(engine_.ImageList1.Icon(running ? kImageRunning : kImageStopped));
    w_.btnSwitch->setToolTip(command->toolTip());
    SetText(w_.menuSwitch, command->text());
    SetText(w_.miSwitch, command->text());
}

void TSlideshowControls::ShowRandomState(bool random) {
    showsRandom_ = random;
    const QAction* command = random ? w_.acRepeat : w_.acShuffle;
    w_.btnRand->setIcon(engine_.ImageList1.Icon(random ? kImageRandom : kImageInOrder));
    w_.btnRand->setToolTip(command->toolTip());
    for (QAction* item : {w_.menuRandom, w_.miRandom}) {
        if (item != nullptr) {
            item->setText(command->text());
            item->setChecked(random);
        }
    }
}

} // namespace tw
