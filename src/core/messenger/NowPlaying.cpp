#include "core/messenger/NowPlaying.h"

#include <string_view>

namespace tw {
namespace {

constexpr std::string_view kSeparator = "\\0";
constexpr char32_t kReplacement = 0xFFFD;

// Decodes the UTF-8 sequence at text[pos], advancing pos. A malformed or overlong sequence, a
// surrogate or a value beyond U+10FFFF yields U+FFFD and skips one byte.
char32_t NextCodePoint(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    std::size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        ++pos;
        return kReplacement;
    }
    if (pos + length > text.size()) {
        ++pos;
        return kReplacement;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return kReplacement;
        }
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        ++pos;
        return kReplacement;
    }
    pos += length;
    return value;
}

std::u16string ToUtf16(std::string_view text) {
    std::u16string units;
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t cp = NextCodePoint(text, pos);
        if (cp < 0x10000) {
            units.push_back(static_cast<char16_t>(cp));
        } else {
            units.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        }
    }
    return units;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string ToUtf8(std::u16string_view units) {
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t unit = units[i];
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else if (high || low) {
            AppendUtf8(out, kReplacement);
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

std::vector<std::string> SplitFields(std::string_view text) {
    std::vector<std::string> fields;
    for (;;) {
        const std::size_t at = text.find(kSeparator);
        fields.emplace_back(text.substr(0, at));
        if (at == std::string_view::npos) {
            return fields;
        }
        text.remove_prefix(at + kSeparator.size());
    }
}

} // namespace

std::string NowPlayingCategory(int icon) {
    switch (icon) {
    case 1:
        return "Office";
    case 2:
        return "Music";
    case 3:
        return "Games";
    default:
        return {};
    }
}

std::string NowPlayingText(const std::string& category, const std::string& message, bool enabled,
                           const std::string& url) {
    const std::string sep(kSeparator);
    return "vkt" + sep + category + sep + (enabled ? "1" : "0") + sep + "{2}" + sep + url + sep +
           sep + message + sep + sep;
}

NowPlayingBuffer EncodeNowPlaying(const std::string& text) {
    NowPlayingBuffer block{};
    const std::u16string units = ToUtf16(text);
    if (units.size() >= kNowPlayingUnits) {
        return block; // too long: the client gets the empty text
    }
    for (std::size_t i = 0; i < units.size(); ++i) {
        block[2 * i] = static_cast<std::uint8_t>(units[i] & 0xFF);
        block[2 * i + 1] = static_cast<std::uint8_t>(units[i] >> 8);
    }
    return block;
}

std::optional<std::string> DecodeNowPlayingBlock(std::span<const std::uint8_t> block) {
    if (block.size() != kNowPlayingBytes) {
        return std::nullopt;
    }
    std::u16string units;
    for (std::size_t i = 0; i < kNowPlayingUnits; ++i) {
        const auto unit = static_cast<char16_t>(block[2 * i] | (block[2 * i + 1] << 8));
        if (unit == 0) {
            break;
        }
        units.push_back(unit);
    }
    return ToUtf8(units);
}

std::string NowPlayingFields::Url() const {
    return values.empty() ? std::string() : values[0];
}

std::string NowPlayingFields::ShownText() const {
    std::string shown;
    for (std::size_t pos = 0; pos < format.size();) {
        const std::size_t close = format.find('}', pos);
        if (format[pos] == '{' && close != std::string::npos && close > pos + 1) {
            const std::string_view digits(format.data() + pos + 1, close - pos - 1);
            if (digits.find_first_not_of("0123456789") == std::string_view::npos &&
                digits.size() <= 2) {
                const auto index = static_cast<std::size_t>(std::stoi(std::string(digits)));
                if (index < values.size()) {
                    shown += values[index];
                }
                pos = close + 1;
                continue;
            }
        }
        shown.push_back(format[pos]);
        ++pos;
    }
    return shown;
}

std::optional<NowPlayingFields> ParseNowPlaying(const std::string& text) {
    std::vector<std::string> fields = SplitFields(text);
    if (fields.size() < 4) {
        return std::nullopt;
    }
    NowPlayingFields parsed;
    parsed.application = fields[0];
    parsed.category = fields[1];
    parsed.enabled = fields[2] == "1";
    parsed.format = fields[3];
    parsed.values.assign(std::make_move_iterator(fields.begin() + 4),
                         std::make_move_iterator(fields.end()));
    return parsed;
}

} // namespace tw
