// vocalith-espeak-helper: synthesises the stretches of text a program's SAPI 5
// runtime sends on stdin, one after another, and answers each on stdout with
// its audio and events. espeak-ng keeps its state in globals, so a runtime
// that wants several syntheses at once runs several of these. The helper ends
// at the end of its input, and with the process that started it.

#include "platform/sapi5/EspeakChunk.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/prctl.h>
#include <unistd.h>

int main(int argc, char** argv) {
    // The parent's pid comes first: if the parent has already gone, the death
    // signal was set too late to come.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (argc < 2 || ::getppid() != static_cast<pid_t>(std::strtol(argv[1], nullptr, 10)))
        return 2;
    if (InitialiseEspeak() <= 0)
        return 1;
    std::string input;
    char buffer[1 << 16];
    for (;;) {
        bool bad = false;
        while (std::optional<ChunkRequest> request = TakeRequest(input, bad))
            if (!SendMessage(STDOUT_FILENO, Serialise(SynthesiseChunk(*request))))
                return 1;
        if (bad)
            return 1;
        ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n == 0 ? 0 : 1;
        input.append(buffer, static_cast<std::size_t>(n));
    }
}
