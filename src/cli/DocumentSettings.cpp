#include "src/cli/DocumentSettings.h"

#include "platform/com/strings.h"
#include "src/audio/WmaCodecCatalogue.h"
#include "src/cli/CliOptions.h"
#include "src/resources/StringTable.h"
#include "src/resources/resource.h"
#include "src/speech/VoiceCatalogue.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace {

// The bit rates of the output dialog's list, in its order.
constexpr std::array kMp3Kbps = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160};
constexpr int kDefaultMp3Kbps = 64, kDefaultMp3Quality = 5;

std::string Lower(std::string text) {
    std::ranges::transform(text, text.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool IsIndex(const std::string& text) {
    return !text.empty() && text.size() < 9 &&
           std::ranges::all_of(text, [](unsigned char c) { return std::isdigit(c); });
}

std::string Message(UINT id) {
    return ToUtf8(LoadResString(id));
}

} // namespace

NameMatch MatchName(const std::vector<std::u16string>& names, const std::string& wanted,
                    const std::string& what) {
    if (IsIndex(wanted)) {
        const int index = std::stoi(wanted);
        if (index < static_cast<int>(names.size()))
            return {index, {}};
        return {-1, "there is no " + what + " " + wanted + " (there are " +
                        std::to_string(names.size()) + ")"};
    }
    const std::string key = Lower(wanted);
    std::vector<int> exact, prefixed;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string name = Lower(ToUtf8(names[i]));
        const std::string bare = name.substr(0, name.rfind(", sapi"));
        if (name == key || bare == key)
            exact.push_back(static_cast<int>(i));
        else if (!key.empty() && name.starts_with(key))
            prefixed.push_back(static_cast<int>(i));
    }
    const std::vector<int>& found = exact.empty() ? prefixed : exact;
    if (found.size() == 1)
        return {found.front(), {}};
    if (found.empty())
        return {-1, "no " + what + " is called '" + wanted + "'"};
    std::string candidates;
    for (int i : found)
        candidates += (candidates.empty() ? "" : "; ") + ToUtf8(names[static_cast<std::size_t>(i)]);
    return {-1, "'" + wanted + "' names more than one " + what + ": " + candidates};
}

const char* ExtensionOf(OutputKind kind) {
    switch (kind) {
    case OutputKind::Mp3:
        return ".mp3";
    case OutputKind::Wma:
        return ".wma";
    default:
        return ".wav";
    }
}

OutputKind RequestedKind(const CliOptions& options, const std::string& outputPath) {
    if (options.wav)
        return OutputKind::Wav;
    if (options.mp3Kbps)
        return OutputKind::Mp3;
    if (options.wma)
        return OutputKind::Wma;
    const std::string path = Lower(outputPath);
    if (path.ends_with(".mp3"))
        return OutputKind::Mp3;
    if (path.ends_with(".wma"))
        return OutputKind::Wma;
    return OutputKind::Wav;
}

namespace {

std::string ResolveOutput(const CliOptions& options, bool mp3Available,
                          const WmaCodecCatalogue& wma, OutputFileChoice& choice) {
    if (choice.outputKind != OutputKind::Mp3 && (options.mp3Vbr || options.mp3Quality))
        return "--vbr and --mp3-quality go with MP3 output";
    switch (choice.outputKind) {
    case OutputKind::Mp3: {
        if (!mp3Available)
            return "MP3 output is not available: the encoder library liblame_enc.so could not "
                   "be loaded";
        choice.mp3Kbps = options.mp3Kbps.value_or(kDefaultMp3Kbps);
        if (std::ranges::find(kMp3Kbps, choice.mp3Kbps) == kMp3Kbps.end())
            return Message(IDS_SELECT_MP3_BITRATE) +
                   " (32, 40, 48, 56, 64, 80, 96, 112, 128 or 160)";
        choice.mp3Quality = options.mp3Quality.value_or(kDefaultMp3Quality);
        choice.mp3Vbr = options.mp3Vbr;
        return {};
    }
    case OutputKind::Wma: {
        if (!wma.enumerated())
            return "WMA output is not available: no WMA encoder could be found";
        const std::string wanted = options.wma.value_or("0");
        const auto slash = wanted.find('/');
        std::vector<std::u16string> codecs;
        for (const WmaCodecEntry& codec : wma.codecs())
            codecs.push_back(codec.name);
        NameMatch codec = MatchName(codecs, wanted.substr(0, slash), "WMA codec");
        if (codec.index < 0)
            return Message(IDS_SELECT_WMA_CODEC) + ": " + codec.error;
        std::vector<std::u16string> formats;
        for (const WmaFormatEntry& format :
             wma.codecs()[static_cast<std::size_t>(codec.index)].formats)
            formats.push_back(format.description);
        NameMatch format = slash == std::string::npos
                               ? NameMatch{formats.empty() ? -1 : 0, "the codec has no formats"}
                               : MatchName(formats, wanted.substr(slash + 1), "WMA format");
        if (format.index < 0)
            return Message(IDS_SELECT_WMA_FORMAT) + ": " + format.error;
        choice.wmaCodecIndex = codec.index;
        choice.wmaFormatIndex = format.index;
        return {};
    }
    default:
        return {};
    }
}

} // namespace

SettingsResult ResolveSettings(const CliOptions& options, const std::string& outputPath,
                               const VoiceCatalogue& voices, bool mp3Available,
                               const WmaCodecCatalogue& wma) {
    SettingsResult result;
    DocumentSettings& s = result.settings;
    if (voices.Count() == 0) {
        result.error = Message(IDS_NO_VOICES);
        return result;
    }
    if (!options.voice.empty()) {
        std::vector<std::u16string> names;
        for (std::size_t i = 0; i < voices.Count(); ++i)
            names.push_back(voices.DisplayString(static_cast<int>(i)));
        NameMatch voice = MatchName(names, options.voice, "voice");
        if (voice.index < 0) {
            result.error = voice.error + "; see --list-voices";
            return result;
        }
        s.voicePosition = voice.index;
    }
    if (!options.quality.empty()) {
        std::vector<std::u16string> names;
        for (int i = 0; i < AudioFormatTable::kCount; ++i)
            names.push_back(AudioFormatTable::Row(i).name);
        NameMatch quality = MatchName(names, options.quality, "quality");
        if (quality.index < 0) {
            result.error = quality.error + "; see --list-qualities";
            return result;
        }
        s.qualityPosition = quality.index;
    }
    s.speed = options.speed;
    s.volume = options.volume;
    s.pitch = options.pitch;
    s.overwrite = options.overwrite;
    s.speak = outputPath.empty();
    if (s.speak)
        return result;
    s.output.outputPath = FromUtf8(outputPath);
    s.output.outputKind = RequestedKind(options, outputPath);
    result.error = ResolveOutput(options, mp3Available, wma, s.output);
    return result;
}
