// The program's EncodePiece, AssembleAudiobook and DamageOfPiece: calls into
// libvocalith_audiobook.so, loaded once, on first use.

#include "platform/com/PrivateLibrary.h"
#include "src/audiobook/AudiobookCodecs.h"

#include <dlfcn.h>

namespace {

const AudiobookCodecs* Codecs() {
    static const AudiobookCodecs* const codecs = []() -> const AudiobookCodecs* {
        void* module = OpenPrivateLibrary(kAudiobookModule);
        if (!module)
            return nullptr;
        using Entry = const AudiobookCodecs* (*)();
        const auto entry = reinterpret_cast<Entry>(::dlsym(module, kAudiobookCodecsEntry));
        return entry ? entry() : nullptr;
    }();
    return codecs;
}

std::string Unavailable() {
    return std::string("audiobooks cannot be written: ") + kAudiobookModule +
           " could not be loaded";
}

} // namespace

std::string EncodePiece(const std::string& wavPath, const EncodingSettings& settings,
                        const std::string& piecePath) {
    const AudiobookCodecs* codecs = Codecs();
    return codecs ? codecs->encodePiece(wavPath, settings, piecePath) : Unavailable();
}

AssemblyResult AssembleAudiobook(const std::vector<AudiobookChapter>& chapters,
                                 const AudiobookTags& tags, const EncodingSettings& settings,
                                 const std::string& path) {
    if (const AudiobookCodecs* codecs = Codecs())
        return codecs->assembleAudiobook(chapters, tags, settings, path);
    AssemblyResult result;
    result.error = Unavailable();
    return result;
}

std::string DamageOfPiece(const std::string& path, AudiobookFormat format) {
    const AudiobookCodecs* codecs = Codecs();
    return codecs ? codecs->damageOfPiece(path, format) : Unavailable();
}
