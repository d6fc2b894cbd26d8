#pragma once

#include "core/main/uSlideshow.h"

#include <QObject>
#include <QTimer>
#include <array>

class QAbstractButton;
class QAction;
class QComboBox;
class QLabel;
class QSlider;
class QWidget;

namespace tw {

class IPictureRows;
class TEngineServices;
class TMsnControl;

// The main window's components that the slideshow drives, found by their names.
struct TSlideshowWidgets {
    QAbstractButton* btnSwitch = nullptr;
    QAbstractButton* btnRand = nullptr;
    QSlider* sldDelay = nullptr;
    QLabel* lbDelayTime = nullptr;
    QComboBox* cbbPersonalIcon = nullptr;
    QComboBox* cbbPersonalMsg = nullptr;
    QComboBox* cbbPersonalURL = nullptr;
    QAction* acPlay = nullptr;
    QAction* acStop = nullptr;
    QAction* acShuffle = nullptr;
    QAction* acRepeat = nullptr;
    QAction* acApply = nullptr;
    // Control menu and tray menu; a window without one of them leaves it null.
    QAction* menuSwitch = nullptr;
    QAction* menuRandom = nullptr;
    QAction* miSwitch = nullptr;
    QAction* miRandom = nullptr;
    // Control > Speed: "5s", "15s", "20s", "30s", "60s"; each may be null.
    std::array<QAction*, 5> speedItems{};

    // The components of `window` by object name. Throws std::logic_error naming the first
    // required one that is missing.
    static TSlideshowWidgets Find(QWidget* window);
};

// The slideshow of the main window: the timer tmSlide, the delay slider and its label, the
// switch and random buttons with their menu items, the Speed menu and "Apply Right Now".
class TSlideshowControls : public QObject {
    Q_OBJECT
public:
    static constexpr std::array<int, 5> kSpeedSeconds = {5, 15, 20, 30, 60};

    TSlideshowControls(const TSlideshowWidgets& widgets, IPictureRows& rows,
                       TMsnHeadManager& manager, TEngineServices& engine,
                       QObject* parent = nullptr);
    // Stores whether the slideshow runs, once the start state was read.
    ~TSlideshowControls() override;

    // The Messenger link, once the window has created it, and null again before it goes;
    // not owned.
    void SetLink(TMsnControl* link) { link_ = link; }
    // Delay, slideshow switch and random order from the settings.
    void LoadStartState();

    // The link reported a new status: apply an entry for it, running or not.
    void StateChanged(TMsnState status);

    void tmSlideTimer();
    void sldDelayChange(int secs);
    void btnSwitchClick();
    void btnRandClick();
    void acApplyExecute();

    const QTimer& tmSlide() const { return timer_; }
    bool Running() const { return timer_.isActive(); }
    const TSlideshow& Slideshow() const { return slideshow_; }
    TSlideshow& Slideshow() { return slideshow_; }

private:
    void ShowSwitchState(bool running);
    void ShowRandomState(bool random);

    TSlideshowWidgets w_;
    IPictureRows& rows_;
    TEngineServices& engine_;
    TSlideshow slideshow_;
    TMsnControl* link_ = nullptr;
    QTimer timer_;
    // What the buttons show; a click asks them, not the timer or the setting.
    bool showsRunning_ = false;
    bool showsRandom_ = false;
    bool started_ = false;
};

} // namespace tw
