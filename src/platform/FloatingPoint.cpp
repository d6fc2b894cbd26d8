#include "platform/FloatingPoint.h"

#include <fenv.h>

namespace tw {

void MaskFloatingPointExceptions() {
    ::fedisableexcept(FE_ALL_EXCEPT);
    ::feclearexcept(FE_ALL_EXCEPT);
}

} // namespace tw
