#include "core/collection/ImageSource.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace tw {
namespace {

std::vector<std::uint8_t> Bytes(std::size_t size, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    }
    return bytes;
}

TEST(ImageSourceTest, SpooledBytesReadBackAfterTheSpoolIsGone) {
    const std::vector<std::vector<std::uint8_t>> originals{Bytes(1, 3), Bytes(70'000, 9),
                                                           Bytes(5, 200), Bytes(1 << 20, 1)};
    std::vector<std::shared_ptr<const ImageSource>> sources;
    {
        ImageSpool spool;
        for (const auto& bytes : originals) {
            sources.push_back(spool.Keep(bytes));
        }
    }
    // Read in another order than written, twice, to catch shared file positions.
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = originals.size(); i-- > 0;) {
            EXPECT_EQ(sources[i]->Size(), originals[i].size());
            EXPECT_EQ(sources[i]->ReadBytes(), originals[i]) << i;
        }
    }
}

TEST(ImageSourceTest, DroppingAnUnusedSpoolKeepsSourcesInUseReadable) {
    ImageSpool spool;
    const auto kept = spool.Keep(Bytes(1000, 1));
    spool.Keep(Bytes(2000, 2)); // released at once
    spool.DropIfUnused();       // `kept` still uses the file
    const auto later = spool.Keep(Bytes(3000, 3));
    EXPECT_EQ(kept->ReadBytes(), Bytes(1000, 1));
    EXPECT_EQ(later->ReadBytes(), Bytes(3000, 3));

    ImageSpool fresh;
    fresh.Keep(Bytes(10, 4));
    fresh.DropIfUnused();
    EXPECT_EQ(fresh.Keep(Bytes(20, 5))->ReadBytes(), Bytes(20, 5));
}

} // namespace
} // namespace tw
