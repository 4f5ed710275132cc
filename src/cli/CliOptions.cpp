#include "src/cli/CliOptions.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <map>

namespace {

bool ParseInt(const std::string& text, int low, int high, int& value) {
    int parsed = 0;
    const char* end = text.data() + text.size();
    auto [at, error] = std::from_chars(text.data() + (text.starts_with('+') ? 1 : 0), end, parsed);
    if (text.empty() || error != std::errc() || at != end || parsed < low || parsed > high)
        return false;
    value = parsed;
    return true;
}

// White space off both ends, as the output dialog takes its path.
std::string Trimmed(const std::string& text) {
    const char* blanks = " \t\n\v\f\r";
    const auto first = text.find_first_not_of(blanks);
    return first == std::string::npos
               ? std::string()
               : text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::string Range(int low, int high) {
    return std::to_string(low) + " to " + std::to_string(high);
}

} // namespace

ParseResult ParseArguments(const std::vector<std::string>& arguments) {
    ParseResult result;
    CliOptions& o = result.options;
    auto fail = [&](std::string message) {
        if (result.error.empty())
            result.error = std::move(message);
    };
    auto number = [&](const std::string& name, const std::string& text, int low, int high,
                      auto store) {
        int value = 0;
        if (ParseInt(text, low, high, value))
            store(value);
        else
            fail(name + " takes a whole number from " + Range(low, high) + ", not '" + text + "'");
    };

    using Flag = std::function<void()>;
    using Valued = std::function<void(const std::string&)>;
    const std::map<std::string, Flag> flags = {
        {"-h", [&] { o.action = CliAction::Help; }},
        {"--help", [&] { o.action = CliAction::Help; }},
        {"--version", [&] { o.action = CliAction::Version; }},
        {"--list-voices", [&] { o.listVoices = true; }},
        {"--list-qualities", [&] { o.listQualities = true; }},
        {"--list-wma", [&] { o.listWma = true; }},
        {"--json", [&] { o.json = true; }},
        {"--list-chapters", [&] { o.listChapters = true; }},
        {"--all-chapters", [&] { o.allChapters = true; }},
        {"--vbr", [&] { o.mp3Vbr = true; }},
        {"--wav", [&] { o.wav = true; }},
        {"--overwrite", [&] { o.overwrite = true; }},
        {"--quiet", [&] { o.quiet = true; }},
        {"--verbose", [&] { o.verbose = true; }},
        {"--split", [&] { o.split = true; }},
        {"--keep-parts", [&] { o.keepParts = true; }},
    };
    const std::map<std::string, Valued> valued = {
        {"-v", [&](const std::string& v) { o.voice = v; }},
        {"--voice", [&](const std::string& v) { o.voice = v; }},
        {"-q", [&](const std::string& v) { o.quality = v; }},
        {"--quality", [&](const std::string& v) { o.quality = v; }},
        {"--speed",
         [&](const std::string& v) { number("--speed", v, -10, 10, [&](int n) { o.speed = n; }); }},
        {"--volume",
         [&](const std::string& v) {
             number("--volume", v, 0, 100, [&](int n) { o.volume = n; });
         }},
        {"--pitch",
         [&](const std::string& v) { number("--pitch", v, -10, 10, [&](int n) { o.pitch = n; }); }},
        {"--mp3",
         [&](const std::string& v) {
             number("--mp3", v, 1, 100000, [&](int n) { o.mp3Kbps = n; });
         }},
        {"--mp3-quality",
         [&](const std::string& v) {
             number("--mp3-quality", v, 0, 9, [&](int n) { o.mp3Quality = n; });
         }},
        {"--wma", [&](const std::string& v) { o.wma = v; }},
        {"--chapters", [&](const std::string& v) { o.chapters = v; }},
        {"--chapter-level",
         [&](const std::string& v) {
             number("--chapter-level", v, 1, 6, [&](int n) { o.chapterLevel = n; });
         }},
        {"-o", [&](const std::string& v) { o.output = Trimmed(v); }},
        {"--output", [&](const std::string& v) { o.output = Trimmed(v); }},
        {"--bitrate",
         [&](const std::string& v) {
             number("--bitrate", v, 6, 510, [&](int n) { o.bitrate = n; });
         }},
        {"--subtitles",
         [&](const std::string& v) {
             o.subtitles = SubtitleFormatNamed(v);
             if (!o.subtitles)
                 fail("--subtitles takes srt, vtt or lrc, not '" + v + "'");
         }},
        {"--make-piece", [&](const std::string& v) { o.makePiece = v; }},
        {"-j", [&](const std::string& v) { number("-j", v, 1, 1024, [&](int n) { o.jobs = n; }); }},
        {"--jobs",
         [&](const std::string& v) { number("--jobs", v, 1, 1024, [&](int n) { o.jobs = n; }); }},
    };

    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string argument = arguments[i];
        if (optionsEnded || argument == "-" || !argument.starts_with('-')) {
            o.inputs.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        std::optional<std::string> inlineValue;
        if (auto equals = argument.find('=');
            argument.starts_with("--") && equals != std::string::npos) {
            inlineValue = argument.substr(equals + 1);
            argument.resize(equals);
        } else if (argument.size() > 2 && argument[1] != '-' &&
                   valued.contains(argument.substr(0, 2))) {
            inlineValue = argument.substr(2); // -j4, -ofile.mp3
            argument.resize(2);
        }
        if (argument == "--split" && inlineValue) {
            o.split = true;
            o.splitFormat = *inlineValue;
        } else if (auto flag = flags.find(argument); flag != flags.end() && !inlineValue) {
            flag->second();
        } else if (auto option = valued.find(argument); option != valued.end()) {
            if (inlineValue)
                option->second(*inlineValue);
            else if (i + 1 < arguments.size())
                option->second(arguments[++i]);
            else
                fail(argument + " needs a value");
        } else {
            fail("unknown option '" + arguments[i] + "'");
        }
    }

    if (o.action != CliAction::Run)
        return result;
    if (o.subtitles && (o.listVoices || o.listQualities || o.listWma || o.listChapters))
        fail("--subtitles goes with an audiobook written to -o OUTPUT, not with a listing");
    if (o.listVoices || o.listQualities || o.listWma) {
        if (o.listChapters)
            fail("--list-chapters lists a book's chapters; list voices, qualities and codecs on "
                 "their own");
        o.action = CliAction::List;
        return result;
    }
    if (o.listChapters) {
        o.action = CliAction::ListChapters;
        if (o.inputs.empty())
            fail("--list-chapters needs a document");
        if (o.output)
            fail("--list-chapters writes nothing; leave out -o");
        return result;
    }
    if (o.mp3Kbps && o.wma)
        fail("--mp3 and --wma exclude each other");
    if (o.wav && (o.mp3Kbps || o.wma))
        fail("--wav excludes --mp3 and --wma");
    if (!o.output && (o.mp3Kbps || o.wma || o.wav || o.mp3Vbr || o.mp3Quality))
        fail("--mp3, --wma and --wav need -o OUTPUT");
    if (o.output && o.output->empty())
        fail("Please specify output filename.");
    if (o.inputs.empty())
        fail("no input: give a text file, or - for standard input");
    int stdinCount = 0;
    for (const std::string& input : o.inputs)
        stdinCount += input == "-";
    if (stdinCount > 1)
        fail("standard input (-) can be read only once");
    if (o.split && (!o.output || o.inputs.size() > 1))
        fail("--split writes one book into the folder -o names");
    if (o.split && o.wma)
        fail("--split writes MP3, M4B, Opus, FLAC or WAV files, not WMA");
    const std::vector<std::string> splitFormats = {"mp3", "m4b", "m4a", "opus", "flac", "wav"};
    if (o.split && !o.splitFormat.empty() &&
        std::find(splitFormats.begin(), splitFormats.end(), o.splitFormat) == splitFormats.end())
        fail("--split=FORMAT takes mp3, m4b, opus, flac or wav, not '" + o.splitFormat + "'");
    if (o.subtitles && !o.output)
        fail("--subtitles goes with an audiobook written to -o OUTPUT; spoken aloud, there is "
             "no file to time them against");
    if (o.subtitles && o.wma)
        fail("--subtitles goes with an audiobook (M4B, MP3, Opus, FLAC or WAV), not WMA");
    if (o.quiet && o.verbose)
        fail("--quiet and --verbose exclude each other");
    return result;
}
