#include "src/cli/PieceMaker.h"

#include "platform/com/strings.h"
#include "src/audio/WmaCodecCatalogue.h"
#include "src/audiobook/AudiobookFormat.h"
#include "src/audiobook/PartsFolder.h"
#include "src/audiobook/PieceCues.h"
#include "src/audiobook/PieceEncoder.h"
#include "src/cli/ChildPool.h"
#include "src/cli/CliOptions.h"
#include "src/cli/Console.h"
#include "src/cli/DocumentInput.h"
#include "src/cli/DocumentRunner.h"
#include "src/cli/DocumentSettings.h"
#include "src/cli/ProgressLine.h"
#include "src/cli/Signals.h"
#include "src/speech/Sapi4Engine.h"
#include "src/speech/Sapi5Engine.h"
#include "src/speech/VoiceCatalogue.h"

#include <charconv>
#include <cstdlib>
#include <unistd.h>

extern "C" {
#include <libavutil/log.h>
}

namespace {

// "m4b:64:600" (format, kbit/s, pause in ms) as the parent writes it.
std::optional<EncodingSettings> ParseEncoding(const std::string& text) {
    const std::size_t colon = text.find(':');
    const std::optional<AudiobookFormat> format = FormatForExtension("." + text.substr(0, colon));
    if (!format || colon == std::string::npos)
        return std::nullopt;
    EncodingSettings settings{*format, 0};
    const char* end = text.data() + text.size();
    std::from_chars_result read = std::from_chars(text.data() + colon + 1, end, settings.kbps);
    if (read.ec == std::errc() && read.ptr != end && *read.ptr == ':')
        read = std::from_chars(read.ptr + 1, end, settings.pauseMs);
    if (read.ec != std::errc() || read.ptr != end || settings.pauseMs < 0)
        return std::nullopt;
    return settings;
}

} // namespace

int MakePiece(const CliOptions& options, std::unique_ptr<Sapi4Engine>& sapi4,
              std::unique_ptr<Sapi5Engine>& sapi5, const std::function<void(int)>& probeVoice,
              Console& console, int signalDescriptor) {
    const std::string name = options.pieceName.empty() ? "piece" : options.pieceName;
    const std::optional<EncodingSettings> encoding = ParseEncoding(*options.makePiece);
    if (!encoding || !options.output || options.inputs.size() != 1) {
        console.Message(name + ": --make-piece is for vocalith-cli's own use");
        return 2;
    }
    const std::string piecePath = *options.output;
    DocumentInput input = ReadDocument(options.inputs.front(), signalDescriptor);
    if (input.signal)
        return InterruptedStatus(input.signal);
    if (!input.error.empty()) {
        console.Message(name + ": " + input.error);
        return 1;
    }

    // The piece's speech as the window writes a WAV.
    CliOptions speech = options;
    speech.wav = true;
    speech.mp3Kbps.reset();
    speech.wma.reset();
    speech.overwrite = true; // this process's own file
    const std::string wavPath = SpeechPath(piecePath);
    const VoiceCatalogue voices(*sapi4, *sapi5);
    SettingsResult resolved = ResolveSettings(speech, wavPath, voices, false, WmaCodecCatalogue());
    if (!resolved.error.empty()) {
        console.Message(name + ": " + resolved.error);
        return 1;
    }
    probeVoice(resolved.settings.voicePosition);
    ProgressReport report;
    if (std::getenv(kReportProgressVariable))
        report = [](const DocumentProgress& progress) {
            const std::string record = ProgressRecord(progress);
            [[maybe_unused]] ssize_t written = ::write(STDERR_FILENO, record.data(), record.size());
        };
    const std::u16string text = FromUtf8(input.bytes);
    const CueMarkup markup =
        voices.IsSapi4(resolved.settings.voicePosition) ? CueMarkup::None : CueMarkup::Xml;
    SpokenSentences sentences;
    const int spoken = RunDocument(name, text, resolved.settings, std::move(sapi4),
                                   std::move(sapi5), console, signalDescriptor, report, &sentences);
    if (spoken != 0) {
        ::unlink(wavPath.c_str());
        return spoken;
    }

    // FFmpeg's own lines are not for the user: a failure is told in our words.
    av_log_set_level(AV_LOG_QUIET);
    const std::string temporary = TemporaryPath(piecePath);
    std::string error = EncodePiece(wavPath, *encoding, temporary);
    ::unlink(wavPath.c_str());
    // The cues go first: a piece is never there without them.
    std::vector<SentenceMark> marks;
    for (const SpokenSentence& sentence : sentences)
        marks.push_back({sentence.position, sentence.seconds});
    if (error.empty())
        error = WritePieceCues(CuesPath(piecePath), MakePieceCues(text, marks, markup));
    if (error.empty())
        error = CommitFile(temporary, piecePath);
    else
        ::unlink(temporary.c_str());
    if (!error.empty()) {
        console.Message(name + ": " + error);
        return 1;
    }
    // A stop asked for while the piece was encoded comes after a finished
    // piece: it is kept, and the stop is passed on.
    const std::vector<int> signals = ReadSignals(signalDescriptor);
    return signals.empty() ? 0 : InterruptedStatus(signals.front());
}
