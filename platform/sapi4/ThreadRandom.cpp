#include "platform/sapi4/ThreadRandom.h"

#include <cstdlib>
#include <random>

namespace {

std::minstd_rand& Generator() {
    thread_local std::minstd_rand generator;
    return generator;
}

} // namespace

void SeedThreadRandom(std::uint32_t seed) {
    Generator().seed(seed);
}

// The program's definitions come before the C library's in the dynamic
// linker's search, so flite's calls land here. minstd gives 1 to 2^31 - 2,
// within 0 to RAND_MAX.
extern "C" int rand() noexcept {
    static_assert(RAND_MAX >= std::minstd_rand::max());
    return static_cast<int>(Generator()());
}

extern "C" void srand(unsigned seed) noexcept {
    Generator().seed(seed);
}
