#pragma once
// The program's own libraries and helper programs, found by their bare file
// names: in the program's folder (a build tree), then in the program's private
// library folder (installed).

#include <string>

// Loads the library from the first of those folders that has it, else lets
// the loader search. The library's symbols stay its own (RTLD_LOCAL). Null
// when none could be loaded.
void* OpenPrivateLibrary(const std::string& fileName);
// The path of the helper program in the first of those folders that has it
// as an executable; empty when none does.
std::string FindPrivateProgram(const std::string& fileName);
