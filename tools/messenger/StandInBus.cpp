#include "StandInBus.h"

#include "MessengerStandIn.h"
#include "StandInControl.h"
#include "core/messenger/MessengerClient.h"

#include <QSocketNotifier>
#include <cstdlib>
#include <thread>

namespace tw {

std::optional<StandInCall> ParseStandInCall(const QString& text) {
    if (text == QLatin1String("status")) {
        return StandInCall::Status;
    }
    if (text == QLatin1String("name")) {
        return StandInCall::FriendlyName;
    }
    if (text == QLatin1String("picture")) {
        return StandInCall::WriteProperty;
    }
    if (text == QLatin1String("nowplaying")) {
        return StandInCall::NowPlaying;
    }
    return std::nullopt;
}

StandInBus::StandInBus(MessengerStandIn& client, Misbehaviour misbehaviour)
    : client_(client), misbehaviour_(misbehaviour) {}

StandInBus::~StandInBus() = default;

bool StandInBus::Register(QString& error) {
    std::string reason;
    window_ = MessageWindow::Register(
        kMessengerWindowClass, [this](const WindowMessage& m) { return Answer(m); }, reason);
    if (!window_) {
        error = QString::fromStdString(reason);
        return false;
    }
    notifier_ = std::make_unique<QSocketNotifier>(window_->Fd(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this,
            [this] { window_->ProcessPending(); });
    return true;
}

std::int64_t StandInBus::Answer(const WindowMessage& message) {
    switch (message.Msg) {
    case kMsgStandInSetStatus:
        if (message.WParam < 0 || message.WParam > INT32_MAX) {
            return kCallFailed;
        }
        client_.SetStatus(static_cast<std::int32_t>(message.WParam));
        return kCallSucceeded;
    case kMsgStandInSignIn:
        client_.SignIn();
        return kCallSucceeded;
    case kMsgStandInSignOut:
        client_.SignOut();
        return kCallSucceeded;
    case kMsgStandInQuit:
        emit QuitRequested();
        return kCallSucceeded;
    case WM_COPYDATA:
        if (message.DwData == kCopyDataStandInSetName) {
            client_.SetName(QString::fromUtf8(message.Data.data(),
                                              static_cast<qsizetype>(message.Data.size())));
            return kCallSucceeded;
        }
        break;
    default:
        break;
    }
    answering_ = message.Msg;
    return AnswerMessengerMessage(*this, message);
}

std::optional<std::string> StandInBus::FriendlyName() {
    if (answering_ != kMsgGetFriendlyNameInfo) {
        return client_.FriendlyName(false);
    }
    Misbehave(StandInCall::FriendlyName);
    return client_.FriendlyName(true);
}

std::optional<std::int32_t> StandInBus::Status() {
    Misbehave(StandInCall::Status);
    return client_.Status();
}

bool StandInBus::WriteProperty(int property, const std::string& value) {
    Misbehave(StandInCall::WriteProperty);
    return client_.WriteProperty(property, value);
}

void StandInBus::TakeCopyData(std::uint64_t dwData, std::span<const std::uint8_t> data) {
    Misbehave(StandInCall::NowPlaying);
    client_.TakeCopyData(dwData, data);
}

void StandInBus::Misbehave(StandInCall call) const {
    if (misbehaviour_.DieOn == call) {
        std::_Exit(3); // in the middle of the call: the sender gets no reply
    }
    if (misbehaviour_.HangOn == call) {
        std::this_thread::sleep_for(misbehaviour_.HangFor);
    }
}

} // namespace tw
