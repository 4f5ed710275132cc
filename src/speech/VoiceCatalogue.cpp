#include "src/speech/VoiceCatalogue.h"

#include "src/speech/Sapi4Engine.h"
#include "src/speech/Sapi5Engine.h"

#include <iterator>
#include <string>

VoiceCatalogue::VoiceCatalogue(const Sapi4Engine& sapi4, const Sapi5Engine& sapi5)
    : m_sapi4(sapi4), m_sapi5(sapi5) {}

std::size_t VoiceCatalogue::Sapi4Count() const {
    return m_sapi4.VoiceCount();
}
std::size_t VoiceCatalogue::Sapi5Count() const {
    return m_sapi5.VoiceCount();
}
std::size_t VoiceCatalogue::Count() const {
    return Sapi4Count() + Sapi5Count();
}

bool VoiceCatalogue::IsSapi4(int position) const {
    return position >= 0 && static_cast<std::size_t>(position) < Sapi4Count();
}

int VoiceCatalogue::Sapi5Index(int position) const {
    long long index = static_cast<long long>(position) - static_cast<long long>(Sapi4Count());
    if (index < 0 || static_cast<std::size_t>(index) >= Sapi5Count())
        return 0;
    return static_cast<int>(index);
}

std::u16string VoiceCatalogue::DisplayString(int position) const {
    if (IsSapi4(position)) {
        const auto& name = m_sapi4.Voice(static_cast<std::size_t>(position)).modeInfo.szModeName;
        // The record is the engine's; its name need not be terminated.
        std::u16string mode(name, std::size(name));
        mode.resize(mode.find(u'\0') == std::u16string::npos ? mode.size() : mode.find(u'\0'));
        return mode + u", SAPI4";
    }
    // Voice() refuses a position outside the list, as it must.
    std::size_t index = static_cast<std::size_t>(position) - Sapi4Count();
    return m_sapi5.Voice(index).displayName + u", SAPI5";
}
