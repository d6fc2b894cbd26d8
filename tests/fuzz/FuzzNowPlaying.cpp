// The now-playing block and text as a client reads them from any process on the bus.
#include "core/messenger/NowPlaying.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (const auto fields = tw::ParseNowPlaying(text)) {
        (void)fields->ShownText();
        (void)fields->Url();
    }
    // Whatever the input, a block decodes to text that encodes to the same block again.
    tw::NowPlayingBuffer block{};
    std::copy_n(data, std::min(size, block.size()), block.begin());
    const auto decoded = tw::DecodeNowPlayingBlock(block);
    if (!decoded) {
        std::abort();
    }
    const tw::NowPlayingBuffer again = tw::EncodeNowPlaying(*decoded);
    if (tw::DecodeNowPlayingBlock(again) != decoded && again[0] != 0) {
        std::abort();
    }
    return 0;
}
