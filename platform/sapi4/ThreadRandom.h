#pragma once
// flite's back ends draw the noise of unvoiced sounds from the C library's
// rand(), one generator for the whole process. So that sentences synthesised
// on several threads at once neither share it nor depend on which thread
// spoke which sentence before, this runtime gives rand() and srand() a
// generator per thread, as the C runtime of the original platform does, and
// seeds it afresh for every sentence.

#include <cstdint>

// Restarts the calling thread's generator: what follows is the same sequence
// on any thread for the same seed.
void SeedThreadRandom(std::uint32_t seed);
