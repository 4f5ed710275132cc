#pragma once
// The folder of the tests' own data files (the ALSA configurations): the one
// ctest names, or the source tree's when a test runs by hand.

#include <filesystem>

std::filesystem::path TestDataFolder();
