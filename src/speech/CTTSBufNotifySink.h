#pragma once
// The buffer sink handed to the SAPI 4 engine with a job's text. It hears, on
// the worker while it dispatches its messages, where in the text the audio
// has got; the worker reads that as the job's progress. Asked to, it keeps
// every word position with where its audio starts.
//
// The runtime's time stamps count the bytes of audio its engine has
// delivered to the destination, in the engine's format, since the engine
// was made: a word's audio starts at its stamp less the text's start.

#include "platform/sapi4/sapi4.h"
#include "src/speech/EngineSentence.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <optional>
#include <utility>

class CTTSBufNotifySink : public ComObject<CTTSBufNotifySink, ITTSBufNotifySink> {
public:
    explicit CTTSBufNotifySink(bool keepPositions = false) : m_keepPositions(keepPositions) {}

    HRESULT TextDataDone(QWORD, DWORD) override { return S_OK; }
    HRESULT TextDataStarted(QWORD timeStamp) override {
        m_started = timeStamp;
        return S_OK;
    }
    HRESULT BookMark(QWORD, DWORD) override { return S_OK; }
    HRESULT WordPosition(QWORD timeStamp, DWORD byteOffset) override {
        m_byteOffset = byteOffset;
        if (m_keepPositions)
            m_positions.push_back(
                {byteOffset / sizeof(WCHAR), timeStamp - std::min(timeStamp, m_started)});
        return S_OK;
    }

    // The byte offset in the text of the word spoken last; none before the first.
    std::optional<DWORD> SpokenOffset() const {
        const std::int64_t offset = m_byteOffset;
        if (offset < 0)
            return std::nullopt;
        return static_cast<DWORD>(offset);
    }

    // The word positions kept, in characters of the text, each with the
    // bytes of the text's audio before it.
    EngineSentences TakePositions() { return std::exchange(m_positions, {}); }

private:
    std::atomic<std::int64_t> m_byteOffset{-1};
    const bool m_keepPositions;
    QWORD m_started = 0;
    EngineSentences m_positions;
};
