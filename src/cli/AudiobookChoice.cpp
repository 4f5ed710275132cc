#include "src/cli/AudiobookChoice.h"

#include "VocalithVersion.h"
#include "platform/com/strings.h"
#include "src/cli/BookSelection.h"
#include "src/cli/CliOptions.h"
#include "src/cli/DocumentInput.h"
#include "src/cli/DocumentSettings.h"
#include "src/speech/AudioFormatTable.h"
#include "src/speech/VoiceCatalogue.h"

#include <algorithm>
#include <thread>

namespace {

// The window's path holds the whole speech in one intermediate WAV, which
// can hold 4 GiB: 100,000 characters are some 2.4 GB at 48 kHz 16-bit stereo
// and espeak-ng's slowest rate, and far less at any other setting. Longer
// texts are made in pieces on every core, with no such limit.
constexpr std::size_t kWindowPathCharacters = 100000;

std::string SpokenChapter(const Book& book, std::size_t chapter, bool sapi5Voice) {
    return ToUtf8(SpokenText(book, {chapter}, sapi5Voice));
}

} // namespace

AudiobookChoice ChooseAudiobook(const CliOptions& options, const std::string& output,
                                const Book& book, const std::vector<std::size_t>& chapters,
                                bool sapi5Voice) {
    AudiobookChoice choice;
    std::optional<AudiobookFormat> format;
    if (options.split) {
        format = options.splitFormat.empty()
                     ? (options.wav ? AudiobookFormat::Wav : AudiobookFormat::Mp3)
                     : FormatForExtension("." + options.splitFormat);
    } else if (!output.empty()) {
        format = FormatForExtension(output);
        const bool audiobookOnly =
            format && *format != AudiobookFormat::Mp3 && *format != AudiobookFormat::Wav;
        if (audiobookOnly && (options.wav || options.mp3Kbps || options.wma))
            choice.error = "--wav, --mp3 and --wma do not go with " + output;
        if (!audiobookOnly) {
            switch (RequestedKind(options, output)) {
            case OutputKind::Mp3:
                format = AudiobookFormat::Mp3;
                break;
            case OutputKind::Wav:
                format = AudiobookFormat::Wav;
                break;
            default:
                if (options.subtitles)
                    choice.error = "--subtitles goes with an audiobook (M4B, MP3, Opus, FLAC or "
                                   "WAV), not with " +
                                   output;
                return choice;
            }
            // A plain text of one chapter is written as the window writes it
            // (whose MP3 takes --mp3's bit rate, not --bitrate's, and which
            // has no pieces to time subtitles by).
            const bool windowPath =
                !options.bitrate && !options.subtitles && book.obeysMarkup &&
                chapters.size() == 1 &&
                SpokenChapter(book, chapters.front(), sapi5Voice).size() <= kWindowPathCharacters;
            if (windowPath)
                return choice;
        }
    }
    if (!format || !choice.error.empty())
        return choice;
    const bool mp3 = *format == AudiobookFormat::Mp3;
    if (options.mp3Vbr || options.mp3Quality) {
        // An audiobook's pieces are joined frame by frame, at one bit rate.
        choice.error = mp3 ? "--vbr and --mp3-quality apply to a short plain text's MP3 only, "
                             "not to an audiobook's"
                           : "--vbr and --mp3-quality go with MP3 output";
        return choice;
    }
    EncodingSettings encoding{*format, DefaultKbps(*format)};
    if (options.bitrate)
        encoding.kbps = *options.bitrate;
    else if (mp3 && options.mp3Kbps)
        encoding.kbps = *options.mp3Kbps;
    choice.encoding = encoding;
    return choice;
}

AudiobookRequest MakeAudiobookRequest(const CliOptions& options, const Book& book,
                                      const std::vector<std::size_t>& chapters,
                                      const DocumentSettings& settings,
                                      const VoiceCatalogue& voices, EncodingSettings encoding) {
    AudiobookRequest request;
    const std::string& input = options.inputs.front();
    request.name = DocumentName(input);
    request.stem = DocumentStem(input);
    request.book = &book;
    const bool sapi5Voice = !voices.IsSapi4(settings.voicePosition);
    for (std::size_t chapter : chapters)
        request.chapters.push_back(
            {chapter, book.chapters[chapter].title, SpokenChapter(book, chapter, sapi5Voice)});

    PieceSettings& piece = request.settings;
    piece.voice = ToUtf8(voices.DisplayString(settings.voicePosition));
    piece.quality = ToUtf8(AudioFormatTable::Row(settings.qualityPosition).name);
    piece.speed = settings.speed;
    piece.volume = settings.volume;
    piece.pitch = settings.pitch;
    piece.encoding = encoding;
    piece.version = VOCALITH_VERSION;
    request.voiceArguments = {"-v",       std::to_string(settings.voicePosition),
                              "-q",       std::to_string(settings.qualityPosition),
                              "--speed",  std::to_string(settings.speed),
                              "--volume", std::to_string(settings.volume),
                              "--pitch",  std::to_string(settings.pitch)};

    request.output = options.output.value_or("");
    request.split = options.split;
    request.keepParts = options.keepParts;
    request.subtitles = options.subtitles;
    request.cueMarkup = sapi5Voice ? CueMarkup::Xml : CueMarkup::None;
    request.overwrite = options.overwrite;
    request.verbose = options.verbose;
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    // One process more than cores: a piece's process hands its speech
    // between threads and leaves its core idle for some 6% of the time,
    // which another piece then takes (8% less time on 2 cores, no more CPU).
    request.jobs = options.jobs ? options.jobs : cores + 1;
    return request;
}
