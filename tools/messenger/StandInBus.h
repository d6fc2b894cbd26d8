#pragma once

#include "core/messenger/MessengerProtocol.h"

#include <QObject>
#include <QString>
#include <chrono>
#include <memory>
#include <optional>

class QSocketNotifier;

namespace tw {

class MessengerStandIn;

// Which call a misbehaving stand-in hangs or dies in, for testing how the link copes.
enum class StandInCall { Status, FriendlyName, WriteProperty, NowPlaying };
std::optional<StandInCall> ParseStandInCall(const QString& text);

struct Misbehaviour {
    std::optional<StandInCall> HangOn;
    std::chrono::milliseconds HangFor{30000};
    std::optional<StandInCall> DieOn;
};

// Puts the stand-in on the message bus as a window of the client's class, answering the
// link's calls and the control messages from the event loop.
class StandInBus : public QObject, private IMessengerService {
    Q_OBJECT

public:
    StandInBus(MessengerStandIn& client, Misbehaviour misbehaviour);
    ~StandInBus() override;

    // False, with `error` set, when the bus cannot be reached.
    bool Register(QString& error);

signals:
    void QuitRequested();

private:
    std::int64_t Answer(const WindowMessage& message);

    std::optional<std::string> FriendlyName() override;
    std::optional<std::int32_t> Status() override;
    bool WriteProperty(int property, const std::string& value) override;
    void TakeCopyData(std::uint64_t dwData, std::span<const std::uint8_t> data) override;
    void Misbehave(StandInCall call) const;

    MessengerStandIn& client_;
    Misbehaviour misbehaviour_;
    std::unique_ptr<MessageWindow> window_;
    std::unique_ptr<QSocketNotifier> notifier_;
    // The bus message being answered: the name travels in several, and is logged once.
    std::uint32_t answering_ = 0;
};

} // namespace tw
