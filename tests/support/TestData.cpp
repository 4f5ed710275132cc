#include "tests/support/TestData.h"

#include <cstdlib>

std::filesystem::path TestDataFolder() {
    const char* folder = std::getenv("VOCALITH_TEST_DATA");
    return folder ? std::filesystem::path(folder) : std::filesystem::path(VOCALITH_TEST_DATA_DIR);
}
