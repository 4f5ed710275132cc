#include "platform/wmf/SampleBuffer.h"

HRESULT NSSBuffer::GetLength(DWORD* length) {
    if (!length)
        return E_POINTER;
    *length = length_;
    return S_OK;
}

HRESULT NSSBuffer::SetLength(DWORD length) {
    if (length > bytes_.size())
        return E_INVALIDARG;
    length_ = length;
    return S_OK;
}

HRESULT NSSBuffer::GetMaxLength(DWORD* length) {
    if (!length)
        return E_POINTER;
    *length = static_cast<DWORD>(bytes_.size());
    return S_OK;
}

HRESULT NSSBuffer::GetBuffer(BYTE** buffer) {
    if (!buffer)
        return E_POINTER;
    *buffer = bytes_.data();
    return S_OK;
}

HRESULT NSSBuffer::GetBufferAndLength(BYTE** buffer, DWORD* length) {
    if (!buffer || !length)
        return E_POINTER;
    *buffer = bytes_.data();
    *length = length_;
    return S_OK;
}
