// The buffer sink handed over with a text: how its audio moves through the
// text, sentence by sentence, in the caller's own byte offsets.

#include "platform/com/strings.h"
#include "platform/sapi4/FliteSpeech.h"
#include "tests/platform/sapi4/RuntimeTestSupport.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

namespace {

class RecordingBufSink : public ComObject<RecordingBufSink, ITTSBufNotifySink> {
public:
    HRESULT TextDataStarted(QWORD stamp) override {
        m_started = stamp;
        return Record(kStarted);
    }
    HRESULT TextDataDone(QWORD, DWORD flags) override { return Record(kDone + flags); }
    HRESULT BookMark(QWORD, DWORD) override { return E_UNEXPECTED; }
    HRESULT WordPosition(QWORD stamp, DWORD byteOffset) override {
        std::lock_guard lock(m_mutex);
        m_stamps.push_back(stamp - m_started);
        m_heard.push_back(byteOffset);
        return S_OK;
    }

    // Byte offsets, with the start and the end of the text marked.
    static constexpr std::int64_t kStarted = -1;
    static constexpr std::int64_t kDone = -100;
    std::vector<std::int64_t> Heard() {
        std::lock_guard lock(m_mutex);
        return m_heard;
    }
    // Each word position's stamp, in bytes of the text's audio.
    std::vector<QWORD> Stamps() {
        std::lock_guard lock(m_mutex);
        return m_stamps;
    }

private:
    HRESULT Record(std::int64_t what) {
        std::lock_guard lock(m_mutex);
        m_heard.push_back(what);
        return S_OK;
    }
    std::mutex m_mutex;
    std::vector<std::int64_t> m_heard;
    QWORD m_started = 0;
    std::vector<QWORD> m_stamps;
};

// Whether speech starts near the sample: nothing above -44 dBFS in the
// 100 ms before it, something within the 50 ms after it.
bool SpeechStartsAt(const std::vector<float>& samples, unsigned rate, std::size_t at) {
    auto loudest = [&](std::size_t from, std::size_t to) {
        float peak = 0;
        for (std::size_t i = from; i < std::min(to, samples.size()); ++i)
            peak = std::max(peak, std::abs(samples[i]));
        return peak;
    };
    const float threshold = 0.006f;
    return loudest(at - std::min<std::size_t>(at, rate / 10), at) < threshold &&
           loudest(at, at + rate / 20) >= threshold;
}

TEST_F(Sapi4RuntimeTest, WordPositionsFollowTheAudioThroughTheCallersText) {
    // Tags and a doubled backslash before sentences: the offsets are the
    // caller's, not those of the text the engine speaks.
    const std::u16string text = u"\\spd=180\\First \\\\ sentence here. Second one follows it. "
                                u"\\vol=40000\\\\xyz\\Third sentence now. Last.";
    std::vector<std::int64_t> expected = {RecordingBufSink::kStarted};
    for (std::u16string_view sentence : {u"First", u" Second", u"Third", u" Last"})
        expected.push_back(static_cast<std::int64_t>(text.find(sentence) * sizeof(WCHAR)));
    expected.push_back(RecordingBufSink::kDone);

    const TTSMODEINFOW mode = InstalledModes().front();
    std::vector<std::vector<QWORD>> stamps;
    // One thread streams; several synthesise ahead and deliver in order.
    for (unsigned threads : {1u, 3u}) {
        SCOPED_TRACE(threads);
        SetFileSynthesisThreads(threads);
        IAudioFile* file = CreateFileDest();
        ITTSCentralW* central = Select(mode, file);
        ASSERT_TRUE(central);
        const std::u16string path = FromUtf8((dir / "progress.wav").string());
        ASSERT_EQ(file->Set(path.c_str(), 1), S_OK);
        auto* sink = new RecordingSink;
        auto* bufSink = new RecordingBufSink;
        DWORD key = 0;
        ASSERT_EQ(central->Register(static_cast<ITTSNotifySinkW*>(sink), IID_ITTSNotifySinkW, &key),
                  S_OK);
        SDATA data{const_cast<WCHAR*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR))};
        ASSERT_EQ(central->TextData(CHARSET_TEXT, TTSDATAFLAG_TAGGED, data,
                                    static_cast<ITTSBufNotifySink*>(bufSink),
                                    IID_ITTSBufNotifySink),
                  S_OK);
        EXPECT_TRUE(PumpMessagesUntil([&] { return sink->Stopped(); }));
        EXPECT_EQ(bufSink->Heard(), expected);
        central->UnRegister(key);
        central->Release();
        file->Release();
        sink->Release();
        // Each sentence is stamped where its speech starts in the file.
        stamps.push_back(bufSink->Stamps());
        bufSink->Release();
        // The file is completed once the synthesis lets go of it too.
        std::optional<WavContents> wav;
        ASSERT_TRUE(PumpMessagesUntil([&] {
            wav = ReadWav(dir / "progress.wav");
            return wav && wav->complete;
        }));
        const std::vector<float> mono = ToMono(wav->data, wav->format);
        for (QWORD stamp : stamps.back())
            EXPECT_TRUE(SpeechStartsAt(mono, wav->format.nSamplesPerSec,
                                       static_cast<std::size_t>(stamp / wav->format.nBlockAlign)))
                << stamp;
    }
    EXPECT_EQ(stamps.front(), stamps.back());
    SetFileSynthesisThreads(0);
}

TEST_F(Sapi4RuntimeTest, TextDataRefusesABufferSinkOfAnotherInterface) {
    IAudioFile* file = CreateFileDest();
    ITTSCentralW* central = Select(InstalledModes().front(), file);
    ASSERT_TRUE(central);
    auto* sink = new RecordingSink;
    const std::u16string text = u"Hello.";
    SDATA data{const_cast<WCHAR*>(text.c_str()),
               static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR))};
    EXPECT_EQ(central->TextData(CHARSET_TEXT, 0, data, static_cast<ITTSNotifySinkW*>(sink),
                                IID_ITTSNotifySinkW),
              E_NOINTERFACE);
    EXPECT_EQ(central->TextData(CHARSET_TEXT, 0, data, static_cast<ITTSNotifySinkW*>(sink),
                                IID_ITTSBufNotifySink),
              E_NOINTERFACE);
    central->Release();
    file->Release();
    sink->Release();
}

} // namespace
