#pragma once

#include <string>
#include <string_view>
#include <vector>

// The pages the local service answers with.
namespace tw::service {

// Results on one search page.
constexpr int PageSize = 20;

// "%XY" decoded ("+" stays); nothing sensible for a bad escape, so false.
bool PercentDecode(std::string_view text, std::string& decoded);
// Every byte but letters, digits and - . _ ~ as "%XY", for one path segment.
std::string PercentEncode(std::string_view text);

// A result page in the form of a public picture search: for each of the `names` from the
// 1-based `start` on (at most PageSize) a link carrying "imgurl=" + picture address +
// "&imgrefurl=", then two links of that form without a picture, because the program counts
// two matches on every page that are not results.
std::string SearchPage(std::string_view keywords, const std::vector<std::string>& names, int start,
                       std::string_view pictureBase);

// The service's own front page.
std::string HomePage();

} // namespace tw::service
