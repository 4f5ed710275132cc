#pragma once
// The file exception of the audio objects: a failed read, write, seek or
// open of a file raises it, and the operations that must survive it catch it
// at their own boundary and turn it into their message. A failed allocation
// raises std::bad_alloc, the memory exception.

#include <cerrno>
#include <stdexcept>
#include <string>

class AudioFileException : public std::runtime_error {
public:
    explicit AudioFileException(const std::string& what, int error = errno)
        : std::runtime_error(what), m_error(error) {}
    int Error() const { return m_error; } // the errno value, 0 when none
private:
    int m_error;
};
