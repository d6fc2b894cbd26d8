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

} // namespace
} // namespace tw
