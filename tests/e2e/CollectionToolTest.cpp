// The collection command-line tool run as a program, as scripts use it.
#include "core/archive/ZipReader.h"
#include "core/image/Codecs.h"
#include "core/image/PictureFixtures.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tw {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using ::testing::HasSubstr;

struct Outcome {
    int code = -1;
    std::string out;
    std::string err;
};

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

std::string Quote(const std::string& arg) {
    std::string quoted = "'";
    for (const char c : arg) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

class CollectionToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("tw-tool-" + std::to_string(::getpid()) + "-" +
                                            std::to_string(std::random_device{}()));
        fs::create_directories(dir_);
        WriteFile(dir_ / "photo.jpg",
                  fixtures::WriteJpeg(fixtures::RandomPicture(640, 480, 1), 90));
        WriteFile(dir_ / "anim.gif", fixtures::WriteGif(fixtures::Pattern(64, 48, 6)));
    }
    void TearDown() override { fs::remove_all(dir_); }

    Outcome Tool(const std::vector<std::string>& args) {
        std::string command = Quote(TILEWICK_COLLECTION_TOOL);
        for (const std::string& arg : args) {
            command.append(" ").append(Quote(arg));
        }
        command.append(" >").append(Quote((dir_ / "out.txt").string()));
        command.append(" 2>").append(Quote((dir_ / "err.txt").string())).append(" </dev/null");
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(dir_ / "out.txt"),
                Slurp(dir_ / "err.txt")};
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

TEST_F(CollectionToolTest, AddsShowsChangesAndExports) {
    const Outcome add =
        Tool({"add", Path("c.vkt"), Path("photo.jpg"), Path("missing.png"), Path("anim.gif")});
    EXPECT_EQ(add.code, 1) << "one picture could not be added";
    EXPECT_THAT(add.err, HasSubstr("missing.png"));
    EXPECT_THAT(add.out, HasSubstr("Added 2 of 3"));

    const Outcome set = Tool(
        {"set", Path("c.vkt"), "0", "--state", "1", "--message", "Hello \"you\"", "--icon", "2"});
    EXPECT_EQ(set.code, 0) << set.err;

    const Outcome info = Tool({"info", Path("c.vkt")});
    EXPECT_EQ(info.code, 0) << info.err;
    EXPECT_THAT(info.out, HasSubstr("Entries: 2\n"));
    EXPECT_THAT(info.out, HasSubstr("Entry 0\n  ReadOnly=0\n  ImageID=0\n  State=1\n"
                                    "  PersonalMsg=Hello \"you\"\n  PersonalURL=\n"
                                    "  PersonalIcon=2\n  ImagePos.X=171\n"));
    EXPECT_THAT(info.out, HasSubstr("Slot 1: .bmp, bmp, 64 x 48"));

    const Outcome json = Tool({"info", Path("c.vkt"), "--json"});
    ASSERT_EQ(json.code, 0) << json.err;
    WriteFile(dir_ / "info.json", Bytes(json.out.begin(), json.out.end()));
    EXPECT_EQ(std::system(("python3 -c \"import json,sys; d=json.load(open(sys.argv[1])); "
                           "sys.exit(not (d['entries'][0]['PersonalMsg']=='Hello \\\"you\\\"' and "
                           "d['entries'][1]['Scale']==200 and d['slots'][0]['width']==640))\" " +
                           Quote(Path("info.json")))
                              .c_str()),
              0)
        << json.out;

    const Outcome exported = Tool({"export", Path("c.vkt"), "1", Path("one.bmp")});
    ASSERT_EQ(exported.code, 0) << exported.err;
    const std::string bmp = Slurp(dir_ / "one.bmp");
    const ZipReader archive = ZipReader::Open(dir_ / "c.vkt");
    const Bytes plain = archive.Read(*archive.Find("4_ImageList.bmp"));
    EXPECT_EQ(Bytes(bmp.begin(), bmp.end()), plain) << "entry 1's plain thumbnail";
}

TEST_F(CollectionToolTest, RefusesBadCommandLinesAndLeavesTheFileAlone) {
    ASSERT_EQ(Tool({"add", Path("c.vkt"), Path("photo.jpg")}).code, 0);
    const std::string before = Slurp(dir_ / "c.vkt");
    const struct {
        std::vector<std::string> args;
        int code;
        const char* message;
    } cases[] = {
        {{}, 2, "Usage: tilewick-collection COMMAND"},
        {{"frobnicate"}, 2, "unknown command"},
        {{"set", Path("c.vkt"), "0", "--state", "7"}, 2, "--state must be"},
        {{"set", Path("c.vkt"), "3", "--state", "1"}, 2, "INDEX must be"},
        {{"set", Path("c.vkt"), "0", "--colour", "red"}, 2, "unknown option --colour"},
        {{"set", Path("c.vkt"), "0"}, 2, "at least one of"},
        {{"export", Path("c.vkt"), "x", Path("o.bmp")}, 2, "INDEX must be"},
        {{"info", Path("nothing.vkt")}, 1, "No such file"},
        {{"add", Path("photo.jpg"), Path("anim.gif")}, 1, "Not a ZIP archive"},
    };
    for (const auto& c : cases) {
        const Outcome run = Tool(c.args);
        EXPECT_EQ(run.code, c.code) << c.message;
        EXPECT_THAT(run.err, HasSubstr(c.message));
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
    EXPECT_EQ(Slurp(dir_ / "c.vkt"), before);
    for (const std::string command : {"info", "add", "export", "set", "check"}) {
        const Outcome help = Tool({command, "--help"});
        EXPECT_EQ(help.code, 0);
        EXPECT_THAT(help.out, HasSubstr("Usage: tilewick-collection " + command));
    }
}

TEST_F(CollectionToolTest, CheckFindsFaults) {
    ASSERT_EQ(Tool({"add", Path("c.vkt"), Path("photo.jpg")}).code, 0);
    const Outcome good = Tool({"check", Path("c.vkt")});
    EXPECT_EQ(good.code, 0) << good.err;
    EXPECT_THAT(good.out, HasSubstr("OK"));

    // The JPEG's CRC in its central directory record, where its name appears last.
    std::string bytes = Slurp(dir_ / "c.vkt");
    bytes[bytes.rfind("0_Image.jpg") - 46 + 16] ^= 0x01;
    WriteFile(dir_ / "crc.vkt", Bytes(bytes.begin(), bytes.end()));
    const Outcome crc = Tool({"check", Path("crc.vkt")});
    EXPECT_EQ(crc.code, 1);
    EXPECT_THAT(crc.err, HasSubstr("CRC"));

    ASSERT_EQ(std::system(("cd " + Quote(dir_.string()) +
                           " && cp c.vkt gap.vkt && zip -q -d gap.vkt 2_ImageList.bmp")
                              .c_str()),
              0);
    const Outcome gap = Tool({"check", Path("gap.vkt")});
    EXPECT_EQ(gap.code, 1);
    EXPECT_THAT(gap.err, HasSubstr("entry 0 lacks its thumbnail 2"));
}

} // namespace
} // namespace tw
