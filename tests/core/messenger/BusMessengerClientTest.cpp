#include "core/messenger/BusMessengerClient.h"

#include "core/messenger/NowPlaying.h"
#include "support/RuntimeFixture.h"
#include "support/ServedWindow.h"

#include <chrono>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace tw {
namespace {

using namespace std::chrono_literals;

// A client program's answers, set by the test and read by the bus thread.
class FakeService : public IMessengerService {
public:
    std::optional<std::string> FriendlyName() override {
        const std::lock_guard lock(mutex_);
        if (names_.size() > 1) {
            std::string name = names_.front();
            names_.erase(names_.begin());
            return name;
        }
        return names_.empty() ? std::nullopt : std::optional(names_.front());
    }
    std::optional<std::int32_t> Status() override {
        std::chrono::milliseconds hang;
        {
            const std::lock_guard lock(mutex_);
            hang = hang_;
        }
        std::this_thread::sleep_for(hang);
        return 34;
    }
    bool WriteProperty(int property, const std::string& value) override {
        const std::lock_guard lock(mutex_);
        written_.emplace_back(property, value);
        return acceptProperty_;
    }
    void TakeCopyData(std::uint64_t dwData, std::span<const std::uint8_t> data) override {
        const std::lock_guard lock(mutex_);
        copied_.emplace_back(dwData, std::vector<std::uint8_t>(data.begin(), data.end()));
    }

    // The names given one per name request, the last one for good; none: the call fails.
    void SetNames(std::vector<std::string> names) {
        const std::lock_guard lock(mutex_);
        names_ = std::move(names);
    }
    void SetHang(std::chrono::milliseconds hang) {
        const std::lock_guard lock(mutex_);
        hang_ = hang;
    }
    void SetAcceptProperty(bool accept) {
        const std::lock_guard lock(mutex_);
        acceptProperty_ = accept;
    }
    std::vector<std::pair<int, std::string>> Written() {
        const std::lock_guard lock(mutex_);
        return written_;
    }
    std::vector<std::pair<std::uint64_t, std::vector<std::uint8_t>>> Copied() {
        const std::lock_guard lock(mutex_);
        return copied_;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> names_{"Alice"};
    std::chrono::milliseconds hang_{0};
    bool acceptProperty_ = true;
    std::vector<std::pair<int, std::string>> written_;
    std::vector<std::pair<std::uint64_t, std::vector<std::uint8_t>>> copied_;
};

class BusMessengerClientTest : public test::RuntimeFixture {
protected:
    void Serve() {
        window_ = std::make_unique<test::ServedWindow>(
            kMessengerWindowClass,
            [this](const WindowMessage& m) { return AnswerMessengerMessage(service_, m); });
    }

    FakeService service_;
    std::unique_ptr<test::ServedWindow> window_;
};

TEST_F(BusMessengerClientTest, WithoutAClientWindowNothingRunsAndCallsFail) {
    BusMessengerClient client;
    EXPECT_FALSE(client.IsRunning());
    EXPECT_THROW(client.ReadStatus(), MessengerError);
    EXPECT_THROW(client.ReadFriendlyName(), MessengerError);
    EXPECT_THROW(client.WriteProperty(kDisplayPictureProperty, "/tmp/x.bmp"), MessengerError);
    const NowPlayingBuffer block{};
    EXPECT_THROW(client.SendCopyData(kNowPlayingCopyDataId, block), MessengerError);
}

TEST_F(BusMessengerClientTest, NamesOfEveryLengthArriveWhole) {
    Serve();
    BusMessengerClient client;
    ASSERT_TRUE(client.IsRunning());
    EXPECT_EQ(client.ReadStatus(), 34);
    const std::string names[] = {
        "",
        "A",
        "12345678",
        "123456789",
        "Zo\xC3\xAB \xF0\x9F\x98\x80 \xE2\x99\xAA",
        std::string(kMaxFriendlyNameBytes, 'n'),
    };
    for (const std::string& name : names) {
        SCOPED_TRACE(name.size());
        service_.SetNames({name});
        EXPECT_EQ(client.ReadFriendlyName(), name);
    }
}

TEST_F(BusMessengerClientTest, NameThatCannotBeReadWholeFails) {
    Serve();
    BusMessengerClient client;
    const std::vector<std::vector<std::string>> cases = {
        {},                                            // the client refuses
        {std::string(kMaxFriendlyNameBytes + 1, 'n')}, // too long to take
        {"Alice Smith", "Alice Jones"},                // changed while read
        {"Alice", "Bob"},                              // changed, and now shorter
    };
    for (const auto& names : cases) {
        SCOPED_TRACE(names.size());
        service_.SetNames(names);
        EXPECT_THROW(client.ReadFriendlyName(), MessengerError);
    }
}

TEST_F(BusMessengerClientTest, PropertyAndCopyDataReachTheClient) {
    Serve();
    BusMessengerClient client;
    client.WriteProperty(kDisplayPictureProperty, "/tmp/p\xC3\xAB.bmp");
    service_.SetAcceptProperty(false);
    EXPECT_THROW(client.WriteProperty(kDisplayPictureProperty, "/tmp/missing.bmp"), MessengerError);
    EXPECT_EQ(service_.Written(), (std::vector<std::pair<int, std::string>>{
                                      {2, "/tmp/p\xC3\xAB.bmp"}, {2, "/tmp/missing.bmp"}}));

    const NowPlayingBuffer block = EncodeNowPlaying("vkt");
    client.SendCopyData(kNowPlayingCopyDataId, block);
    const auto copied = service_.Copied();
    ASSERT_EQ(copied.size(), 1u);
    EXPECT_EQ(copied[0].first, kNowPlayingCopyDataId);
    EXPECT_EQ(copied[0].second, std::vector<std::uint8_t>(block.begin(), block.end()));
}

TEST_F(BusMessengerClientTest, HangingClientTimesOutAndIsLeftAloneForAWhile) {
    Serve();
    const BusMessengerClient::Timing timing{200ms, 1000ms};
    BusMessengerClient client(timing);
    service_.SetHang(1500ms);

    auto started = std::chrono::steady_clock::now();
    EXPECT_THROW(client.ReadStatus(), MessengerError);
    // The call gave up long before the client would have answered.
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1400ms);

    // While resting, calls fail without waiting on the client again.
    started = std::chrono::steady_clock::now();
    EXPECT_THROW(client.ReadFriendlyName(), MessengerError);
    EXPECT_LT(std::chrono::steady_clock::now() - started, timing.CallTimeout);
    EXPECT_TRUE(client.IsRunning());

    service_.SetHang(0ms);
    std::this_thread::sleep_for(1600ms); // past both the hang and the rest
    EXPECT_EQ(client.ReadStatus(), 34);
    EXPECT_EQ(client.ReadFriendlyName(), "Alice");
}

} // namespace
} // namespace tw
