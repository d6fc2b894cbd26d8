#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A compiled Perl-compatible regular expression (PCRE2, 8-bit, byte-wise) that finds matches
// one after another in a text.
namespace tw {

struct TRegexMatch {
    std::size_t Begin = 0;
    std::size_t End = 0;
    // Group 0 is the whole match; a group that took no part in the match is empty.
    std::vector<std::optional<std::string_view>> Groups;
};

class TRegex {
public:
    // The expression compiled, or nothing with the compiler's message in `error`.
    static std::optional<TRegex> Compile(std::string_view pattern, bool caseless,
                                         std::string& error);

    TRegex(TRegex&&) noexcept;
    TRegex& operator=(TRegex&&) noexcept;
    ~TRegex();

    // The first match that starts at `offset` or later. Nothing when there is none; a matcher
    // failure (such as the backtracking limit) also gives nothing and its message in `error`.
    std::optional<TRegexMatch> Find(std::string_view subject, std::size_t offset,
                                    std::string& error) const;

private:
    struct Impl;
    explicit TRegex(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

} // namespace tw
