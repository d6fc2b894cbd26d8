#pragma once

#include <cstdint>

namespace tw {

using TMsnState = std::uint8_t;

} // namespace tw
