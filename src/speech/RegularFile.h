#pragma once
// A speak routine that fails after its file was created removes that file, so
// that nothing is left that looks like output.

#include <string>

// Removes `path` when it is a regular file: a device node the user named was
// never the job's. Errors are ignored.
void RemoveRegularFile(const std::u16string& path);
