#pragma once
// Opening the files the program writes its output to.

#include <string>

// Creates or truncates `path` (UTF-8) for writing and gives its descriptor
// (close-on-exec, blocking), or -1 with errno set. Never blocks: a FIFO or a
// socket would hold the writer, and the job above it, beyond the reach of a
// stop, so it is refused (EACCES).
int OpenOutputFile(const std::string& path);
