// The window closed during a long MP3 write, and the program ending while the
// worker it gave up is still converting: that worker must touch nothing the
// program has destroyed (under AddressSanitizer any such touch aborts), and
// still removes its files. A flite voice writes the WAV; the real encoder,
// through the fake encoder library, is held at its first chunk until the very end of
// the process.

#include "platform/sapi4/sapi4.h"
#include "src/app/CApp.h"
#include "src/app/CChildView.h"
#include "src/app/CMainFrame.h"
#include "src/audio/Mp3Encoder.h"
#include "src/dialogs/CSelectOutputFileDlg.h"
#include "src/resources/resource.h"
#include "tests/fakes/FakeLameEnc.h"
#include "tests/fakes/RecordingMessageService.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace {

// Set in the process that runs the program; plain data, never destroyed.
char g_folder[] = "/tmp/vocalith-exit-XXXXXX";
std::atomic<bool> g_armed{false};

int EntriesIn(const char* folder) {
    DIR* dir = ::opendir(folder);
    int n = 0;
    while (dirent* entry = dir ? ::readdir(dir) : nullptr)
        n += entry->d_name[0] != '.';
    if (dir)
        ::closedir(dir);
    return n;
}

[[noreturn]] void Fail(int code, const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::_Exit(code);
}

// Runs after the destructors of every object the program made: it was
// registered before any of them existed. Lets the encoder go and waits for
// the given-up worker's thread to end.
void ReleaseTheWorkerAtExit() {
    if (!g_armed)
        return;
    const std::string task = "/proc/self/task/" + std::to_string(FakeLame::EncoderThread());
    FakeLame::Hold(false);
    for (int ms = 0; ms < 60000 && ::access(task.c_str(), F_OK) == 0; ++ms)
        ::usleep(1000);
    if (::access(task.c_str(), F_OK) == 0)
        Fail(2, "the given-up worker did not end");
    if (EntriesIn(g_folder) != 0)
        Fail(3, "the given-up worker left a file");
    ::rmdir(g_folder);
}

struct AtExit {
    AtExit() { std::atexit(ReleaseTheWorkerAtExit); }
};
__attribute__((init_priority(101))) const AtExit g_atExit;

void WriteMp3AndCloseTheWindow() {
    if (!::mkdtemp(g_folder))
        Fail(4, "no scratch folder");
    FakeLame::Reset({.real = true});
    FakeLame::Hold(true);
    Mp3Encoder::SetLibraryPath(FAKE_LAME_ENC);
    RegisterSapi4Runtime();
    g_armed = true;
    {
        // As the program's main has it: the application goes before Qt's globals.
        int argc = 1;
        char name[] = "vocalith";
        char* argv[] = {name, nullptr};
        QApplication application(argc, argv);
        RecordingMessageService messages;
        messages.SetAnswer(IDYES);
        CApp app;
        if (!app.InitInstance())
            Fail(4, "the program did not start");
        CMainFrame* frame = AfxGetMainWnd();
        frame->View()->setPlainText(QStringLiteral("Nothing lost, nothing half-written."));
        const std::string mp3 = std::string(g_folder) + "/talk.mp3";
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CSelectOutputFileDlg*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            static_cast<QAbstractButton*>(dialog->GetDlgItem(IDC_RADIO_MP3))->click();
            static_cast<QLineEdit*>(dialog->GetDlgItem(IDC_OUTPUT_FILE))
                ->setText(QString::fromStdString(mp3));
            static_cast<QAbstractButton*>(dialog->GetDlgItem(IDOK))->click();
        });
        frame->OnCommand(ID_FILE_WRITE);
        for (int ms = 0; ms < 60000 && FakeLame::EncoderThread() == 0; ms += 10) {
            QCoreApplication::processEvents();
            ::usleep(10000);
        }
        // The intermediate WAV and the MP3 begun.
        if (!frame->IsJobRunning() || EntriesIn(g_folder) != 2 || !messages.Boxes().empty())
            Fail(5, "no conversion in progress");

        // The cancel question is answered Yes; EndJob gives the held worker up.
        frame->close();
        if (messages.Count(IDS_CANCEL_PROCESSING) != 1 || frame->isVisible())
            Fail(6, "the window did not close after its question");
        app.ExitInstance();
    }
    std::exit(0);
}

TEST(ExitDuringConversionTest, GivenUpWorkerOutlivesTheProgramAndRemovesItsFiles) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(WriteMp3AndCloseTheWindow(), ::testing::ExitedWithCode(0), "");
}

} // namespace
