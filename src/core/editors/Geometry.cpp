#include "core/editors/Geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tw {

int Nearest(double value) {
    constexpr double lowest = std::numeric_limits<int>::min();
    constexpr double highest = std::numeric_limits<int>::max();
    if (std::isnan(value)) {
        return 0;
    }
    // nearbyint rounds halves to even in the default rounding mode.
    return static_cast<int>(std::clamp(std::nearbyint(value), lowest, highest));
}

} // namespace tw
