#include "src/jobs/OutputFiles.h"

#include "platform/com/strings.h"
#include "src/audio/Conversion.h"
#include "src/resources/UserMessage.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Far more than any folder holds in practice; beyond it the job gives up
// rather than search forever.
constexpr int kMaxIntermediateNames = 10000;

std::u16string Number(int n) {
    std::string digits = std::to_string(n);
    return std::u16string(digits.begin(), digits.end());
}

enum class Reservation { Reserved, Taken, Unwritable };

Reservation Reserve(const std::u16string& path) {
    int fd = ::open(ToUtf8(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
        ::close(fd);
        return Reservation::Reserved;
    }
    if (errno == EEXIST)
        return Reservation::Taken;
    // Some errors win over EEXIST; a name that is there stays the user's.
    struct stat existing;
    return ::stat(ToUtf8(path).c_str(), &existing) == 0 ? Reservation::Taken
                                                        : Reservation::Unwritable;
}

} // namespace

WavTarget ChooseWavTarget(const SpeechJob& job) {
    if (!job.speak && !IsWritableOutput(job.outputPath))
        return {std::u16string(), false, false};
    if (job.speak || job.outputKind == OutputKind::Wav)
        return {job.outputPath, false, true};
    for (int n = 0; n < kMaxIntermediateNames; ++n) {
        std::u16string candidate =
            n == 0 ? job.outputPath + u".wav" : job.outputPath + u"." + Number(n) + u".wav";
        switch (Reserve(candidate)) {
        case Reservation::Reserved:
            return {candidate, true, true};
        case Reservation::Unwritable:
            // Nothing of the user's is there, so the name is ours; the engine
            // will report that it cannot create the file.
            return {candidate, true, true};
        case Reservation::Taken:
            break;
        }
    }
    return {std::u16string(), true, false};
}

bool IsWritableOutput(const std::u16string& path) {
    struct stat info {};
    if (::stat(ToUtf8(path).c_str(), &info) != 0)
        return true; // not there yet: the engine creates it or says why not
    return S_ISREG(info.st_mode) || S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode);
}

void DeleteOutputFile(const std::u16string& path) {
    if (path.empty())
        return;
    const std::string name = ToUtf8(path);
    struct stat info {};
    if (::lstat(name.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return;
    // Once more after a failure that may pass (an interrupted or busy call):
    // a file left behind would pass for output.
    if (::unlink(name.c_str()) != 0 && errno != ENOENT)
        ::unlink(name.c_str());
}

void FinishJob(const SpeechJob& job, const WavTarget& wav, bool stopped,
               const std::atomic<bool>* abandon) {
    if (job.speak)
        return;
    if (stopped) {
        DeleteOutputFile(wav.path);
        return;
    }
    ConversionControl control{abandon};
    Result<> converted;
    switch (job.outputKind) {
    case OutputKind::Mp3:
        converted = convertWavToMp3(wav.path, job.outputPath, job.mp3Kbps, job.mp3Quality,
                                    job.mp3Vbr, &control);
        break;
    case OutputKind::Wma:
        converted = convertWavToWma(wav.path, job.outputPath, job.wmaCodecIndex, job.wmaFormatIndex,
                                    &control);
        break;
    default:
        return;
    }
    // The user answers the conversion's message before its files go.
    if (!converted)
        ShowMessage(converted.Message());
    DeleteOutputFile(wav.path);
    // A user's file that the conversion never reached is still theirs.
    if (!converted && control.outputTouched)
        DeleteOutputFile(job.outputPath);
}

void AbandonJob(const SpeechJob& job, const WavTarget& wav) {
    if (!job.speak && wav.intermediate)
        DeleteOutputFile(wav.path);
}
