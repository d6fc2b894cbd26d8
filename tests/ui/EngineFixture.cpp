#include "EngineFixture.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace tw::test {

namespace fs = std::filesystem;

void EngineFixture::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    Root = fs::temp_directory_path() / ("tw_engine_" + std::to_string(getpid()) + "_" +
                                        info->test_suite_name() + "_" + info->name());
    fs::remove_all(Root);
    ProgramFolder = Root / "program";
    ConfigHome = Root / "config";
    fs::create_directories(ProgramFolder);
    fs::create_directories(ConfigHome);
    setenv("XDG_CONFIG_HOME", ConfigHome.c_str(), 1);
    setenv("TILEWICK_COMMON_APPDATA", (Root / "common").c_str(), 1);
    WriteProgramFile("const.dat", "[const]\nApp.Ver=4.2.0.0\nApp.ConfigPath=Tilewick\n");

    PreviousSettings = ReplaceSettings(std::make_unique<TSettings>(ProgramFolder.string()));
    Settings().SelectDataFolder(false);

    Engine = std::make_unique<TEngineServices>();
    Engine->SetMessageBoxAnswerer([this](const TMessageBoxRequest& request) {
        Requests.push_back(request);
        return NextAnswer;
    });
    Main = std::make_unique<QWidget>();
    Main->setObjectName(QStringLiteral("frmMainForm"));
    Main->setWindowTitle(QStringLiteral("Tilewick  4.2.0.0"));
}

void EngineFixture::TearDown() {
    Main.reset();
    Engine.reset();
    ReplaceSettings(std::move(PreviousSettings));
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("TILEWICK_COMMON_APPDATA");
    fs::remove_all(Root);
}

void EngineFixture::WriteProgramFile(const fs::path& relative, const std::string& text) const {
    fs::create_directories((ProgramFolder / relative).parent_path());
    std::ofstream(ProgramFolder / relative, std::ios::binary) << text;
}

std::string EngineFixture::ReadFile(const fs::path& path) const {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace tw::test
