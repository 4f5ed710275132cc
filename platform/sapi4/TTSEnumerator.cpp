#include "platform/sapi4/TTSEnumerator.h"

#include "platform/com/com.h"
#include "platform/sapi4/FliteVoices.h"
#include "platform/sapi4/TTSEngine.h"

#include <algorithm>
#include <string_view>

namespace {

// An empty string in the pattern matches any mode.
bool Matches(const WCHAR* wanted, const WCHAR* have) {
    return !*wanted || std::u16string_view(wanted) == std::u16string_view(have);
}

bool Matches(const TTSMODEINFOW& pattern, const TTSMODEINFOW& mode) {
    if (!(pattern.gModeID == GUID_NULL))
        return pattern.gModeID == mode.gModeID;
    return (pattern.gEngineID == GUID_NULL || pattern.gEngineID == mode.gEngineID) &&
           Matches(pattern.szModeName, mode.szModeName) &&
           Matches(pattern.szSpeaker, mode.szSpeaker) &&
           (!pattern.language.LanguageID ||
            pattern.language.LanguageID == mode.language.LanguageID) &&
           (pattern.dwFeatures & mode.dwFeatures) == pattern.dwFeatures;
}

} // namespace

HRESULT TTSEnumerator::Next(ULONG count, PTTSMODEINFOW modes, ULONG* fetched) {
    if (!modes || (!fetched && count != 1))
        return E_POINTER;
    const auto& voices = FliteVoices::Installed();
    ULONG n = 0;
    while (n < count && m_position < voices.size())
        modes[n++] = voices[m_position++].mode;
    if (fetched)
        *fetched = n;
    return n == count ? S_OK : S_FALSE;
}

HRESULT TTSEnumerator::Skip(ULONG count) {
    const std::size_t size = FliteVoices::Installed().size();
    const std::size_t left = size - std::min(m_position, size);
    m_position += std::min<std::size_t>(count, left);
    return count <= left ? S_OK : S_FALSE;
}

HRESULT TTSEnumerator::Reset() {
    m_position = 0;
    return S_OK;
}

HRESULT TTSEnumerator::Clone(ITTSEnumW** copy) {
    if (!copy)
        return E_POINTER;
    return CreateComInstance<TTSEnumerator>(IID_ITTSEnumW, reinterpret_cast<void**>(copy),
                                            m_position);
}

HRESULT TTSEnumerator::Find(PTTSMODEINFOW pattern, PTTSMODEINFORANK, PTTSMODEINFOW found) {
    if (!found)
        return E_POINTER;
    for (const FliteVoice& v : FliteVoices::Installed())
        if (!pattern || Matches(*pattern, v.mode)) {
            *found = v.mode;
            return S_OK;
        }
    return E_FAIL;
}

HRESULT TTSEnumerator::Select(GUID modeId, ITTSCentralW** central, IUnknown* audioDest) {
    if (!central)
        return E_POINTER;
    *central = nullptr;
    const FliteVoice* voice = FliteVoices::Find(modeId);
    if (!voice || !audioDest)
        return E_INVALIDARG;
    IAudioDestination* destination = nullptr;
    // Only the destinations of this runtime can carry its audio.
    HRESULT hr =
        audioDest->QueryInterface(IID_IAudioDestination, reinterpret_cast<void**>(&destination));
    if (FAILED(hr))
        return hr;
    hr = CreateComInstance<TTSEngine>(IID_ITTSCentralW, reinterpret_cast<void**>(central), *voice,
                                      destination);
    destination->Release();
    return hr;
}
