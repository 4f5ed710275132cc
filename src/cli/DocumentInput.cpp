#include "src/cli/DocumentInput.h"

#include "src/cli/Signals.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

DocumentInput ReadDocument(const std::string& path, int signalDescriptor) {
    DocumentInput input;
    const bool standardInput = path == "-";
    const int fd = standardInput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        input.error = std::string("cannot open the file: ") + std::strerror(errno);
        return input;
    }
    char buffer[1 << 16];
    for (;;) {
        pollfd fds[] = {{fd, POLLIN, 0}, {signalDescriptor, POLLIN, 0}};
        if (::poll(fds, signalDescriptor >= 0 ? 2 : 1, -1) < 0 && errno != EINTR)
            break;
        if (fds[1].revents & POLLIN) {
            if (std::vector<int> signals = ReadSignals(signalDescriptor); !signals.empty()) {
                input.signal = signals.front();
                break;
            }
        }
        ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count > 0) {
            input.bytes.append(buffer, static_cast<std::size_t>(count));
            continue;
        }
        if (count < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (count < 0)
            input.error = std::string("cannot read the file: ") + std::strerror(errno);
        break;
    }
    if (!standardInput)
        ::close(fd);
    return input;
}

std::string DocumentName(const std::string& path) {
    return path == "-" ? "stdin" : path;
}

std::string DocumentStem(const std::string& path) {
    if (path == "-")
        return "stdin";
    std::string name = path.substr(path.find_last_of('/') + 1);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.resize(dot);
    return name.empty() ? "document" : name;
}
