#pragma once
// Speech into a WAV file. A file whose writing or completion failed is
// deleted rather than left behind cut short, and the failure is kept for
// whoever asks next.

#include "platform/audio/PcmSink.h"
#include "platform/audio/WavFileWriter.h"

#include <string>

class WavFileSink : public PcmSink {
public:
    // Creates or truncates the file and forgets an earlier failure; a file
    // that cannot be created is the caller's to report.
    HRESULT Create(const std::u16string& path, const WAVEFORMATEX& format);
    HRESULT Write(const void* data, std::size_t bytes) override;
    // Completes the file and closes it.
    HRESULT Finish() override;
    // Nothing waits on a file.
    void Abort() override {}
    bool IsOpen() const { return m_writer.IsOpen(); }
    // Why the last file was deleted; S_OK if it was not.
    HRESULT Failure() const { return m_failure; }

private:
    HRESULT Fail(HRESULT hr);

    WavFileWriter m_writer;
    HRESULT m_failure = S_OK;
};
