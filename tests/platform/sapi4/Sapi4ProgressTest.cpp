// The buffer sink handed over with a text: how its audio moves through the
// text, sentence by sentence, in the caller's own byte offsets.

#include "platform/com/strings.h"
#include "platform/sapi4/FliteSpeech.h"
#include "tests/platform/sapi4/RuntimeTestSupport.h"

#include <mutex>
#include <vector>

namespace {

class RecordingBufSink : public ComObject<RecordingBufSink, ITTSBufNotifySink> {
public:
    HRESULT TextDataStarted(QWORD) override { return Record(kStarted); }
    HRESULT TextDataDone(QWORD, DWORD flags) override { return Record(kDone + flags); }
    HRESULT BookMark(QWORD, DWORD) override { return E_UNEXPECTED; }
    HRESULT WordPosition(QWORD, DWORD byteOffset) override { return Record(byteOffset); }

    // Byte offsets, with the start and the end of the text marked.
    static constexpr std::int64_t kStarted = -1;
    static constexpr std::int64_t kDone = -100;
    std::vector<std::int64_t> Heard() {
        std::lock_guard lock(m_mutex);
        return m_heard;
    }

private:
    HRESULT Record(std::int64_t what) {
        std::lock_guard lock(m_mutex);
        m_heard.push_back(what);
        return S_OK;
    }
    std::mutex m_mutex;
    std::vector<std::int64_t> m_heard;
};

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
        bufSink->Release();
    }
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
