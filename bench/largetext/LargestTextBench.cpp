// The largest text the editor takes (16,777,216 characters) spoken and written
// to WAV through the real window with a flite voice and an espeak-ng voice.
// For each job: how long the user-interface thread is blocked starting it
// (from the command, or the output dialog's OK, to the command's return), the
// longest stall of the UI thread while the job runs (a 1 ms timer's largest
// gap), how long Stop takes until the job has ended, and the memory in use.
//
//   largest_text_bench [seconds each job runs before Stop]   (QT_QPA_PLATFORM=offscreen)

#include "platform/Runtimes.h"
#include "src/app/CApp.h"
#include "src/app/CChildView.h"
#include "src/app/CMainFrame.h"
#include "src/app/CMyDialogBar.h"
#include "src/dialogs/CSelectOutputFileDlg.h"
#include "src/jobs/ProsodyMarkup.h"
#include "src/resources/resource.h"

#include <QAbstractButton>
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int kTextLength = 0x1000000;

long RssKb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

long PeakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Sentences of ordinary words, a paragraph break every ten, cut at the limit.
QString LargestText() {
    static const char* const words[] = {"harbour",  "quiet",   "morning", "boats", "rocked",
                                        "gently",   "against", "wooden",  "piers", "library",
                                        "returned", "books",   "history", "novel", "birds"};
    std::u16string text;
    text.reserve(kTextLength + 64);
    unsigned seed = 7;
    for (int sentence = 0; text.size() < kTextLength; ++sentence) {
        text += u"The";
        for (int w = 0; w < 12; ++w) {
            seed = seed * 1103515245u + 12345u;
            text += u' ';
            for (const char* c = words[(seed >> 16) % 15]; *c; ++c)
                text += static_cast<char16_t>(*c);
        }
        text += sentence % 10 == 9 ? u".\n" : u". ";
    }
    text.resize(kTextLength);
    return QString::fromStdU16String(text);
}

// The largest gap between ticks of a 1 ms timer on the UI thread.
class StallMeter {
public:
    StallMeter() {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
    }
    void Start() {
        m_clock.start();
        m_last = 0;
        m_longest = 0;
        m_timer.start();
    }
    double LongestMs() const { return static_cast<double>(m_longest) / 1e6; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

void RunEventsFor(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

struct Figures {
    double startMs = 0, runningStallMs = 0, stopMs = 0;
    long rssKb = 0;
    bool ended = false;
    bool fileLeft = false;
};

Figures RunJob(CMainFrame* frame, int voicePosition, bool speak, const std::string& wavPath,
               int runMs) {
    frame->DialogBar()->m_cbVoice->setCurrentIndex(voicePosition);
    QCoreApplication::processEvents();
    Figures figures;
    QElapsedTimer clock;
    if (!speak) {
        // Answers the output dialog as a user would: a WAV path, then OK.
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CSelectOutputFileDlg*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            static_cast<QLineEdit*>(dialog->GetDlgItem(IDC_OUTPUT_FILE))
                ->setText(QString::fromStdString(wavPath));
            clock.start();
            static_cast<QAbstractButton*>(dialog->GetDlgItem(IDOK))->click();
        });
    } else {
        clock.start();
    }
    frame->OnCommand(speak ? ID_FILE_SPEAK : ID_FILE_WRITE);
    figures.startMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;

    StallMeter meter;
    meter.Start();
    long rss = 0;
    for (int t = 0; t < runMs; t += 100) {
        RunEventsFor(100);
        rss = std::max(rss, RssKb());
    }
    figures.runningStallMs = meter.LongestMs();
    figures.rssKb = rss;

    clock.start();
    frame->OnCommand(ID_FILE_STOP);
    while (frame->IsJobRunning() && clock.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    figures.stopMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    figures.ended = !frame->IsJobRunning();
    RunEventsFor(200);
    figures.fileLeft = !speak && std::filesystem::exists(wavPath);
    return figures;
}

} // namespace

int main(int argc, char** argv) {
    const int runMs = argc > 1 ? std::max(1, std::atoi(argv[1])) * 1000 : 5000;
    QApplication application(argc, argv);
    RegisterPlatformRuntimes();
    CApp app;
    if (!app.InitInstance()) {
        std::fprintf(stderr, "the program did not start\n");
        return 1;
    }
    CMainFrame* frame = AfxGetMainWnd();
    QCoreApplication::processEvents();
    const long rssBefore = RssKb();

    QElapsedTimer clock;
    clock.start();
    frame->View()->setPlainText(LargestText());
    QCoreApplication::processEvents();
    std::printf("text: %d characters, put into the editor in %.0f ms; memory %ld -> %ld kB\n",
                frame->View()->GetTextLength(), static_cast<double>(clock.elapsed()), rssBefore,
                RssKb());

    // The editor lays the text out in the background in growing steps; the
    // figures below are for a window that has finished.
    clock.start();
    frame->View()->document()->documentLayout()->documentSize();
    std::printf("laying the whole text out: %.0f ms\n", static_cast<double>(clock.elapsed()));

    // What a job does with the text: takes it on the UI thread, then builds
    // the engine's text with its markup on the worker.
    clock.start();
    const std::shared_ptr<const JobText> text = frame->EditorText();
    const double takeMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    clock.start();
    const std::u16string sapi4 = BuildSapi4Prefix(*text, frame->Sapi4Voice(0), {});
    const double sapi4Ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    clock.start();
    const std::u16string sapi5 = BuildSapi5Prefix(*text, {});
    const double sapi5Ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    std::printf("taking the editor's text (UI thread) %.1f ms; on the worker: SAPI 4 text %.1f ms, "
                "SAPI 5 text %.1f ms (%zu, %zu characters)\n",
                takeMs, sapi4Ms, sapi5Ms, sapi4.size(), sapi5.size());

    // The editor alone, no job running: what the UI thread does anyway.
    StallMeter idle;
    idle.Start();
    RunEventsFor(runMs);
    std::printf("no job: longest stall %.1f ms over %d s\n", idle.LongestMs(), runMs / 1000);

    const std::string folder = std::filesystem::temp_directory_path() / "vl-largest-text";
    std::filesystem::create_directories(folder);
    const struct {
        const char* name;
        int position;
    } voices[] = {{"flite", 0}, {"espeak-ng", static_cast<int>(frame->Sapi4VoiceCount())}};
    std::printf("%-10s %-6s %10s %16s %9s %12s\n", "voice", "job", "start ms", "running stall ms",
                "stop ms", "memory kB");
    bool allEnded = true;
    // Twice round: memory that stays bounded is no higher the second time.
    for (int round = 0; round < 2; ++round)
        for (const auto& voice : voices) {
            for (bool speak : {true, false}) {
                const std::string wav = folder + "/" + voice.name + ".wav";
                const Figures f = RunJob(frame, voice.position, speak, wav, runMs);
                std::printf("%-10s %-6s %10.1f %16.1f %9.1f %12ld%s%s\n", voice.name,
                            speak ? "speak" : "write", f.startMs, f.runningStallMs, f.stopMs,
                            f.rssKb, f.ended ? "" : "  (did not stop)",
                            f.fileLeft ? "  (stopped write left its file)" : "");
                allEnded = allEnded && f.ended && !f.fileLeft;
            }
        }
    std::printf("peak memory: %ld kB\n", PeakRssKb());
    std::filesystem::remove_all(folder);
    app.ExitInstance();
    return allEnded ? 0 : 1;
}
