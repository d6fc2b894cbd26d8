#include "core/messenger/NowPlaying.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

std::u16string Units(const NowPlayingBuffer& block) {
    std::u16string units;
    for (std::size_t i = 0; i < kNowPlayingUnits; ++i) {
        units.push_back(static_cast<char16_t>(block[2 * i] | (block[2 * i + 1] << 8)));
    }
    return units;
}

TEST(NowPlayingText, JoinsTheFieldsWithLiteralBackslashZero) {
    struct Case {
        std::string message, url;
        int icon;
        std::string expected;
    };
    const Case cases[] = {
        {"Hi", "", 0, R"(vkt\0\00\0{2}\0\0\0Hi\0\0)"},
        {"Hi", "", 2, R"(vkt\0Music\01\0{2}\0\0\0Hi\0\0)"},
        {"Busy day", "http://a.example/x", 1,
         R"(vkt\0Office\01\0{2}\0http://a.example/x\0\0Busy day\0\0)"},
        {"", "", 3, R"(vkt\0Games\01\0{2}\0\0\0\0\0)"},
        // Outside the box's range: enabled, but no category.
        {"x", "", 7, R"(vkt\0\01\0{2}\0\0\0x\0\0)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(NowPlayingText(NowPlayingCategory(c.icon), c.message, c.icon != 0, c.url),
                  c.expected);
    }
}

TEST(NowPlayingBlock, HoldsAtMost127UnitsAndAZeroElseNothing) {
    struct Case {
        std::string text;
        std::u16string expected; // units before the zero
    };
    const std::string a127(127, 'a');
    const std::string a126(126, 'a');
    const Case cases[] = {
        {"", u""},
        {"vkt", u"vkt"},
        {a127, std::u16string(127, u'a')},
        {a127 + "a", u""},
        // Two bytes of UTF-8, one unit: 127 of them fit.
        {[] {
             std::string s;
             for (int i = 0; i < 127; ++i)
                 s += "\xC3\xA9";
             return s;
         }(),
         std::u16string(127, u'\u00E9')},
        // A character outside the basic plane takes two units; the 128th unit does not fit.
        {a126 + "\xF0\x9F\x98\x80", u""},
        {"a\xF0\x9F\x98\x80", u"a\xD83D\xDE00"},
        // Invalid UTF-8 is replaced, never dropped silently.
        {"a\xFF"
         "b\xC3",
         u"a\uFFFDb\uFFFD"},
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.size());
        const NowPlayingBuffer block = EncodeNowPlaying(c.text);
        const std::u16string units = Units(block);
        EXPECT_EQ(units.substr(0, c.expected.size()), c.expected);
        // Everything after the text is zero, so nothing stale reaches the client.
        EXPECT_EQ(units.substr(c.expected.size()),
                  std::u16string(kNowPlayingUnits - c.expected.size(), u'\0'));
    }
}

TEST(NowPlayingBlock, TwoHundredCharacterMessageArrivesEmpty) {
    const std::string text = NowPlayingText("", std::string(200, 'm'), false, "");
    EXPECT_EQ(DecodeNowPlayingBlock(EncodeNowPlaying(text)), std::optional<std::string>(""));
}

TEST(NowPlayingBlock, DecodesWhatWasEncoded) {
    const std::string text = NowPlayingText("Music", "Caf\xC3\xA9 \xF0\x9F\x98\x80", true, "u");
    EXPECT_EQ(DecodeNowPlayingBlock(EncodeNowPlaying(text)), std::optional<std::string>(text));

    std::vector<std::uint8_t> wrongSize(kNowPlayingBytes - 2, 0x41);
    EXPECT_EQ(DecodeNowPlayingBlock(wrongSize), std::nullopt);

    // A block without a terminating zero and with an unpaired surrogate still decodes safely.
    std::vector<std::uint8_t> full(kNowPlayingBytes, 0x41);
    full[0] = 0x00;
    full[1] = 0xD8;
    const auto decoded = DecodeNowPlayingBlock(full);
    ASSERT_TRUE(decoded);
    std::string expected = "\xEF\xBF\xBD";
    for (int i = 1; i < 128; ++i) {
        expected += "\xE4\x85\x81"; // U+4141
    }
    EXPECT_EQ(*decoded, expected);
}

TEST(NowPlayingParse, FindsCategoryUrlAndShownMessage) {
    struct Case {
        std::string text;
        bool valid;
        std::string category;
        bool enabled;
        std::string url, shown;
    };
    const Case cases[] = {
        {NowPlayingText("Music", "Hi", true, "http://x"), true, "Music", true, "http://x", "Hi"},
        {NowPlayingText("", "Hi", false, ""), true, "", false, "", "Hi"},
        {R"(app\0Games\01\0{0} - {1}\0Title\0Artist)", true, "Games", true, "Title",
         "Title - Artist"},
        {R"(app\0\00\0{9}{x}\0v)", true, "", false, "v", "{x}"},
        {"", false, "", false, "", ""},
        {R"(vkt\0Music\01)", false, "", false, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto fields = ParseNowPlaying(c.text);
        ASSERT_EQ(fields.has_value(), c.valid);
        if (!fields) {
            continue;
        }
        EXPECT_EQ(fields->category, c.category);
        EXPECT_EQ(fields->enabled, c.enabled);
        EXPECT_EQ(fields->Url(), c.url);
        EXPECT_EQ(fields->ShownText(), c.shown);
    }
}

} // namespace
} // namespace tw
