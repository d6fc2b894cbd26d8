#include "core/online/WebText.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

TEST(WebTextTest, FormEncodeKeepsTheSafeSetOnly) {
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"cute cat", "cute+cat"},
        {"AZaz09!$'()*-.@_", "AZaz09!$'()*-.@_"},
        {"a&b=c+d%e#f/g?h", "a%26b%3dc%2bd%25e%23f%2fg%3fh"},
        {"K\xC3\xA4se", "K%c3%a4se"},
        {"\"<>\t", "%22%3c%3e%09"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormEncode(c.text), c.expected) << c.text;
}

TEST(WebTextTest, EscapingNeutralisesMarkup) {
    const struct {
        const char* text;
        const char* asText;
        const char* asAttribute;
    } cases[] = {
        {"plain", "plain", "plain"},
        {"a&b", "a&amp;b", "a&amp;b"},
        {"\"><script>alert('x')</script>",
         "&quot;&gt;&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;",
         "&quot;&gt;&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;"},
        {"x` onerror=y\t\r\n", "x` onerror=y\t\r\n", "x&#96; onerror=y&#9;&#13;&#10;"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HtmlEscapeText(c.text), c.asText) << c.text;
        EXPECT_EQ(HtmlEscapeAttribute(c.text), c.asAttribute) << c.text;
    }
}

TEST(WebTextTest, OnlyHttpAndHttpsAddressesAreWebAddresses) {
    const struct {
        const char* address;
        bool accepted;
    } cases[] = {
        {"http://127.0.0.1:8765/pictures/cat_1.jpg", true},
        {"HTTPS://example.org", true},
        {"http://host?q=\"<b>\"", true}, // escaped where it lands
        {"javascript:alert(1)", false},
        {"JavaScript://http://x", false},
        {"file:///etc/passwd", false},
        {"vkt:?ACTION=Download", false},
        {"data:image/png;base64,AAAA", false},
        {"http:///path", false},
        {"http://", false},
        {"//host/picture.jpg", false},
        {"http://host/a b.jpg", false},
        {"http://host/a\nb.jpg", false},
        {" http://host/", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsWebAddress(c.address), c.accepted) << c.address;
}

} // namespace
} // namespace tw
