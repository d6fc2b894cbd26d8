#pragma once

#include "platform/MessageWindows.h"

#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <poll.h>
#include <string>
#include <thread>
#include <vector>

namespace tw::test {

// A registered window answered by a background thread, recording what it received.
class ServedWindow {
public:
    explicit ServedWindow(
        std::string_view className,
        MessageHandler answer = [](const WindowMessage&) { return 0; }) {
        std::string error;
        window_ = MessageWindow::Register(
            className,
            [this, answer](const WindowMessage& message) {
                const std::lock_guard lock(mutex_);
                received_.push_back(message);
                return answer(message);
            },
            error);
        if (!window_) {
            ADD_FAILURE() << error;
            return;
        }
        thread_ = std::thread([this] {
            while (!stop_) {
                pollfd entry{window_->Fd(), POLLIN, 0};
                if (::poll(&entry, 1, 20) > 0) {
                    window_->ProcessPending();
                }
            }
        });
    }
    ~ServedWindow() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    const WindowHandle& Handle() const { return window_->Handle(); }
    std::vector<WindowMessage> Received() {
        const std::lock_guard lock(mutex_);
        return received_;
    }

private:
    std::unique_ptr<MessageWindow> window_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::mutex mutex_;
    std::vector<WindowMessage> received_;
};

} // namespace tw::test
