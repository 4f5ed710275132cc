#pragma once
// A sample handed out by the writer: a block of memory with a used length.

#include "platform/com/unknown.h"
#include "platform/wmf/wmsdk.h"

#include <vector>

class NSSBuffer : public ComObject<NSSBuffer, INSSBuffer> {
public:
    explicit NSSBuffer(DWORD maxLength) : m_bytes(maxLength), m_length(maxLength) {}

    HRESULT GetLength(DWORD* length) override;
    HRESULT SetLength(DWORD length) override;
    HRESULT GetMaxLength(DWORD* length) override;
    HRESULT GetBuffer(BYTE** buffer) override;
    HRESULT GetBufferAndLength(BYTE** buffer, DWORD* length) override;

private:
    std::vector<BYTE> m_bytes;
    DWORD m_length;
};
