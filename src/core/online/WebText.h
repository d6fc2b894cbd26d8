#pragma once

#include <string>
#include <string_view>

// Making text safe for the places it goes on the web: query values and HTML pages.
namespace tw {

// Form encoding of a query value: letters, digits and ! $ ' ( ) * - . @ _ stay, a space
// becomes "+", every other byte "%" and two lower-case hexadecimal digits.
std::string FormEncode(std::string_view text);

// Text for the content of an HTML element: & < > " ' become character references.
std::string HtmlEscapeText(std::string_view text);

// Text for an HTML attribute value in double or single quotes. Beyond HtmlEscapeText,
// backquotes, tabs and line breaks become character references too, so that the value can
// neither end its attribute nor be split by a careless template.
std::string HtmlEscapeAttribute(std::string_view text);

// Whether `address` is an absolute "http:" or "https:" address with a host and without
// blanks or control characters: the only addresses taken from the web.
bool IsWebAddress(std::string_view address);

} // namespace tw
