#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The pictures of the served folder: searched by file name and handed out by name.
namespace tw::service {

// The picture files (JPEG, PNG, GIF, BMP) directly in `folder` whose names contain every word
// of `keywords` without regard to case, sorted by name. No words find nothing.
std::vector<std::string> FindPictures(const std::filesystem::path& folder,
                                      std::string_view keywords);

// The path of picture `name` in `folder` when it is one FindPictures could give: a plain file
// name (no folder part, not hidden) of a picture file there.
std::optional<std::filesystem::path> PicturePath(const std::filesystem::path& folder,
                                                 std::string_view name);

// The media type of a picture file by its extension.
std::string_view PictureType(std::string_view name);

} // namespace tw::service
