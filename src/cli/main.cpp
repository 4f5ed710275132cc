// vocalith-cli: the command-line front door of Vocalith. It runs the window's
// jobs on documents: the same voices, qualities, prosody, output kinds,
// messages and file rules, with progress on a terminal.

#include "VocalithVersion.h"
#include "platform/Runtimes.h"
#include "platform/com/com.h"
#include "platform/com/strings.h"
#include "src/audio/Mp3Encoder.h"
#include "src/audio/WmaCodecCatalogue.h"
#include "src/cli/AudiobookChoice.h"
#include "src/cli/BatchRunner.h"
#include "src/cli/BookInput.h"
#include "src/cli/BookSelection.h"
#include "src/cli/ChapterListing.h"
#include "src/cli/CliOptions.h"
#include "src/cli/Console.h"
#include "src/cli/ConsoleMessageService.h"
#include "src/cli/DocumentInput.h"
#include "src/cli/DocumentRunner.h"
#include "src/cli/DocumentSettings.h"
#include "src/cli/Listings.h"
#include "src/cli/PieceMaker.h"
#include "src/cli/ProgressLine.h"
#include "src/cli/Signals.h"
#include "src/cli/Usage.h"
#include "src/cli/VoiceLanguage.h"
#include "src/speech/Sapi4Engine.h"
#include "src/speech/Sapi5Engine.h"
#include "src/speech/VoiceCatalogue.h"

#include <cstdio>
#include <cstdlib>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr const char* kProgram = "vocalith-cli";

int CommandLineError(const std::string& message) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", kProgram, message.c_str(), kProgram);
    return 2;
}

bool IsDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The options a child needs to write one document as this command would.
std::vector<std::string> ChildArguments(const CliOptions& o, const std::string& output,
                                        const std::string& input) {
    std::vector<std::string> a = {"--speed",  std::to_string(o.speed),
                                  "--volume", std::to_string(o.volume),
                                  "--pitch",  std::to_string(o.pitch)};
    auto add = [&](std::initializer_list<std::string> more) { a.insert(a.end(), more); };
    if (!o.voice.empty())
        add({"-v", o.voice});
    if (!o.quality.empty())
        add({"-q", o.quality});
    if (o.wav)
        add({"--wav"});
    if (o.mp3Kbps)
        add({"--mp3", std::to_string(*o.mp3Kbps)});
    if (o.mp3Quality)
        add({"--mp3-quality", std::to_string(*o.mp3Quality)});
    if (o.mp3Vbr)
        add({"--vbr"});
    if (o.wma)
        add({"--wma", *o.wma});
    if (o.overwrite)
        add({"--overwrite"});
    if (!o.chapters.empty())
        add({"--chapters", o.chapters});
    if (o.allChapters)
        add({"--all-chapters"});
    add({"--chapter-level", std::to_string(o.chapterLevel)});
    if (o.verbose)
        add({"--verbose"});
    if (o.bitrate)
        add({"--bitrate", std::to_string(*o.bitrate)});
    if (o.keepParts)
        add({"--keep-parts"});
    if (o.subtitles)
        add({"--subtitles", SubtitleExtension(*o.subtitles) + 1});
    // The batch already keeps every core busy with a document each.
    add({"-j", "1"});
    if (!output.empty())
        add({"-o", output});
    add({"--", input});
    return a;
}

struct Catalogues {
    // A probe creates an engine instance, and a run needs the ranges of the
    // voice it speaks with (or estimates for) only: each is probed once chosen.
    std::unique_ptr<Sapi4Engine> sapi4 = std::make_unique<Sapi4Engine>(Sapi4Probing::OnDemand);
    std::unique_ptr<Sapi5Engine> sapi5 = std::make_unique<Sapi5Engine>();
    Mp3Encoder mp3;
    WmaCodecCatalogue wma;

    void ProbeVoice(int position) {
        if (position >= 0 && static_cast<std::size_t>(position) < sapi4->VoiceCount())
            sapi4->ProbeVoice(static_cast<std::size_t>(position));
    }
};

int List(const CliOptions& options, Catalogues& catalogues) {
    std::string text;
    if (options.listVoices)
        text += VoiceListing(*catalogues.sapi4, *catalogues.sapi5, options.json);
    if (options.listQualities)
        text += QualityListing(options.json);
    if (options.listWma) {
        catalogues.wma.enumerate();
        text += WmaListing(catalogues.wma, options.json);
    }
    std::fputs(text.c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

// The voice a book is read with: the one asked for, else the first that
// speaks the book's language, else the window's default.
int BookVoice(const CliOptions& options, const Book& book, const Catalogues& catalogues,
              const VoiceCatalogue& voices, int resolved) {
    if (!options.voice.empty())
        return resolved;
    return VoiceForLanguage(voices, *catalogues.sapi4, *catalogues.sapi5, book.language)
        .value_or(resolved);
}

int ListChapters(const CliOptions& options, Catalogues& catalogues, Console& console, int signals) {
    const VoiceCatalogue voices(*catalogues.sapi4, *catalogues.sapi5);
    SettingsResult resolved =
        ResolveSettings(options, "", voices, catalogues.mp3.isLoaded(), catalogues.wma);
    if (!resolved.error.empty())
        return CommandLineError(resolved.error);
    int status = 0;
    for (std::size_t i = 0; i < options.inputs.size(); ++i) {
        BookInput input = LoadBook(options.inputs[i], options, console, signals);
        if (!input.book) {
            if (input.status > 1)
                return input.status;
            status = 1;
            continue;
        }
        const Book& book = *input.book;
        ChapterChoice choice = ChooseChapters(book, options.chapters, options.allChapters);
        if (!choice.error.empty())
            return CommandLineError(choice.error);
        const int voice =
            BookVoice(options, book, catalogues, voices, resolved.settings.voicePosition);
        catalogues.ProbeVoice(voice);
        ListingContext context{DocumentName(options.inputs[i]), ToUtf8(voices.DisplayString(voice)),
                               WordsPerMinute(voices, *catalogues.sapi4, voice, options.speed),
                               std::move(choice.chapters)};
        std::fputs(ChapterListing(book, context, options.json).c_str(), stdout);
        if (!options.json && i + 1 < options.inputs.size())
            std::fputs("\n", stdout);
    }
    return std::fflush(stdout) == 0 ? status : 1;
}

int Run(const CliOptions& options, Catalogues& catalogues, Console& console, int signals) {
    if (options.makePiece)
        return MakePieces(
            options, *catalogues.sapi4, *catalogues.sapi5,
            [&](int voice) { catalogues.ProbeVoice(voice); }, console, signals);
    const bool toDirectory = options.output && IsDirectory(*options.output);
    if (options.inputs.size() > 1 && options.output && !toDirectory)
        return CommandLineError("several inputs need -o DIRECTORY (an existing folder), not '" +
                                *options.output + "'");

    // Each document's output file.
    std::vector<std::string> outputs;
    std::set<std::string> taken;
    for (const std::string& input : options.inputs) {
        std::string output = options.output.value_or("");
        if (toDirectory)
            output += (output.ends_with('/') ? "" : "/") + DocumentStem(input) +
                      ExtensionOf(RequestedKind(options, ""));
        if (!output.empty() && !taken.insert(output).second)
            return CommandLineError("two inputs would both be written to " + output);
        outputs.push_back(output);
    }

    catalogues.mp3.loadLibrary();
    if (RequestedKind(options, outputs.front()) == OutputKind::Wma)
        catalogues.wma.enumerate();
    const VoiceCatalogue voices(*catalogues.sapi4, *catalogues.sapi5);
    SettingsResult resolved = ResolveSettings(options, outputs.front(), voices,
                                              catalogues.mp3.isLoaded(), catalogues.wma);
    if (!resolved.error.empty())
        return CommandLineError(resolved.error);

    if ((options.inputs.size() > 1 || toDirectory) && !options.split) {
        std::vector<BatchDocument> documents;
        for (std::size_t i = 0; i < options.inputs.size(); ++i)
            documents.push_back({DocumentName(options.inputs[i]),
                                 ChildArguments(options, outputs[i], options.inputs[i])});
        // Speech on the default output is one voice at a time.
        const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
        const int jobs = outputs.front().empty() ? 1 : options.jobs ? options.jobs : cores;
        return RunBatch(documents, jobs, console, signals);
    }

    const std::string name = DocumentName(options.inputs.front());
    BookInput input = LoadBook(options.inputs.front(), options, console, signals);
    if (!input.book)
        return input.status;
    const Book& book = *input.book;
    ChapterChoice choice = ChooseChapters(book, options.chapters, options.allChapters);
    if (!choice.error.empty())
        return CommandLineError(choice.error);
    DocumentSettings& settings = resolved.settings;
    settings.voicePosition = BookVoice(options, book, catalogues, voices, settings.voicePosition);
    catalogues.ProbeVoice(settings.voicePosition);
    if (options.verbose)
        console.Message(name + ": " + std::to_string(choice.chapters.size()) + " of " +
                        std::to_string(book.chapters.size()) + " chapters, read by " +
                        ToUtf8(voices.DisplayString(settings.voicePosition)) +
                        (options.voice.empty() && !book.language.empty()
                             ? " (the book's language is " + book.language + ")"
                             : ""));
    const bool sapi5Voice = !voices.IsSapi4(settings.voicePosition);
    const AudiobookChoice audiobook =
        ChooseAudiobook(options, outputs.front(), book, choice.chapters, sapi5Voice);
    if (!audiobook.error.empty())
        return CommandLineError(audiobook.error);
    if (audiobook.encoding)
        return RunAudiobook(MakeAudiobookRequest(options, book, choice.chapters, settings, voices,
                                                 *audiobook.encoding),
                            console, signals);
    const std::u16string text = SpokenText(book, choice.chapters, sapi5Voice);
    const bool reportToParent = std::getenv(kReportProgressVariable) != nullptr;
    ProgressReport report;
    if (reportToParent)
        report = [](const DocumentProgress& progress) {
            const std::string record = ProgressRecord(progress);
            [[maybe_unused]] ssize_t written = ::write(STDERR_FILENO, record.data(), record.size());
        };
    else if (console.ShowsProgress())
        report = [&](const DocumentProgress& progress) {
            console.Progress({ProgressLine(name, progress)});
        };
    const int status = RunDocument(name, text, settings, std::move(catalogues.sapi4),
                                   std::move(catalogues.sapi5), console, signals, report);
    console.Progress({});
    if (status == 0 && options.verbose && !settings.speak)
        console.Message(name + ": written to " + outputs.front());
    return status;
}

} // namespace

int main(int argc, char* argv[]) {
    const ParseResult parsed = ParseArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty())
        return CommandLineError(parsed.error);
    const CliOptions& options = parsed.options;
    if (options.action == CliAction::Help) {
        std::fputs(kUsageText, stdout);
        return 0;
    }
    if (options.action == CliAction::Version) {
        std::printf("%s %s\n", kProgram, VOCALITH_VERSION);
        return 0;
    }

    // Before the runtimes start their threads, so that none of them takes a signal.
    const bool batch =
        options.inputs.size() > 1 || (options.output && IsDirectory(*options.output));
    const int signals = BlockSignals(batch);
    Console console(!options.quiet && ::isatty(STDERR_FILENO) &&
                    !std::getenv(kReportProgressVariable));
    ConsoleMessageService startupMessages(console, kProgram);
    SetMessageService(&startupMessages);
    RegisterPlatformRuntimes();
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        console.Message(std::string(kProgram) + ": cannot initialise COM");
        return 1;
    }
    int status;
    {
        Catalogues catalogues;
        SetMessageService(nullptr);
        status = options.action == CliAction::List ? List(options, catalogues)
                 : options.action == CliAction::ListChapters
                     ? ListChapters(options, catalogues, console, signals)
                     : Run(options, catalogues, console, signals);
    }
    CoUninitialize();
    return status;
}
