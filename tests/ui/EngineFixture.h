#pragma once

#include "core/app/uSettings.h"
#include "ui/app/uEngineServices.h"

#include <QWidget>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

// Readable failure messages for texts of the windows.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace tw::test {

// An engine window over a program folder and data folders of its own under the temporary
// folder, a main window named as the program's, and a scripted answerer of message boxes.
class EngineFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a file below the program folder.
    void WriteProgramFile(const std::filesystem::path& relative, const std::string& text) const;
    std::string ReadFile(const std::filesystem::path& path) const;

    std::filesystem::path Root;
    std::filesystem::path ProgramFolder;
    std::filesystem::path ConfigHome;
    std::unique_ptr<TEngineServices> Engine;
    std::unique_ptr<QWidget> Main;
    // Every box asked, and the answer each gets.
    std::vector<TMessageBoxRequest> Requests;
    TMessageBoxAnswer NextAnswer{mrOK, false};

private:
    std::unique_ptr<TSettings> PreviousSettings;
};

} // namespace tw::test
