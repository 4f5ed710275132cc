#pragma once
// COM on the calling thread for the object's lifetime, as the program's
// threads have it.

#include "platform/com/com.h"

class ComApartment {
public:
    ComApartment() : m_result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment() { CoUninitialize(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    HRESULT Result() const { return m_result; }

private:
    HRESULT m_result;
};
