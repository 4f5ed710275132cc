#include "src/cli/PieceMaker.h"

#include "platform/com/strings.h"
#include "src/audio/WmaCodecCatalogue.h"
#include "src/audiobook/AudiobookFormat.h"
#include "src/audiobook/PartsFolder.h"
#include "src/audiobook/PieceCues.h"
#include "src/audiobook/PieceEncoder.h"
#include "src/cli/BookSelection.h"
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

// A piece as the parent orders it: four inputs.
struct PieceOrder {
    int pauseMs = 0;
    std::string path, textPath, name;
};

// "m4b:64" (format, kbit/s) as the parent writes it.
std::optional<EncodingSettings> ParseEncoding(const std::string& text) {
    const std::size_t colon = text.find(':');
    const std::optional<AudiobookFormat> format = FormatForExtension("." + text.substr(0, colon));
    if (!format || colon == std::string::npos)
        return std::nullopt;
    EncodingSettings settings{*format, 0};
    const char* end = text.data() + text.size();
    if (const std::from_chars_result read =
            std::from_chars(text.data() + colon + 1, end, settings.kbps);
        read.ec != std::errc() || read.ptr != end)
        return std::nullopt;
    return settings;
}

std::optional<std::vector<PieceOrder>> ParseOrders(const std::vector<std::string>& inputs) {
    if (inputs.empty() || inputs.size() % 4 != 0)
        return std::nullopt;
    std::vector<PieceOrder> orders;
    for (std::size_t i = 0; i < inputs.size(); i += 4) {
        PieceOrder order{0, inputs[i + 1], inputs[i + 2], inputs[i + 3]};
        const std::string& pause = inputs[i];
        const std::from_chars_result read =
            std::from_chars(pause.data(), pause.data() + pause.size(), order.pauseMs);
        if (read.ec != std::errc() || read.ptr != pause.data() + pause.size() ||
            order.pauseMs < 0 || order.path.empty())
            return std::nullopt;
        orders.push_back(std::move(order));
    }
    return orders;
}

// The child's progress as the parent reads it: the share of all its pieces' words.
class BatchProgress {
public:
    explicit BatchProgress(const std::vector<std::size_t>& words) : m_words(words) {
        for (std::size_t count : words)
            m_total += count;
    }
    ProgressReport For(std::size_t piece) const {
        if (!std::getenv(kReportProgressVariable))
            return {};
        std::size_t before = 0;
        for (std::size_t i = 0; i < piece; ++i)
            before += m_words[i];
        const double total = static_cast<double>(std::max<std::size_t>(1, m_total));
        const double words = static_cast<double>(m_words[piece]);
        return [before, total, words](DocumentProgress progress) {
            progress.spokenFraction =
                (static_cast<double>(before) + progress.spokenFraction.value_or(0) * words) / total;
            const std::string record = ProgressRecord(progress);
            [[maybe_unused]] ssize_t written = ::write(STDERR_FILENO, record.data(), record.size());
        };
    }

private:
    std::vector<std::size_t> m_words;
    std::size_t m_total = 0;
};

// The piece's speech as the window writes a WAV, then the piece and its cues.
int MakePiece(const PieceOrder& order, const std::u16string& text, const CliOptions& speech,
              const EncodingSettings& encoding, const VoiceCatalogue& voices,
              const Sapi4Engine& sapi4, const Sapi5Engine& sapi5, const ProgressReport& report,
              Console& console, int signalDescriptor) {
    const std::string wavPath = SpeechPath(order.path);
    SettingsResult resolved = ResolveSettings(speech, wavPath, voices, false, WmaCodecCatalogue());
    if (!resolved.error.empty()) {
        console.Message(order.name + ": " + resolved.error);
        return 1;
    }
    const CueMarkup markup =
        voices.IsSapi4(resolved.settings.voicePosition) ? CueMarkup::None : CueMarkup::Xml;
    SpokenSentences sentences;
    const int spoken = RunDocument(
        order.name, text, resolved.settings, std::make_unique<Sapi4Engine>(sapi4.Voices()),
        Sapi5Engine::WithVoicesOf(sapi5), console, signalDescriptor, report, &sentences);
    if (spoken != 0) {
        ::unlink(wavPath.c_str());
        return spoken;
    }

    const std::string temporary = TemporaryPath(order.path);
    std::string error = EncodePiece(
        wavPath, EncodingSettings{encoding.format, encoding.kbps, order.pauseMs}, temporary);
    ::unlink(wavPath.c_str());
    // The cues go first: a piece is never there without them.
    std::vector<SentenceMark> marks;
    for (const SpokenSentence& sentence : sentences)
        marks.push_back({sentence.position, sentence.seconds});
    if (error.empty())
        error = WritePieceCues(CuesPath(order.path), MakePieceCues(text, marks, markup));
    if (error.empty())
        error = CommitFile(temporary, order.path);
    else
        ::unlink(temporary.c_str());
    if (!error.empty()) {
        console.Message(order.name + ": " + error);
        return 1;
    }
    return 0;
}

} // namespace

int MakePieces(const CliOptions& options, const Sapi4Engine& sapi4, const Sapi5Engine& sapi5,
               const std::function<void(int)>& probeVoice, Console& console, int signalDescriptor) {
    const std::optional<EncodingSettings> encoding = ParseEncoding(*options.makePiece);
    const std::optional<std::vector<PieceOrder>> orders = ParseOrders(options.inputs);
    if (!encoding || !orders) {
        console.Message("--make-piece is for vocalith-cli's own use");
        return 2;
    }
    std::vector<std::u16string> texts;
    std::vector<std::size_t> words;
    for (const PieceOrder& order : *orders) {
        DocumentInput input = ReadDocument(order.textPath, signalDescriptor);
        if (input.signal)
            return InterruptedStatus(input.signal);
        if (!input.error.empty()) {
            console.Message(order.name + ": " + input.error);
            return 1;
        }
        words.push_back(WordCount(input.bytes));
        texts.push_back(FromUtf8(input.bytes));
    }

    CliOptions speech = options;
    speech.wav = true;
    speech.mp3Kbps.reset();
    speech.wma.reset();
    speech.overwrite = true; // this process's own file
    const VoiceCatalogue voices(sapi4, sapi5);
    if (SettingsResult resolved = ResolveSettings(speech, SpeechPath(orders->front().path), voices,
                                                  false, WmaCodecCatalogue());
        resolved.error.empty())
        probeVoice(resolved.settings.voicePosition);
    // FFmpeg's own lines are not for the user: a failure is told in our words.
    av_log_set_level(AV_LOG_QUIET);
    const BatchProgress progress(words);
    for (std::size_t i = 0; i < orders->size(); ++i) {
        if (const int status = MakePiece((*orders)[i], texts[i], speech, *encoding, voices, sapi4,
                                         sapi5, progress.For(i), console, signalDescriptor))
            return status;
        // A stop asked for while the piece was encoded comes after a
        // finished piece: it is kept, and the stop is passed on.
        if (const std::vector<int> signals = ReadSignals(signalDescriptor); !signals.empty())
            return InterruptedStatus(signals.front());
    }
    return 0;
}
