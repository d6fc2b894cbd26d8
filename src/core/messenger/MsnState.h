#pragma once

#include <cstdint>

namespace tw {

// The status code shared by the collection's entries, the Messenger link and the main window:
// 0 no status (not signed in, or a client status without a code of its own), 1 online, 2 busy,
// 3 be right back, 4 away, 5 in a call, 6 out to lunch.
using TMsnState = std::uint8_t;

} // namespace tw
