#include "core/online/WebText.h"

#include "core/app/uUtils.h"

namespace tw {
namespace {

bool StaysInForm(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return std::string_view("!$'()*-.@_").find(static_cast<char>(c)) != std::string_view::npos;
}

// The character reference of `c`, or nothing when it needs none.
std::string_view Reference(char c, bool attribute) {
    switch (c) {
    case '&':
        return "&amp;";
    case '<':
        return "&lt;";
    case '>':
        return "&gt;";
    case '"':
        return "&quot;";
    case '\'':
        return "&#39;";
    default:
        break;
    }
    if (!attribute)
        return {};
    switch (c) {
    case '`':
        return "&#96;";
    case '\t':
        return "&#9;";
    case '\n':
        return "&#10;";
    case '\r':
        return "&#13;";
    default:
        return {};
    }
}

std::string Escape(std::string_view text, bool attribute) {
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        const std::string_view reference = Reference(c, attribute);
        if (reference.empty())
            result += c;
        else
            result += reference;
    }
    return result;
}

} // namespace

std::string FormEncode(std::string_view text) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (StaysInForm(byte)) {
            result += c;
        } else if (c == ' ') {
            result += '+';
        } else {
            result += '%';
            result += digits[byte >> 4];
            result += digits[byte & 0x0F];
        }
    }
    return result;
}

std::string HtmlEscapeText(std::string_view text) {
    return Escape(text, false);
}

std::string HtmlEscapeAttribute(std::string_view text) {
    return Escape(text, true);
}

bool IsWebAddress(std::string_view address) {
    std::string_view rest;
    if (StartsWithText(address, "http://"))
        rest = address.substr(7);
    else if (StartsWithText(address, "https://"))
        rest = address.substr(8);
    else
        return false;
    for (const char c : address)
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F)
            return false;
    const auto hostEnd = rest.find_first_of("/?#");
    return (hostEnd == std::string_view::npos ? rest.size() : hostEnd) > 0;
}

} // namespace tw
