// How far a voice has got: the place, in the caller's own string, of the word
// whose audio it delivered last, through the XML reader and a real voice.

#include "platform/com/ComPtr.h"
#include "platform/com/com.h"
#include "platform/com/strings.h"
#include "platform/sapi5/SapiXmlReader.h"
#include "platform/sapi5/sapi5.h"
#include "tests/support/EnvOverride.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// Each capital letter stands once in the XML, so the reader's output tells
// where it came from.
TEST(SapiXmlReaderSources, TraceEveryCharacterBackToTheXml) {
    const std::u16string cases[] = {
        u"A B C",
        u"<emph>A</emph> B &amp; C",
        u"<rate absspeed=\"3\"/>A<volume level=\"5\">B</volume>C",
        u"<![CDATA[E<F]]> G",
        u"<spell>AB</spell> <bookmark mark=\"x\"/>C <p><s>D</s></p>",
        u"x < A > B & C",
        u"<voice required=\"Gender=Female\">A</voice><silence msec=\"10\"/>B",
        u"\U0001D11E A &#98; C",
    };
    for (const std::u16string& xml : cases) {
        SCOPED_TRACE(ToUtf8(xml));
        for (const SpeechSegment& segment : SapiXmlReader::Read(xml)) {
            for (std::size_t i = 0; i < segment.text.size(); ++i) {
                const char16_t c = segment.text[i];
                if (c >= u'A' && c <= u'Z') {
                    EXPECT_EQ(segment.sources.SourceOf(i), xml.find(c)) << char(c);
                }
            }
        }
    }
}

bool InsideTag(const std::u16string& text, std::size_t at) {
    const std::size_t open = text.rfind(u'<', at);
    return open != std::u16string::npos && text.find(u'>', open) >= at;
}

TEST(Sapi5Progress, TheSpokenWordAdvancesThroughTheCallersMarkupToTheLastWord) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    RegisterSapi5Runtime();
    ScratchFolder scratch;
    // Long enough to be written by helper processes, when there are any.
    for (const char* processes : {"1", "2"}) {
        SCOPED_TRACE(processes);
        EnvOverride count("VOCALITH_SYNTHESIS_PROCESSES", processes);
        ComPtr<ISpVoice> voice;
        ComPtr<ISpStream> stream;
        ASSERT_EQ(
            CoCreateInstance(CLSID_SpVoice, nullptr, CLSCTX_ALL, IID_ISpVoice, voice.PutVoid()),
            S_OK);
        ASSERT_EQ(
            CoCreateInstance(CLSID_SpStream, nullptr, CLSCTX_ALL, IID_ISpStream, stream.PutVoid()),
            S_OK);
        GUID id{};
        WAVEFORMATEX* format = nullptr;
        ASSERT_EQ(SpConvertStreamFormatEnum(SPSF_22kHz16BitMono, &id, &format), S_OK);
        const std::u16string path =
            FromUtf8((scratch.Path() / (std::string(processes) + ".wav")).string());
        ASSERT_EQ(stream->BindToFile(path.c_str(), SPFM_CREATE_ALWAYS, &id, format, 0), S_OK);
        CoTaskMemFree(format);
        ASSERT_EQ(voice->SetOutput(stream.Get(), TRUE), S_OK);

        // Markup before the words and between them, an escape, a character
        // beyond the 16-bit plane: none may shift the positions.
        std::u16string text = u"<volume level=\"90\"/><rate absspeed=\"2\"/>";
        for (int i = 0; i < 100; ++i)
            text += u"The <emph>brown</emph> fox &amp; the dog run past the old mill. ";
        text += u"\U0001D11E Then, at long last, silence.";
        ASSERT_EQ(voice->Speak(text.c_str(), SPF_ASYNC | SPF_IS_XML, nullptr), S_OK);

        std::vector<ULONG> seen;
        SPVOICESTATUS status{};
        for (bool done = false; !done;) {
            done = voice->WaitUntilDone(1) == S_OK;
            ASSERT_EQ(voice->GetStatus(&status, nullptr), S_OK);
            if (status.ulInputWordLen == 0) // no word yet
                continue;
            if (seen.empty() || status.ulInputWordPos != seen.back())
                seen.push_back(status.ulInputWordPos);
            ASSERT_FALSE(InsideTag(text, status.ulInputWordPos)) << status.ulInputWordPos;
        }
        EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
        EXPECT_GT(seen.size(), 3u);
        EXPECT_EQ(text.substr(status.ulInputWordPos, status.ulInputWordLen), u"silence");
        EXPECT_EQ(status.dwRunningState, SPRS_DONE);
    }
    CoUninitialize();
}

} // namespace
