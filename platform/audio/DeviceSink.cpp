#include "platform/audio/DeviceSink.h"

HRESULT DeviceSink::Open(const WAVEFORMATEX& format) {
    m_aborted = false;
    return m_output.Open(format);
}

HRESULT DeviceSink::Write(const void* data, std::size_t bytes) {
    return m_output.Write(data, bytes);
}

HRESULT DeviceSink::Finish() {
    return m_output.Drain();
}

void DeviceSink::Abort() {
    m_aborted = true;
    m_output.Reset();
}

void DeviceSink::Close() {
    m_output.Close();
}
