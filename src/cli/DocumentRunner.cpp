#include "src/cli/DocumentRunner.h"

#include "platform/com/strings.h"
#include "src/cli/Console.h"
#include "src/cli/ConsoleHost.h"
#include "src/cli/ConsoleMessageService.h"
#include "src/cli/Signals.h"
#include "src/jobs/JobControl.h"
#include "src/jobs/OutputFiles.h"
#include "src/speech/Sapi4Engine.h"
#include "src/speech/Sapi5Engine.h"

#include <chrono>
#include <cstdio>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
// The job's end and a signal are noticed within a check; progress is
// reported every tick.
constexpr unsigned kCheckMs = 20;
constexpr auto kTick = std::chrono::milliseconds(200);

bool Exists(const std::u16string& path) {
    struct stat info {};
    return ::stat(ToUtf8(path).c_str(), &info) == 0;
}

std::uint64_t SizeOf(const std::u16string& path) {
    struct stat info {};
    return ::stat(ToUtf8(path).c_str(), &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

// The intermediate file the job will reserve: the first of output + ".wav",
// ".1.wav", ".2.wav", ... not taken yet, as the workers choose it.
std::u16string IntermediatePath(const std::u16string& output) {
    for (int n = 0;; ++n) {
        std::string suffix = n == 0 ? ".wav" : "." + std::to_string(n) + ".wav";
        std::u16string candidate = output + FromUtf8(suffix);
        if (!Exists(candidate))
            return candidate;
    }
}

// Installs the console's message service for one document.
class MessagesInstalled {
public:
    explicit MessagesInstalled(ConsoleMessageService& service) { SetMessageService(&service); }
    ~MessagesInstalled() { SetMessageService(nullptr); }
};

} // namespace

int RunDocument(const std::string& name, const std::u16string& text,
                const DocumentSettings& settings, std::unique_ptr<Sapi4Engine> sapi4,
                std::unique_ptr<Sapi5Engine> sapi5, Console& console, int signalDescriptor,
                const ProgressReport& report, SpokenSentences* sentences) {
    const OutputFileChoice& output = settings.output;
    if (text.empty()) {
        console.Message(name + ": the document is empty; nothing to speak");
        return 1;
    }
    // The window's file chooser asks before it lets a file be replaced.
    if (!settings.speak && Exists(output.outputPath) && !settings.overwrite) {
        console.Message(name + ": " + ToUtf8(output.outputPath) +
                        " already exists; --overwrite replaces it");
        return 1;
    }
    const std::u16string intermediate = settings.speak || output.outputKind == OutputKind::Wav
                                            ? std::u16string()
                                            : IntermediatePath(output.outputPath);

    ConsoleMessageService messages(console, name);
    MessagesInstalled installed(messages);
    ConsoleHost host(text, settings);
    JobControl jobs(host, std::move(sapi4), std::move(sapi5));
    jobs.CreateStopEvent();
    // Filled by the worker, read once it has ended.
    auto spoken = sentences && !settings.speak ? std::make_shared<SpokenSentences>() : nullptr;
    jobs.StartJob(settings.speak, false, spoken);

    const Clock::time_point start = Clock::now();
    Clock::time_point nextReport = start + kTick;
    while (!jobs.WaitForJob(kCheckMs)) {
        if (std::vector<int> signals = ReadSignals(signalDescriptor); !signals.empty()) {
            // As the Stop command: the worker discards the speech and removes
            // what it wrote. A conversion does not stop, so its files are
            // removed from under it and the process leaves without it.
            jobs.RequestStop();
            const Clock::time_point asked = Clock::now();
            while (jobs.IsJobRunning() &&
                   Clock::now() - asked < std::chrono::milliseconds(kStopGraceMs))
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (jobs.IsJobRunning()) {
                DeleteOutputFile(output.outputPath);
                DeleteOutputFile(intermediate);
                std::fflush(nullptr);
                ::_exit(InterruptedStatus(signals.front()));
            }
            return InterruptedStatus(signals.front());
        }
        if (report && Clock::now() >= nextReport) {
            nextReport += kTick;
            DocumentProgress progress;
            progress.elapsedSeconds = std::chrono::duration<double>(Clock::now() - start).count();
            progress.spokenFraction = jobs.SpokenFraction();
            // The file being written: the intermediate WAV while the text is
            // spoken, the output once the conversion writes it.
            const bool converting = progress.spokenFraction == 1.0;
            if (!settings.speak)
                progress.outputBytes =
                    SizeOf(intermediate.empty() || converting ? output.outputPath : intermediate);
            report(progress);
        }
    }
    if (messages.MessageCount() > 0)
        return 1;
    if (!settings.speak && !Exists(output.outputPath)) {
        console.Message(name + ": nothing was written to " + ToUtf8(output.outputPath));
        return 1;
    }
    if (spoken)
        *sentences = std::move(*spoken);
    return 0;
}
