#include "platform/FloatingPoint.h"

#include <cfenv>
#include <cmath>
#include <fenv.h>
#include <gtest/gtest.h>

namespace tw {
namespace {

TEST(FloatingPointTest, MaskingTurnsTrapsIntoInfinityAndNaN) {
    std::fenv_t saved;
    std::fegetenv(&saved);
    // As if a library had switched traps on: without the mask these would raise SIGFPE.
    ::feenableexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW);
    MaskFloatingPointExceptions();
    volatile double zero = 0.0;
    volatile double huge = 1e308;
    const double quotient = 1.0 / zero;
    const double invalid = zero / zero;
    const double overflow = huge * 10.0;
    std::fesetenv(&saved);
    EXPECT_TRUE(std::isinf(quotient) && quotient > 0);
    EXPECT_TRUE(std::isnan(invalid));
    EXPECT_TRUE(std::isinf(overflow));
}

} // namespace
} // namespace tw
