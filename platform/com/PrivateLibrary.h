#pragma once
// Loading one of the program's own libraries by its bare file name.

#include <string>

// Looks in the program's folder (a build tree), then in the program's private
// library folder (installed), then lets the loader search. The library's
// symbols stay its own (RTLD_LOCAL). Null when none could be loaded.
void* OpenPrivateLibrary(const std::string& fileName);
