// Times the program's start-up the way a user sees it: from launching a new
// process to its main window exposed on screen, with the real runtimes
// registered, so every installed voice is enumerated and every SAPI 4 voice
// probed. Each run is a fresh process (dynamic loading included); prints the
// runs and their median.
//
//   startup_bench [runs]       (needs a display: Xvfb, or QT_QPA_PLATFORM=offscreen)

#include "platform/Runtimes.h"
#include "src/app/CApp.h"
#include "src/app/CMainFrame.h"
#include "src/app/CMyDialogBar.h"

#include <QApplication>
#include <QComboBox>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

double Now() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

// One start-up: prints the moment the window was exposed and the voice count.
int Child(int argc, char** argv) {
    QApplication application(argc, argv);
    RegisterPlatformRuntimes();
    CApp app;
    if (!app.InitInstance()) {
        std::printf("failed\n");
        return 1;
    }
    CMainFrame* frame = AfxGetMainWnd();
    while (!frame->windowHandle() || !frame->windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    QCoreApplication::processEvents(); // the first paint
    const double shown = Now();
    std::printf("%.6f %d\n", shown, frame->DialogBar()->m_cbVoice->count());
    std::fflush(stdout);
    app.ExitInstance();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--child") == 0)
        return Child(argc, argv);

    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    std::vector<double> times;
    int voices = -1;
    for (int run = 0; run < runs; ++run) {
        int out[2];
        if (pipe(out) != 0)
            return 1;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        char child[] = "--child";
        char* childArgv[] = {argv[0], child, nullptr};
        const double launched = Now();
        pid_t pid = 0;
        if (posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, childArgv, environ) != 0)
            return 1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        std::string text;
        char buffer[256];
        ssize_t n = 0;
        while ((n = read(out[0], buffer, sizeof buffer)) > 0)
            text.append(buffer, static_cast<std::size_t>(n));
        close(out[0]);
        int status = 0;
        waitpid(pid, &status, 0);
        double shown = 0;
        if (std::sscanf(text.c_str(), "%lf %d", &shown, &voices) != 2) {
            std::fprintf(stderr, "run %d: the program did not start: %s\n", run + 1, text.c_str());
            return 1;
        }
        times.push_back((shown - launched) * 1000.0);
        std::printf("run %d: %.1f ms\n", run + 1, times.back());
    }
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted.size() % 2
                              ? sorted[sorted.size() / 2]
                              : (sorted[sorted.size() / 2 - 1] + sorted[sorted.size() / 2]) / 2.0;
    std::printf("voices: %d\nmedian start-up to window shown: %.1f ms over %d runs\n", voices,
                median, runs);
    return 0;
}
