#include "tests/fakes/FakeSapi4Destinations.h"

#include "platform/com/strings.h"
#include "tests/fakes/FakeCounted.h"
#include "tests/fakes/FakeJobWav.h"

#include <cstdio>

namespace {

using Lock = std::lock_guard<std::mutex>;
using Counted = FakeCounted<FakeSapi4State>;

constexpr std::uint32_t kRate = 16000;

class FakeFileDest : public ComObject<FakeFileDest, IAudioFile>, Counted {
public:
    explicit FakeFileDest(std::shared_ptr<FakeSapi4State> state) : Counted(std::move(state)) {}
    ~FakeFileDest() override {
        Lock lock(m_state->mutex);
        m_state->calls.log.push_back("~File");
        Close();
    }

    HRESULT Register(void*) override { return E_NOTIMPL; }
    HRESULT Set(LPCWSTR path, DWORD flags) override {
        Lock lock(m_state->mutex);
        m_state->calls.setPath = path;
        m_state->calls.setFlags = flags;
        m_state->filePaths.push_back(path);
        if (FAILED(m_state->results.setFile))
            return m_state->results.setFile;
        m_file = std::fopen(ToUtf8(path).c_str(), "wb");
        if (!m_file)
            return E_FAIL;
        WriteHeader();
        return S_OK;
    }
    HRESULT Add(LPCWSTR, DWORD) override { return E_NOTIMPL; }
    HRESULT Flush() override {
        Lock lock(m_state->mutex);
        m_state->calls.log.push_back("Flush");
        ++m_state->flushes;
        Close();
        return m_state->results.flush;
    }
    HRESULT RealTimeGet(WORD* realTime) override {
        *realTime = 0xFFFF;
        return S_OK;
    }
    HRESULT RealTimeSet(WORD v) override {
        Lock lock(m_state->mutex);
        m_state->calls.realTime = v;
        return m_state->results.realTimeSet;
    }

    // The engine delivers the audio of a text.
    void Write(std::uint32_t bytes) {
        Lock lock(m_state->mutex);
        if (!m_file)
            return;
        const auto samples = FakeJobWav::Samples(bytes);
        std::fwrite(samples.data(), 1, samples.size(), m_file);
        m_dataBytes += bytes;
    }

private:
    void WriteHeader() {
        const auto header = FakeJobWav::Header(kRate, 16, 1, m_dataBytes);
        std::fseek(m_file, 0, SEEK_SET);
        std::fwrite(header.data(), 1, header.size(), m_file);
    }
    void Close() {
        if (!m_file)
            return;
        WriteHeader();
        std::fclose(m_file);
        m_file = nullptr;
    }

    std::FILE* m_file = nullptr;
    std::uint32_t m_dataBytes = 0;
};

class FakeDevice : public ComObject<FakeDevice, IAudioMultiMediaDevice>, Counted {
public:
    explicit FakeDevice(std::shared_ptr<FakeSapi4State> state) : Counted(std::move(state)) {}
    ~FakeDevice() override {
        Lock lock(m_state->mutex);
        m_state->calls.log.push_back("~Device");
    }

    HRESULT CustomMessage(UINT, SDATA) override { return E_NOTIMPL; }
    HRESULT DeviceNumGet(DWORD* id) override {
        *id = m_device;
        return S_OK;
    }
    HRESULT DeviceNumSet(DWORD id) override {
        Lock lock(m_state->mutex);
        m_state->calls.deviceNum = id;
        m_device = id;
        return m_state->results.deviceNumSet;
    }

private:
    DWORD m_device = 0;
};

} // namespace

HRESULT CreateFakeSapi4FileDest(std::shared_ptr<FakeSapi4State> state, REFIID riid, void** ppv) {
    return CreateComInstance<FakeFileDest>(riid, ppv, std::move(state));
}

HRESULT CreateFakeSapi4Device(std::shared_ptr<FakeSapi4State> state, REFIID riid, void** ppv) {
    return CreateComInstance<FakeDevice>(riid, ppv, std::move(state));
}

void WriteFakeSapi4Audio(IAudioFile* file, std::uint32_t bytes) {
    static_cast<FakeFileDest*>(file)->Write(bytes);
}
