#pragma once

#include "core/messenger/MessengerClient.h"
#include "core/messenger/NowPlaying.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tw::test {

// What the client was shown of one personal message.
struct SentMessage {
    std::string Text;
    std::string Url;
    std::string Category;
    friend bool operator==(const SentMessage&, const SentMessage&) = default;
    friend void PrintTo(const SentMessage& m, std::ostream* out) {
        *out << "{\"" << m.Text << "\", \"" << m.Url << "\", \"" << m.Category << "\"}";
    }
};

// A running client whose name and status the test sets; keeps the personal messages and
// display pictures it is sent. The records outlive the client, which the link owns.
class RecordingMessengerClient : public IMessengerClient {
public:
    struct Records {
        std::vector<SentMessage> messages;
        std::vector<std::string> pictures;
    };

    explicit RecordingMessengerClient(Records& records) : records_(records) {}

    std::int32_t status = static_cast<std::int32_t>(ClientStatus::Online);
    std::string name = "Alice";

    bool IsRunning() override { return true; }
    std::string ReadFriendlyName() override { return name; }
    std::int32_t ReadStatus() override { return status; }
    void WriteProperty(int, const std::string& value) override {
        records_.pictures.push_back(value);
    }
    void SendCopyData(std::uint32_t, std::span<const std::uint8_t> data) override {
        const auto fields = ParseNowPlaying(DecodeNowPlayingBlock(data).value_or(""));
        ASSERT_TRUE(fields.has_value());
        records_.messages.push_back({fields->ShownText(), fields->Url(), fields->category});
    }

private:
    Records& records_;
};

} // namespace tw::test
