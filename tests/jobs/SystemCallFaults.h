#pragma once
// Counts, and makes fail on demand, the file-system calls the whole process
// makes on files in one folder: ours, the speech runtimes', FFmpeg's and the
// MP3 library's alike. The test executable defines the C library's functions
// itself (open, write, lseek, close, unlink, fopen, fwrite, ...), so every
// shared library's call lands here first and goes on to the C library.

#include <array>
#include <filesystem>
#include <string>

enum class FsCall { Create, Open, Read, Write, Seek, Header, Truncate, Close, Unlink, Count };

const char* FsCallName(FsCall call);

namespace SystemCallFaults {

// Starts counting the calls on files in `folder` (cleared counts), with the
// `index`-th call (from 0) of `call` failing; FsCall::Count fails none.
void Arm(const std::filesystem::path& folder, FsCall call = FsCall::Count, int index = -1);
// Stops counting and failing.
void Disarm();
// Calls of each kind since Arm.
std::array<int, static_cast<int>(FsCall::Count)> Counts();
// Whether the armed failure happened.
bool Failed();

} // namespace SystemCallFaults
