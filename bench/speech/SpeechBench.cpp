// Drives the program's own job path (StartJob, the worker, the engine, the
// runtime) without a window, for the speech benchmarks:
//   speech_bench list
//   speech_bench write <sapi4|sapi5> <voice-name-part> <text-file> <out.wav> [threads]
//   speech_bench speak <sapi4|sapi5> <voice-name-part> <text-file> <capture-file>
// `write` prints the milliseconds from StartJob to the end of the job and the
// peak resident kB of the largest helper process the job ran (0 for none);
// `threads` sets how many threads synthesise a SAPI 4 text for a file (by
// default one per processor the process may run on).
// `speak` (ALSA's default PCM being the file plugin writing <capture-file>)
// prints the milliseconds to the first audio reaching the device, then stops
// the job and prints how long the stop took until the worker had ended.

#include "platform/Runtimes.h"
#include "platform/com/com.h"
#include "platform/com/strings.h"
#include "platform/sapi4/FliteSpeech.h"
#include "src/jobs/JobControl.h"
#include "src/speech/AudioFormatTable.h"
#include "src/speech/Sapi4Engine.h"
#include "src/speech/Sapi5Engine.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

class BenchHost : public JobHost {
public:
    std::u16string text;
    std::u16string outputPath;
    int voicePosition = 0;

    std::shared_ptr<const JobText> EditorText() override {
        return std::make_shared<StringJobText>(text);
    }
    bool SelectionHasText() override { return false; }
    std::shared_ptr<const JobText> SelectedText() override { return nullptr; }
    int VoicePosition() override { return voicePosition; }
    int QualityPosition() override { return AudioFormatTable::kDefaultIndex; }
    int VolumePosition() override { return 100; }
    int SpeedPosition() override { return 0; }
    int PitchPosition() override { return 0; }
    bool RunOutputFileDialog(OutputFileChoice& choice) override {
        choice.outputPath = outputPath;
        choice.outputKind = OutputKind::Wav;
        return true;
    }
};

std::string ModeName(const CSAPI4VoiceInfo& v) {
    return ToUtf8(std::u16string(v.modeInfo.szModeName));
}

// The combo position of the first voice of the generation whose name holds `part`.
int FindVoice(const JobControl& jobs, bool sapi4, const std::string& part) {
    const auto k = static_cast<int>(jobs.Sapi4().VoiceCount());
    if (sapi4) {
        for (int i = 0; i < k; ++i)
            if (ModeName(jobs.Sapi4().Voice(i)).find(part) != std::string::npos)
                return i;
    } else {
        for (int i = 0; i < static_cast<int>(jobs.Sapi5().VoiceCount()); ++i)
            if (ToUtf8(jobs.Sapi5().Voice(i).displayName).find(part) != std::string::npos)
                return k + i;
    }
    return -1;
}

double MsSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

void WaitForEnd(const JobControl& jobs) {
    while (jobs.IsJobRunning())
        std::this_thread::sleep_for(std::chrono::microseconds(200));
}

} // namespace

int main(int argc, char** argv) {
    RegisterPlatformRuntimes();
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    BenchHost host;
    JobControl jobs(host, std::make_unique<Sapi4Engine>(), std::make_unique<Sapi5Engine>());
    jobs.CreateStopEvent();
    const std::string mode = argc > 1 ? argv[1] : "list";

    if (mode == "list") {
        for (std::size_t i = 0; i < jobs.Sapi4().VoiceCount(); ++i)
            std::printf("%s, SAPI4\n", ModeName(jobs.Sapi4().Voice(i)).c_str());
        for (std::size_t i = 0; i < jobs.Sapi5().VoiceCount(); ++i)
            std::printf("%s, SAPI5\n", ToUtf8(jobs.Sapi5().Voice(i).displayName).c_str());
        return 0;
    }
    if (argc < 6) {
        std::fprintf(stderr, "usage: speech_bench write|speak sapi4|sapi5 voice text out\n");
        return 2;
    }
    host.voicePosition = FindVoice(jobs, std::string(argv[2]) == "sapi4", argv[3]);
    if (host.voicePosition < 0) {
        std::fprintf(stderr, "no voice matching %s\n", argv[3]);
        return 2;
    }
    // The file's bytes go as soon as the text is decoded: the measured peak
    // memory is the program's.
    host.text = FromUtf8([&] {
        std::ifstream in(argv[4], std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }());
    host.outputPath = FromUtf8(argv[5]);

    if (mode == "write") {
        if (argc > 6)
            SetFileSynthesisThreads(static_cast<unsigned>(std::stoul(argv[6])));
        auto start = Clock::now();
        jobs.StartJob(false, false);
        WaitForEnd(jobs);
        rusage helpers{};
        getrusage(RUSAGE_CHILDREN, &helpers);
        std::printf("%.1f %ld\n", MsSince(start), helpers.ru_maxrss);
    } else {
        const std::filesystem::path capture(argv[5]);
        std::filesystem::remove(capture);
        auto start = Clock::now();
        jobs.StartJob(true, false);
        auto played = [&] {
            std::error_code ec;
            auto bytes = std::filesystem::file_size(capture, ec);
            return !ec && bytes > 0;
        };
        while (jobs.IsJobRunning() && !played())
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        const double firstAudio = MsSince(start);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        auto stop = Clock::now();
        jobs.RequestStop();
        WaitForEnd(jobs);
        std::printf("%.1f %.1f\n", firstAudio, MsSince(stop));
    }
    jobs.EndJob();
    jobs.CloseStopEvent();
    CoUninitialize();
    return 0;
}
