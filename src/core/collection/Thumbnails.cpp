#include "core/collection/Thumbnails.h"

#include "core/image/Codecs.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

namespace tw {

namespace {

constexpr std::uint8_t kWhite = 255;

// The top-left side x side pixels of `picture`, white where it does not reach.
Picture Crop(const Picture& picture, int side) {
    Picture result(side, side, kWhite);
    const int width = std::min(side, picture.Width());
    const int height = std::min(side, picture.Height());
    for (int y = 0; y < height; ++y) {
        std::memcpy(result.Row(y), picture.Row(y), static_cast<std::size_t>(width) * 3);
    }
    return result;
}

bool IsWhite(const std::uint8_t* pixel) {
    return pixel[0] == kWhite && pixel[1] == kWhite && pixel[2] == kWhite;
}

} // namespace

Picture BlankThumbnail() {
    return Picture(kThumbnailSide, kThumbnailSide, kWhite);
}

Picture WithBadge(const Picture& picture, const Picture& icon, BadgeBlend blend) {
    Picture result = Crop(picture, kThumbnailSide);
    const Picture badge = Crop(icon, kBadgeSide);
    for (int y = 0; y < kBadgeSide; ++y) {
        const std::uint8_t* from = badge.Row(y);
        std::uint8_t* to = result.Row(y);
        for (int x = 0; x < kBadgeSide; ++x, from += 3, to += 3) {
            if (blend == BadgeBlend::Opaque || !IsWhite(from)) {
                std::memcpy(to, from, 3);
            }
        }
    }
    return result;
}

std::vector<Picture> MakeThumbnailSet(const Picture& display, std::span<const Picture> icons,
                                      BadgeBlend blend) {
    std::vector<Picture> set;
    set.reserve(icons.size() + 1);
    set.push_back(Crop(display, kThumbnailSide));
    for (const Picture& icon : icons) {
        set.push_back(WithBadge(display, icon, blend));
    }
    return set;
}

int BadgeOffsetForState(TMsnState state) {
    static constexpr std::array<int, 7> offsets{0, 1, 2, 3, 3, 2, 3};
    return state < offsets.size() ? offsets[state] : 0;
}

std::vector<Picture> LoadStateIcons(const std::filesystem::path& folder) {
    static constexpr std::array<const char*, 3> names{"state_online.bmp", "state_busy.bmp",
                                                      "state_away.bmp"};
    std::vector<Picture> icons;
    for (const char* name : names) {
        icons.push_back(LoadPicture(folder / name));
    }
    return icons;
}

std::string DisplayPictureFileName(const std::tm& local) {
    std::array<char, 64> name{};
    std::snprintf(name.data(), name.size(), "Tilewick_%02d_%d_%04d_%02d_%02d.bmp", local.tm_mon + 1,
                  local.tm_mday, local.tm_year + 1900, local.tm_hour, local.tm_min);
    return name.data();
}

} // namespace tw
