#pragma once

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace tw::test {

// Gives each test a fresh, private XDG_RUNTIME_DIR and removes it afterwards.
class RuntimeFixture : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "tw-rt-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        if (old != nullptr) {
            saved_ = old;
        }
        ::setenv("XDG_RUNTIME_DIR", root_.c_str(), 1);
    }

    void TearDown() override {
        if (saved_) {
            ::setenv("XDG_RUNTIME_DIR", saved_->c_str(), 1);
        } else {
            ::unsetenv("XDG_RUNTIME_DIR");
        }
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    std::filesystem::path BusFolder() const { return root_ / "tilewick" / "bus"; }

    std::filesystem::path root_;

private:
    std::optional<std::string> saved_;
};

} // namespace tw::test
