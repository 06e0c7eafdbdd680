// Counts the bytes the program holds through operator new, and the most it
// held at once since the last reset: for tests of how much memory an
// operation needs. Linking allocation_counter.cpp into a test program
// replaces the global operator new and delete of that program.
#pragma once

#include <cstddef>

namespace alloccount {

// Bytes now held through operator new.
size_t heldBytes();
// The most bytes held at once since the last ResetPeak.
size_t peakBytes();
// Starts a new peak at what is held now.
void resetPeak();

}  // namespace alloccount
