#pragma once

#include "core/messenger/NowPlaying.h"

#include <QFile>
#include <QImage>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tw {

// What the stand-in client knows and how it answers the Messenger link's calls. The bus and the
// window are views on it.
class MessengerStandIn : public QObject {
    Q_OBJECT

public:
    MessengerStandIn(QString name, std::int32_t status, bool signedIn);

    // Appends one JSON line per call to the file; false when it cannot be opened.
    bool OpenLog(const QString& path);

    // The link's calls. A call that fails returns nothing or false, as the real client raises.
    // Each call is logged; `log` false for the further pieces of one name read.
    std::optional<std::string> FriendlyName(bool log);
    std::int32_t Status();
    bool WriteProperty(int property, const std::string& value);
    void TakeCopyData(std::uint64_t dwData, std::span<const std::uint8_t> data);

    // The user's own actions, from the window or from another process.
    void SetStatus(std::int32_t status);
    void SignIn();
    void SignOut();
    void SetName(const QString& name);

    const QString& Name() const { return name_; }
    bool SignedIn() const { return signedIn_; }
    // The status chosen while signed in; kept across signing out.
    std::int32_t ChosenStatus() const { return chosenStatus_; }
    const QImage& Picture() const { return picture_; }
    const QString& PicturePath() const { return picturePath_; }
    const std::optional<NowPlayingFields>& NowPlaying() const { return nowPlaying_; }

signals:
    void Changed();

private:
    void Log(QJsonObject entry);

    QString name_;
    std::int32_t chosenStatus_;
    bool signedIn_;
    QImage picture_;
    QString picturePath_;
    std::optional<NowPlayingFields> nowPlaying_;
    QFile log_;
};

} // namespace tw
