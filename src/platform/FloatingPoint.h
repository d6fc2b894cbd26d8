#pragma once

// The floating-point mode of the whole program.
namespace tw {

// Masks every floating-point exception of the calling thread, and of the threads it starts
// afterwards: a division by zero gives infinity, an invalid operation NaN, never a trap.
void MaskFloatingPointExceptions();

} // namespace tw
