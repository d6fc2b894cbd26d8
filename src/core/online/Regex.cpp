#include "core/online/Regex.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

namespace tw {
namespace {

struct CodeDeleter {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataDeleter {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};

std::string ErrorText(int code) {
    PCRE2_UCHAR buffer[256];
    if (pcre2_get_error_message(code, buffer, sizeof buffer) < 0)
        return "regular expression error " + std::to_string(code);
    return reinterpret_cast<const char*>(buffer);
}

} // namespace

struct TRegex::Impl {
    std::unique_ptr<pcre2_code, CodeDeleter> code;
};

TRegex::TRegex(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
TRegex::TRegex(TRegex&&) noexcept = default;
TRegex& TRegex::operator=(TRegex&&) noexcept = default;
TRegex::~TRegex() = default;

std::optional<TRegex> TRegex::Compile(std::string_view pattern, bool caseless, std::string& error) {
    int code = 0;
    PCRE2_SIZE offset = 0;
    auto impl = std::make_unique<Impl>();
    impl->code.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                   caseless ? PCRE2_CASELESS : 0u, &code, &offset, nullptr));
    if (!impl->code) {
        error = ErrorText(code) + " at offset " + std::to_string(offset);
        return std::nullopt;
    }
    return TRegex(std::move(impl));
}

std::optional<TRegexMatch> TRegex::Find(std::string_view subject, std::size_t offset,
                                        std::string& error) const {
    if (offset > subject.size())
        return std::nullopt;
    // An empty view may carry a null pointer, which PCRE2 refuses even with a zero length.
    static constexpr char empty[] = "";
    const char* text = subject.empty() ? empty : subject.data();
    // Match data of its own for every call keeps a shared expression safe to use anywhere.
    const std::unique_ptr<pcre2_match_data, MatchDataDeleter> data(
        pcre2_match_data_create_from_pattern(impl_->code.get(), nullptr));
    if (!data) {
        error = "out of memory";
        return std::nullopt;
    }
    const int rc = pcre2_match(impl_->code.get(), reinterpret_cast<PCRE2_SPTR>(text),
                               subject.size(), offset, 0, data.get(), nullptr);
    if (rc == PCRE2_ERROR_NOMATCH)
        return std::nullopt;
    if (rc < 0) {
        error = ErrorText(rc);
        return std::nullopt;
    }
    const PCRE2_SIZE* vector = pcre2_get_ovector_pointer(data.get());
    const std::uint32_t count = pcre2_get_ovector_count(data.get());
    TRegexMatch match;
    match.Begin = vector[0];
    match.End = vector[1];
    // Groups above the highest one set (rc - 1) took no part in the match.
    for (std::uint32_t i = 0; i < count; ++i) {
        const PCRE2_SIZE begin = vector[2 * i];
        if (static_cast<int>(i) >= rc || begin == PCRE2_UNSET)
            match.Groups.emplace_back();
        else
            match.Groups.emplace_back(subject.substr(begin, vector[2 * i + 1] - begin));
    }
    return match;
}

} // namespace tw
