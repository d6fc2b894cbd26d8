#pragma once

#include "core/app/TestSupport.h"
#include "core/app/uSettings.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace tw::test {

// A settings store over a temporary program folder whose "const.dat" the test writes, with
// the data folders in the same temporary tree.
class OnlineFixture : public ::testing::Test {
protected:
    // Makes a fresh store over `constants` (the lines after "[const]").
    TSettings& UseConstants(const std::string& constants) {
        MakeFile(Program() + "const.dat", "[const]\n" + constants);
        settings_ = std::make_unique<TSettings>(Program());
        settings_->SelectDataFolder(false);
        return *settings_;
    }

    std::string Program() const { return root_.Slashed() + "program/"; }
    std::string Root() const { return root_.Slashed(); }
    TSettings& Store() { return *settings_; }

private:
    TempFolder root_;
    ScopedEnv config_{"XDG_CONFIG_HOME", root_.Slashed() + "config"};
    ScopedEnv common_{"TILEWICK_COMMON_APPDATA", root_.Slashed() + "common"};
    std::unique_ptr<TSettings> settings_;
};

} // namespace tw::test
