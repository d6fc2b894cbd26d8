#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tw {

// The copy-data identifier under which the client takes a now-playing text.
inline constexpr std::uint32_t kNowPlayingCopyDataId = 1351;
// The block is always 128 UTF-16 code units (little-endian): at most 127 of text and a zero.
inline constexpr std::size_t kNowPlayingUnits = 128;
inline constexpr std::size_t kNowPlayingBytes = kNowPlayingUnits * 2;

using NowPlayingBuffer = std::array<std::uint8_t, kNowPlayingBytes>;

// The category shown with a personal message for an entry's icon index: "Office" for 1,
// "Music" for 2, "Games" for 3, empty for anything else.
std::string NowPlayingCategory(int icon);

// The now-playing text. Its fields are separated by the two characters backslash and zero:
// "vkt", category, "1" or "0" (enabled), the format "{2}", then the URL, an empty field, the
// message and an empty field. The format makes the client show the message.
std::string NowPlayingText(const std::string& category, const std::string& message, bool enabled,
                           const std::string& url);

// The UTF-8 text converted to the client's UTF-16 block. A text that needs more than 127 code
// units is not cut short but replaced by the empty text, so the client never shows half a
// message. Invalid UTF-8 sequences become U+FFFD.
NowPlayingBuffer EncodeNowPlaying(const std::string& text);

// The now-playing text held in a block, as UTF-8: the code units up to the first zero (or all
// of them). Unpaired surrogates become U+FFFD. Blocks of another size than kNowPlayingBytes
// are refused.
std::optional<std::string> DecodeNowPlayingBlock(std::span<const std::uint8_t> block);

// A now-playing text taken apart, as a client reads it.
struct NowPlayingFields {
    std::string application; // "vkt" from this program
    std::string category;
    bool enabled = false;
    std::string format;              // e.g. "{2}"
    std::vector<std::string> values; // the fields after the format
    // The URL is the first value; the shown text is the format with each {n} replaced by the
    // n-th value.
    std::string Url() const;
    std::string ShownText() const;
};

// Splits a now-playing text at its separators. Returns nothing for an empty text and for a
// text without the four leading fields.
std::optional<NowPlayingFields> ParseNowPlaying(const std::string& text);

} // namespace tw
