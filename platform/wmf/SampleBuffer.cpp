#include "platform/wmf/SampleBuffer.h"

HRESULT NSSBuffer::GetLength(DWORD* length) {
    if (!length)
        return E_POINTER;
    *length = m_length;
    return S_OK;
}

HRESULT NSSBuffer::SetLength(DWORD length) {
    if (length > m_bytes.size())
        return E_INVALIDARG;
    m_length = length;
    return S_OK;
}

HRESULT NSSBuffer::GetMaxLength(DWORD* length) {
    if (!length)
        return E_POINTER;
    *length = static_cast<DWORD>(m_bytes.size());
    return S_OK;
}

HRESULT NSSBuffer::GetBuffer(BYTE** buffer) {
    if (!buffer)
        return E_POINTER;
    *buffer = m_bytes.data();
    return S_OK;
}

HRESULT NSSBuffer::GetBufferAndLength(BYTE** buffer, DWORD* length) {
    if (!buffer || !length)
        return E_POINTER;
    *buffer = m_bytes.data();
    *length = m_length;
    return S_OK;
}
