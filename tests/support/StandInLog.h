#pragma once

// Reading the Messenger stand-in's call log (one JSON object a line) as it grows.
#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tw::test {

// One display picture or personal message the client took.
struct Taken {
    std::string call;  // "picture" or "message"
    std::string value; // the shown message
    std::string category;
    int entry = -1; // whose picture, told while the file is still there
    qint64 at = 0;  // when the reader first saw it, in ms since the reader was made
};

class StandInLog {
public:
    // `identify` tells which entry a picture file shows.
    StandInLog(std::filesystem::path path, std::function<int(const std::string&)> identify)
        : path_(std::move(path)), identify_(std::move(identify)) {
        clock_.start();
    }

    qint64 Elapsed() const { return clock_.elapsed(); }

    // The pictures set and messages taken since the last call.
    std::vector<Taken> Take() {
        std::vector<Taken> taken;
        QFile file(QString::fromStdString(path_.string()));
        if (!file.open(QIODevice::ReadOnly)) {
            return taken;
        }
        const QList<QByteArray> lines = file.readAll().split('\n');
        for (qsizetype k = seen_; k < lines.size(); ++k) {
            const QJsonObject entry = QJsonDocument::fromJson(lines[k]).object();
            if (entry.isEmpty()) {
                continue; // the last line may still be on its way
            }
            seen_ = k + 1;
            const QString call = entry["call"].toString();
            if (call == "writeProperty" && entry["ok"].toBool()) {
                taken.push_back({"picture", "", "",
                                 identify_(entry["value"].toString().toStdString()),
                                 clock_.elapsed()});
            } else if (call == "copyData") {
                taken.push_back({"message", entry["message"].toString().toStdString(),
                                 entry["category"].toString().toStdString(), -1, clock_.elapsed()});
            }
        }
        return taken;
    }

private:
    std::filesystem::path path_;
    std::function<int(const std::string&)> identify_;
    QElapsedTimer clock_;
    qsizetype seen_ = 0;
};

} // namespace tw::test
