#include "ServicePages.h"

#include "core/online/WebText.h"

#include <algorithm>

namespace tw::service {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string Page(std::string_view title, std::string_view body) {
    const std::string heading = HtmlEscapeText(title);
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + heading +
           "</title></head>\n<body>\n<h1>" + heading + "</h1>\n" + std::string(body) +
           "</body></html>\n";
}

} // namespace

bool PercentDecode(std::string_view text, std::string& decoded) {
    decoded.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded += text[i];
            continue;
        }
        const int high = i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
        if (low < 0)
            return false;
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

std::string PercentEncode(std::string_view text) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string result;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~') {
            result += c;
        } else {
            result += '%';
            result += digits[byte >> 4];
            result += digits[byte & 0x0F];
        }
    }
    return result;
}

std::string SearchPage(std::string_view keywords, const std::vector<std::string>& names, int start,
                       std::string_view pictureBase) {
    const std::string query = "/search?q=" + FormEncode(keywords);
    const std::size_t first = static_cast<std::size_t>(std::max(start, 1) - 1);
    const std::size_t last = std::min(names.size(), first + PageSize);
    std::string body = "<p>" + std::to_string(names.size()) + " pictures";
    if (first < last)
        body += ", " + std::to_string(first + 1) + " to " + std::to_string(last) + " shown";
    body += ".</p>\n";
    // The addresses are percent-encoded, so they hold no quote, angle bracket or ampersand.
    for (std::size_t i = first; i < last; ++i) {
        const std::string address = std::string(pictureBase) + PercentEncode(names[i]);
        body += "<a href=\"/imgres?imgurl=" + address + "&imgrefurl=" + query + "\"><img src=\"" +
                address + "\" alt=\"" + HtmlEscapeAttribute(names[i]) + "\" width=\"120\"></a>\n";
    }
    const std::string previous = std::to_string(first >= PageSize ? first - PageSize + 1 : 1);
    body += "<p><a href=\"/imgres?imgurl=&imgrefurl=" + query + "&start=" + previous +
            "\">Previous</a> <a href=\"/imgres?imgurl=&imgrefurl=" + query +
            "&start=" + std::to_string(first + PageSize + 1) + "\">Next</a></p>\n";
    return Page("Pictures for " + std::string(keywords), body);
}

std::string HomePage() {
    return Page("Tilewick local service",
                "<p>Picture search: <code>/search?q=words&amp;start=n</code>; pictures under "
                "<code>/pictures/</code>; update replies under <code>/update/</code>.</p>\n");
}

} // namespace tw::service
