#pragma once

#include "core/collection/uMsnHeadManager.h"
#include "core/image/Codecs.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tw::testing {

inline Picture Uniform(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    Picture picture(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = picture.Row(y) + x * 3;
            p[0] = r;
            p[1] = g;
            p[2] = b;
        }
    }
    return picture;
}

inline const std::uint8_t* Pixel(const Picture& picture, int x, int y) {
    return picture.Row(y) + x * 3;
}

inline void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

inline std::filesystem::path DataFile(const std::string& name) {
    return std::filesystem::path(TILEWICK_TEST_DATA) / "collection" / name;
}

// A fresh folder per test, removed afterwards.
class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = std::filesystem::temp_directory_path() /
                  (std::string("tilewick-") + info->test_suite_name() + "-" + info->name());
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    // A BMP file of `picture` in the test's folder.
    std::filesystem::path WriteBmp(const std::string& name, const Picture& picture) const {
        const auto path = folder_ / name;
        WriteBytes(path, EncodeBmp24(picture));
        return path;
    }

    std::filesystem::path folder_;
};

// The editor window, played by the test: `onEdit` may change the model; the result is whether
// it "closed with OK".
class FakeHeadEditor : public IHeadEditor {
public:
    std::function<bool(THeadEditModel&)> onEdit = [](THeadEditModel&) { return true; };
    int calls = 0;

    bool EditInteractive(THeadEditModel& model) override {
        ++calls;
        return onEdit(model);
    }
};

} // namespace tw::testing
