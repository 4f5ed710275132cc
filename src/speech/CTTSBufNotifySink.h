#pragma once
// The buffer sink handed to the SAPI 4 engine with a job's text. It hears, on
// the worker while it dispatches its messages, where in the text the audio
// has got; the worker reads that as the job's progress.

#include "platform/sapi4/sapi4.h"

#include <atomic>
#include <cstdint>
#include <optional>

class CTTSBufNotifySink : public ComObject<CTTSBufNotifySink, ITTSBufNotifySink> {
public:
    HRESULT TextDataDone(QWORD, DWORD) override { return S_OK; }
    HRESULT TextDataStarted(QWORD) override { return S_OK; }
    HRESULT BookMark(QWORD, DWORD) override { return S_OK; }
    HRESULT WordPosition(QWORD, DWORD byteOffset) override {
        m_byteOffset = byteOffset;
        return S_OK;
    }

    // The byte offset in the text of the word spoken last; none before the first.
    std::optional<DWORD> SpokenOffset() const {
        const std::int64_t offset = m_byteOffset;
        if (offset < 0)
            return std::nullopt;
        return static_cast<DWORD>(offset);
    }

private:
    std::atomic<std::int64_t> m_byteOffset{-1};
};
