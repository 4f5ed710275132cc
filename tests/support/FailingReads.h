#pragma once
// Makes read() fail with EIO on one file once its position reaches a given
// offset, so that tests can see what a reader does on a disk error. Works for
// code linked with -Wl,--wrap=read; every other read passes through.

#include <cstdint>
#include <filesystem>

class FailingReads {
public:
    // Arms the failure for `file` from byte `offset` on; disarmed on destruction.
    FailingReads(const std::filesystem::path& file, std::uint64_t offset);
    ~FailingReads();
    FailingReads(const FailingReads&) = delete;
    FailingReads& operator=(const FailingReads&) = delete;

    int Failures() const; // reads refused so far
};
