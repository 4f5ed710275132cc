#include "src/cli/Signals.h"

#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

int BlockSignals(bool withChildren) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP); // the terminal went away: stop as for SIGTERM
    if (withChildren)
        sigaddset(&set, SIGCHLD);
    if (pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0)
        return -1;
    return signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
}

std::vector<int> ReadSignals(int descriptor) {
    std::vector<int> signals;
    signalfd_siginfo info;
    while (::read(descriptor, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
        signals.push_back(static_cast<int>(info.ssi_signo));
    return signals;
}
