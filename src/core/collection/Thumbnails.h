#pragma once

#include "core/image/Picture.h"
#include "core/messenger/MsnState.h"

#include <ctime>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace tw {

inline constexpr int kThumbnailSide = 96;
inline constexpr int kBadgeSide = 24;

// How a badge icon goes onto a display picture: the editor's sets leave out the icon's pure
// white pixels so the picture shows through; the animation guide copies the icon whole.
enum class BadgeBlend { SkipWhite, Opaque };

// A blank thumbnail, as a new entry has until its first edit.
Picture BlankThumbnail();

// `picture` (its top-left 96 x 96 pixels, white where it is smaller) with `icon` (its top-left
// 24 x 24 pixels, white where it is smaller) in the top-left corner.
Picture WithBadge(const Picture& picture, const Picture& icon, BadgeBlend blend);

// The thumbnails of one entry: the plain display picture, then one per badge icon.
std::vector<Picture> MakeThumbnailSet(const Picture& display, std::span<const Picture> icons,
                                      BadgeBlend blend);

// Which picture of an entry's set the list shows for a status: 0 plain, 1 online, 2 busy or in
// a call, 3 away, be right back or out to lunch; 0 for anything else.
int BadgeOffsetForState(TMsnState state);

// The badge icons shipped with the program (online, busy, away), read from `folder`.
std::vector<Picture> LoadStateIcons(const std::filesystem::path& folder);

// "Tilewick_mm_d_yyyy_hh_mm.bmp" for the given local time.
std::string DisplayPictureFileName(const std::tm& local);

} // namespace tw
