#include "platform/Processes.h"

#include "support/RuntimeFixture.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tw {
namespace {

using Args = std::vector<std::string>;

TEST(SplitCommandLineTest, SplitsAtBlanksAndKeepsQuotedParts) {
    const struct {
        std::string line;
        Args args;
    } cases[] = {
        {"", {}},
        {"   ", {}},
        {"prog", {"prog"}},
        {"\"/opt/my app/tilewick\" -r", {"/opt/my app/tilewick", "-r"}},
        {"  a \t b  ", {"a", "b"}},
        {"iexplore.exe -nohome", {"iexplore.exe", "-nohome"}},
        {"x \"\" y", {"x", "", "y"}},
        {"'single quoted' it's\"q\"", {"single quoted", "its\"q\""}},
        {"C:\\dir\\a.exe \\s", {"C:\\dir\\a.exe", "\\s"}},
        {"unterminated \"rest of it", {"unterminated", "rest of it"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SplitCommandLine(c.line), c.args) << c.line;
    }
}

// A folder holding a program that records its arguments, one file per run.
class ProcessesTest : public test::RuntimeFixture {
protected:
    void SetUp() override {
        RuntimeFixture::SetUp();
        recorder_ = root_ / "recorder";
        WriteScript(recorder_, "printf '%s\\0' \"$@\" > \"$0.$$.tmp\"\n"
                               "echo $PPID > \"$0.$$.parent\"\n"
                               "mv \"$0.$$.tmp\" \"$0.$$.args\"\n");
    }

    static void WriteScript(const std::filesystem::path& path, const std::string& body) {
        std::ofstream(path) << "#!/bin/sh\n" << body;
        ::chmod(path.c_str(), 0755);
    }

    // Waits for the one run of a recorder script and gives its arguments and parent.
    static std::pair<Args, pid_t> Recorded(const std::filesystem::path& script) {
        while (true) {
            for (const auto& entry : std::filesystem::directory_iterator(script.parent_path())) {
                const auto name = entry.path().filename().string();
                if (entry.path().extension() == ".args" &&
                    name.rfind(script.filename().string() + ".", 0) == 0) {
                    std::ifstream in(entry.path(), std::ios::binary);
                    const std::string all{std::istreambuf_iterator<char>(in), {}};
                    Args args;
                    std::string current;
                    for (const char c : all) {
                        if (c == '\0') {
                            args.push_back(std::move(current));
                            current.clear();
                        } else {
                            current += c;
                        }
                    }
                    auto parentFile = entry.path();
                    parentFile.replace_extension(".parent");
                    pid_t parent = 0;
                    std::ifstream(parentFile) >> parent;
                    std::filesystem::remove(entry.path());
                    return {args, parent};
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    std::filesystem::path recorder_;
};

TEST_F(ProcessesTest, RunProgramStartsADetachedProcessWithItsArguments) {
    ASSERT_TRUE(RunProgram("\"" + recorder_.string() + "\" -r \"two words\" \\autorun"));
    const auto [args, parent] = Recorded(recorder_);
    EXPECT_EQ(args, (Args{"-r", "two words", "\\autorun"}));
    EXPECT_NE(parent, ::getpid());
    // Nothing is left for us to reap.
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
}

TEST_F(ProcessesTest, StartingWhatIsNotAProgramFails) {
    const auto plain = root_ / "plain.txt";
    std::ofstream(plain) << "not a program";
    const auto broken = root_ / "broken";
    std::ofstream(broken) << "#!/nonexistent/interpreter\n";
    ::chmod(broken.c_str(), 0755);
    for (const auto& line : {std::string(), (root_ / "missing").string(), plain.string(),
                             broken.string(), std::string("no-such-program-anywhere-xyz")}) {
        EXPECT_FALSE(RunProgram(line)) << line;
    }
}

TEST_F(ProcessesTest, OpenInBrowserPassesTheAddressAsOneArgument) {
    const std::string tricky = "http://127.0.0.1/a?q=\" --evil \"&x=%s";
    const struct {
        std::string browser;
        std::string url;
        Args args;
    } cases[] = {
        {recorder_.string() + " -nohome", "page.htm", {"-nohome", "page.htm"}},
        {recorder_.string() + " --url=%s -x",
         "http://127.0.0.1/",
         {"--url=http://127.0.0.1/", "-x"}},
        {recorder_.string() + " %1 %S", "u", {"u", "u"}},
        {recorder_.string(), tricky, {tricky}},
        {recorder_.string() + " %s", tricky, {tricky}},
        {"no-such-browser-xyz %s:" + recorder_.string(), "page.htm", {"page.htm"}},
    };
    for (const auto& c : cases) {
        ::setenv("BROWSER", c.browser.c_str(), 1);
        ASSERT_TRUE(OpenInBrowser(c.url)) << c.browser;
        EXPECT_EQ(Recorded(recorder_).first, c.args) << c.browser;
    }
    ::unsetenv("BROWSER");
}

TEST_F(ProcessesTest, OpenInBrowserFallsBackToXdgOpen) {
    const auto bin = root_ / "bin";
    std::filesystem::create_directory(bin);
    WriteScript(bin / "xdg-open", "printf '%s\\0' \"$@\" > \"$0.$$.tmp\"\n"
                                  "mv \"$0.$$.tmp\" \"$0.$$.args\"\n");
    const std::string oldPath = std::getenv("PATH");
    ::setenv("PATH", (bin.string() + ":" + oldPath).c_str(), 1);
    ::unsetenv("BROWSER");
    const bool opened = OpenInBrowser("http://127.0.0.1:8080/help");
    ::setenv("PATH", oldPath.c_str(), 1);
    ASSERT_TRUE(opened);
    EXPECT_EQ(Recorded(bin / "xdg-open").first, Args{"http://127.0.0.1:8080/help"});
}

TEST_F(ProcessesTest, OpenInBrowserRefusesWhatCannotBeAnAddress) {
    ::setenv("BROWSER", recorder_.c_str(), 1);
    EXPECT_FALSE(OpenInBrowser(""));
    EXPECT_FALSE(OpenInBrowser("--remote-debugging-port=1"));
    ::setenv("BROWSER", "no-such-browser-xyz:also-missing-xyz", 1);
    EXPECT_FALSE(OpenInBrowser("http://127.0.0.1/"));
    ::unsetenv("BROWSER");
}

} // namespace
} // namespace tw
