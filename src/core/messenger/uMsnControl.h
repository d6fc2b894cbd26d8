#pragma once

#include "core/messenger/MessengerClient.h"
#include "core/messenger/MsnState.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tw {

// The link's status for a client status value: the six statuses with a code of their own map
// to it, every other value to 0 (no status).
TMsnState MapClientStatus(std::int32_t clientStatus);
// False for offline and the connecting or disconnecting values; true for everything else.
bool IsSignedInStatus(std::int32_t clientStatus);

class TMsnControl;

// The link's poller. Its owner drives Tick every Interval while the program runs; the poller
// itself ignores ticks while paused.
class TMsnThread {
public:
    static constexpr std::chrono::milliseconds Interval{500};

    explicit TMsnThread(TMsnControl& control) : control_(control) {}
    TMsnThread(const TMsnThread&) = delete;
    TMsnThread& operator=(const TMsnThread&) = delete;

    TMsnControl& Control() const { return control_; }
    bool Paused() const { return paused_; }
    const std::string& PendingPath() const { return pendingPath_; }
    bool Pending() const { return pending_; }

    // Polls the client and sets a waiting display picture once the user is signed in and the
    // file exists. Nothing raises out of a tick.
    void Tick();
    // Replaces any waiting request; the picture is set at a later tick.
    void RequestDisplayPicture(const std::string& path);
    void Pause() { paused_ = true; }
    void Resume() { paused_ = false; }

private:
    TMsnControl& control_;
    bool paused_ = false;
    std::string pendingPath_;
    bool pending_ = false;
};

// The Messenger link: follows the client's friendly name and status, sets the display picture
// and sends the personal message as now-playing text.
class TMsnControl {
public:
    explicit TMsnControl(std::unique_ptr<IMessengerClient> client);
    TMsnControl(const TMsnControl&) = delete;
    TMsnControl& operator=(const TMsnControl&) = delete;
    ~TMsnControl();

    const std::string& FriendlyName() const { return friendlyName_; }
    TMsnState State() const { return state_; }
    bool StateKnown() const { return stateKnown_; }
    bool Paused() const { return paused_; }
    TMsnThread& Poller() { return *poller_; }
    IMessengerClient& Client() { return *client_; }

    // Called with the new State, and with the new FriendlyName (empty after signing out).
    std::function<void(TMsnState)> OnStateChange;
    std::function<void(const std::string&)> OnFriendlyNameChange;

    void SetDisplayPicture(const std::string& path);
    // Sends at once, whether or not the user is signed in; icon 1..3 names the category.
    void SetPersonalMessage(const std::string& message, const std::string& url, int icon);
    void SendNowPlaying(const std::string& category, const std::string& message, bool enabled,
                        const std::string& url);
    void SetPaused(bool paused);

    // Reads the client's status and name and announces changes. A failed call ends the poll
    // and keeps what was stored before it. True when the client answered every call.
    bool Poll();

private:
    void PollSignedIn(std::int32_t clientStatus);
    void ChangeState(TMsnState state);
    void ChangeFriendlyName(const std::string& name);

    std::unique_ptr<IMessengerClient> client_;
    std::string friendlyName_;
    TMsnState state_ = TMsnState{0};
    bool stateKnown_ = false;
    bool paused_ = false;
    std::unique_ptr<TMsnThread> poller_;
};

} // namespace tw
