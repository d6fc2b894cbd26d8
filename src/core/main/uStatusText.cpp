#include "core/main/uStatusText.h"

#include <algorithm>
#include <array>

namespace tw {
namespace {

constexpr std::array<std::string_view, 7> kStateTexts = {
    "Offline", "Online", "Busy", "Be right back", "Away", "In a call", "Out to lunch"};

constexpr std::size_t kMaxWholeName = 24;
constexpr std::size_t kShortenedName = 23;

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Byte length of the first `count` code points of `text` (all of it when shorter).
std::size_t PrefixBytes(std::string_view text, std::size_t count) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!IsContinuationByte(text[i]) && seen++ == count) {
            return i;
        }
    }
    return text.size();
}

} // namespace

std::string StateLabelText(TMsnState state) {
    return std::string(state < kStateTexts.size() ? kStateTexts[state] : kStateTexts[0]);
}

std::string FriendlyNameDisplayForm(std::string_view name) {
    if (PrefixBytes(name, kMaxWholeName) == name.size()) {
        return std::string(name);
    }
    return std::string(name.substr(0, PrefixBytes(name, kShortenedName))) + "...";
}

void TFriendlyNameLabel::NameChanged(std::string_view name) {
    set_ = true;
    displayName_ = FriendlyNameDisplayForm(name);
    hint_ = std::string(name);
    red_ = displayName_.empty();
    text_ = red_ ? std::string(kSignInPrompt) : displayName_ + suffix_;
}

void TFriendlyNameLabel::StateChanged(TMsnState state) {
    suffix_ = "(" + StateLabelText(state) + ")";
    // Without a name the label keeps asking the user to sign in; a bare "(Online)" would
    // say nothing.
    if (!displayName_.empty()) {
        set_ = true;
        text_ = displayName_ + suffix_;
    }
}

std::vector<std::string> DropDownItems(const THeadArray& heads, std::string THeadRec::*field) {
    std::vector<std::string> items;
    for (const THeadRec& head : heads) {
        const std::string& value = head.*field;
        if (!value.empty() && std::find(items.begin(), items.end(), value) == items.end()) {
            items.push_back(value);
        }
    }
    return items;
}

} // namespace tw
