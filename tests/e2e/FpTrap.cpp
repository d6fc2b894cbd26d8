// Switches floating-point traps on as the program is loaded, as a careless library could:
// a program that does not mask them again dies of SIGFPE at its first division by zero.
#include <fenv.h>

namespace {

[[gnu::constructor]] void EnableTraps() {
    ::feenableexcept(FE_DIVBYZERO);
}

} // namespace
