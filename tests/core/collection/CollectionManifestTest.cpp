#include "core/collection/CollectionManifest.h"

#include <gtest/gtest.h>
#include <string>

namespace tw {
namespace {

TEST(ManifestWriter, WritesCrLfLinesAndNeutralisesLineBreaksInValues) {
    ManifestWriter w;
    w.Section("Global");
    w.Value("HeadCount", 1LL);
    w.Value("Neg", -5LL);
    w.Value("PersonalMsg", std::string_view("two\r\nlines\n[0]"));
    EXPECT_EQ(w.Text(), "[Global]\r\nHeadCount=1\r\nNeg=-5\r\nPersonalMsg=two  lines [0]\r\n");
}

TEST(ManifestReader, ReadsValuesAsTheProfileFunctionsDo) {
    const std::string longText(3000, 'x');
    const ManifestReader r("[global]\n"
                           "Dec = 42 \r\n"
                           "Hex0x=0x1F\r\n"
                           "HexDollar=$ff\r\n"
                           "HexAll=$FFFFFFFF\r\n"
                           "NegHex=-$10\r\n"
                           "Neg=-7\r\n"
                           "Plus=+7\r\n"
                           "Big=2147483648\r\n"
                           "Min=-2147483648\r\n"
                           "Trailing=12abc\r\n"
                           "Empty=\r\n"
                           "Float=1.5\r\n"
                           "Quoted= \"  hello \" \r\n"
                           "Single='it'\r\n"
                           "Lone=\"half\r\n"
                           "Blanks=   Hello world   \r\n"
                           "dec=99\r\n"
                           "Long=" +
                           longText +
                           "\r\n"
                           "[GLOBAL]\r\n"
                           "Later=5\r\n"
                           "[0]\r\n"
                           "ReadOnly=1\r\n"
                           "Off=0\r\n"
                           "Junk=yes\r\n");
    const struct {
        const char* key;
        int expected;
    } integers[] = {
        {"Dec", 42},        {"Hex0x", 31},      {"HexDollar", 255}, {"HexAll", -1},
        {"NegHex", -16},    {"Neg", -7},        {"Plus", 7},        {"Big", 1234},
        {"Min", INT32_MIN}, {"Trailing", 1234}, {"Empty", 1234},    {"Float", 1234},
        {"Missing", 1234},  {"Later", 5},
    };
    for (const auto& c : integers) {
        EXPECT_EQ(r.ReadInteger("Global", c.key, 1234), c.expected) << c.key;
    }
    EXPECT_EQ(r.ReadString("GLOBAL", "quoted", "?"), "  hello ");
    EXPECT_EQ(r.ReadString("Global", "Single", "?"), "it");
    EXPECT_EQ(r.ReadString("Global", "Lone", "?"), "\"half");
    EXPECT_EQ(r.ReadString("Global", "Blanks", "?"), "Hello world");
    EXPECT_EQ(r.ReadString("Global", "Long", "?"), longText.substr(0, 2047));
    EXPECT_EQ(r.ReadString("Global", "Missing", "def"), "def");
    EXPECT_EQ(r.ReadString("Nowhere", "Dec", "def"), "def");
    EXPECT_TRUE(r.ReadBool("0", "ReadOnly", false));
    EXPECT_FALSE(r.ReadBool("0", "Off", true));
    EXPECT_TRUE(r.ReadBool("0", "Junk", true));
    EXPECT_TRUE(r.HasSection("0"));
    EXPECT_FALSE(r.HasSection("1"));
}

} // namespace
} // namespace tw
