#include "core/main/uStatusText.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

TEST(StatusTextTest, EveryCodeHasItsLabelWord) {
    const std::vector<std::string> words = {"Offline", "Online",    "Busy",         "Be right back",
                                            "Away",    "In a call", "Out to lunch", "Offline"};
    for (std::size_t code = 0; code < words.size(); ++code) {
        EXPECT_EQ(StateLabelText(static_cast<TMsnState>(code)), words[code]) << code;
    }
}

TEST(StatusTextTest, LongNamesAreShortenedByCharacters) {
    const std::string name24 = "abcdefghijklmnopqrstuvwx";
    // 25 characters of two bytes each: cutting by bytes would split one.
    std::string umlauts;
    for (int i = 0; i < 25; ++i) {
        umlauts += "\xC3\xA4";
    }
    const std::vector<std::pair<std::string, std::string>> cases = {
        {name24, name24},
        {name24 + "y", "abcdefghijklmnopqrstuvw..."},
        {umlauts, umlauts.substr(0, 46) + "..."},
        {umlauts.substr(0, 48), umlauts.substr(0, 48)},
        {"", ""},
    };
    for (const auto& [name, shown] : cases) {
        EXPECT_EQ(FriendlyNameDisplayForm(name), shown) << name;
    }
}

TEST(StatusTextTest, LabelFollowsNameAndStatus) {
    TFriendlyNameLabel label;
    EXPECT_FALSE(label.Set());

    label.NameChanged("Alice");
    EXPECT_EQ(label.Text(), "Alice");
    EXPECT_FALSE(label.Red());
    label.StateChanged(2);
    EXPECT_EQ(label.Text(), "Alice(Busy)");

    const std::string longName = "Alice in Wonderland, Queen";
    label.NameChanged(longName);
    EXPECT_EQ(label.Text(), "Alice in Wonderland, Qu...(Busy)");
    EXPECT_EQ(label.Hint(), longName);
}

TEST(StatusTextTest, SigningOutAsksToSignIn) {
    TFriendlyNameLabel label;
    label.NameChanged("Alice");
    label.StateChanged(1);
    // The link reports status 0 first, then the empty name.
    label.StateChanged(0);
    EXPECT_EQ(label.Text(), "Alice(Offline)");
    EXPECT_FALSE(label.Red());
    label.NameChanged("");
    EXPECT_EQ(label.Text(), kSignInPrompt);
    EXPECT_TRUE(label.Red());
    EXPECT_EQ(label.Hint(), "");
    // A status without a name keeps the prompt.
    label.StateChanged(1);
    EXPECT_EQ(label.Text(), kSignInPrompt);
    EXPECT_TRUE(label.Red());
}

TEST(StatusTextTest, DropDownListsHoldEachValueOnceInOrderOfFirstUse) {
    const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> cases = {
        {{"a", "", "b", "a"}, {"a", "b"}},
        {{"b", "A", "a", "b"}, {"b", "A", "a"}},
        {{"", ""}, {}},
    };
    for (const auto& [values, items] : cases) {
        THeadArray messages(values.size());
        THeadArray urls(values.size());
        for (std::size_t i = 0; i < values.size(); ++i) {
            messages[i].PersonalMsg = values[i];
            urls[i].PersonalURL = values[i];
        }
        EXPECT_EQ(DropDownItems(messages, &THeadRec::PersonalMsg), items);
        EXPECT_EQ(DropDownItems(urls, &THeadRec::PersonalURL), items);
        EXPECT_TRUE(DropDownItems(messages, &THeadRec::PersonalURL).empty());
    }
}

} // namespace
} // namespace tw
