#include "core/messenger/uMsnControl.h"

#include "core/messenger/NowPlaying.h"

#include <filesystem>
#include <system_error>

namespace tw {

TMsnState MapClientStatus(std::int32_t clientStatus) {
    switch (static_cast<ClientStatus>(clientStatus)) {
    case ClientStatus::Online:
        return TMsnState{1};
    case ClientStatus::Busy:
        return TMsnState{2};
    case ClientStatus::BeRightBack:
        return TMsnState{3};
    case ClientStatus::Away:
        return TMsnState{4};
    case ClientStatus::OnThePhone:
        return TMsnState{5};
    case ClientStatus::OutToLunch:
        return TMsnState{6};
    default:
        return TMsnState{0};
    }
}

bool IsSignedInStatus(std::int32_t clientStatus) {
    switch (static_cast<ClientStatus>(clientStatus)) {
    case ClientStatus::Offline:
    case ClientStatus::FindingServer:
    case ClientStatus::Connecting:
    case ClientStatus::Synchronizing:
    case ClientStatus::Disconnecting:
        return false;
    default:
        return true;
    }
}

void TMsnThread::Tick() {
    if (paused_) {
        return;
    }
    IMessengerClient& client = control_.Client();
    if (!client.IsRunning()) {
        return;
    }
    // After a failed poll the client is gone or hanging: the picture waits for a tick that
    // finds it answering, rather than being lost to a call that would fail too.
    if (!control_.Poll() || !pending_ || control_.FriendlyName().empty()) {
        return;
    }
    std::error_code ec;
    if (!std::filesystem::exists(pendingPath_, ec)) {
        return; // the file may still be on its way; try again next tick
    }
    // Tried once: a client that refuses the picture is not asked again for the same request.
    pending_ = false;
    try {
        client.WriteProperty(kDisplayPictureProperty, pendingPath_);
    } catch (const MessengerError&) {
    }
}

void TMsnThread::RequestDisplayPicture(const std::string& path) {
    pendingPath_ = path;
    pending_ = true;
}

TMsnControl::TMsnControl(std::unique_ptr<IMessengerClient> client)
    : client_(std::move(client)), poller_(std::make_unique<TMsnThread>(*this)) {}

TMsnControl::~TMsnControl() = default;

void TMsnControl::SetDisplayPicture(const std::string& path) {
    poller_->RequestDisplayPicture(path);
}

void TMsnControl::SetPersonalMessage(const std::string& message, const std::string& url, int icon) {
    SendNowPlaying(NowPlayingCategory(icon), message, icon != 0, url);
}

void TMsnControl::SendNowPlaying(const std::string& category, const std::string& message,
                                 bool enabled, const std::string& url) {
    const NowPlayingBuffer block =
        EncodeNowPlaying(NowPlayingText(category, message, enabled, url));
    if (!client_->IsRunning()) {
        return;
    }
    try {
        client_->SendCopyData(kNowPlayingCopyDataId, block);
    } catch (const MessengerError&) {
    }
}

void TMsnControl::SetPaused(bool paused) {
    paused_ = paused;
    if (paused) {
        poller_->Pause();
    } else {
        poller_->Resume();
    }
}

bool TMsnControl::Poll() {
    if (!client_->IsRunning()) {
        stateKnown_ = false;
        return false;
    }
    try {
        const std::int32_t clientStatus = client_->ReadStatus();
        if (!IsSignedInStatus(clientStatus)) {
            ChangeState(TMsnState{0});
            ChangeFriendlyName({});
            return true;
        }
        PollSignedIn(clientStatus);
        return true;
    } catch (const MessengerError&) {
        // The client went away or hung mid-poll; the next tick asks again.
        return false;
    }
}

void TMsnControl::PollSignedIn(std::int32_t clientStatus) {
    ChangeFriendlyName(client_->ReadFriendlyName());
    const TMsnState state = MapClientStatus(clientStatus);
    if (stateKnown_) {
        ChangeState(state);
    } else {
        state_ = state;
    }
    stateKnown_ = true;
}

void TMsnControl::ChangeState(TMsnState state) {
    if (state == state_) {
        return;
    }
    state_ = state;
    if (OnStateChange) {
        OnStateChange(state);
    }
}

void TMsnControl::ChangeFriendlyName(const std::string& name) {
    if (name == friendlyName_) {
        return;
    }
    friendlyName_ = name;
    if (OnFriendlyNameChange) {
        OnFriendlyNameChange(name);
    }
}

} // namespace tw
