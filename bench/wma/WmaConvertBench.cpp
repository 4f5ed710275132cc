// Runs one WAV-to-WMA conversion as a Write job would, for timing against
// ffmpeg: wma_convert_bench IN.wav OUT.wma "FORMAT DESCRIPTION"
// The format is looked up in the first codec (Windows Media Audio V2), as
// the output dialog would offer it.

#include "platform/com/com.h"
#include "platform/com/strings.h"
#include "platform/wmf/wmsdk.h"
#include "src/audio/Conversion.h"
#include "src/audio/WmaCodecCatalogue.h"
#include "src/resources/MessageService.h"

#include <cstdio>

namespace {

// Failures are printed, not shown: there is no window here.
class PrintingMessageService : public MessageService {
public:
    int ShowMessageBox(UINT, const std::u16string& text, const std::u16string&, UINT) override {
        std::fprintf(stderr, "%s\n", ToUtf8(text).c_str());
        return 1;
    }
    void OpenUrl(const std::u16string&) override {}
};

int FormatIndex(const std::u16string& description) {
    WmaCodecCatalogue catalogue;
    if (!catalogue.enumerate() || catalogue.codecs().empty())
        return -1;
    const auto& formats = catalogue.codecs()[0].formats;
    for (std::size_t i = 0; i < formats.size(); ++i)
        if (formats[i].description == description)
            return static_cast<int>(i);
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s IN.wav OUT.wma \"32 kbps, 22 kHz, mono CBR\"\n", argv[0]);
        return 2;
    }
    RegisterWmfRuntime();
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    PrintingMessageService messages;
    SetMessageService(&messages);
    Result<> result = UserMessage{};
    const int format = FormatIndex(FromUtf8(argv[3]));
    if (format < 0)
        std::fprintf(stderr, "no such format: %s\n", argv[3]);
    else
        result = convertWavToWma(FromUtf8(argv[1]), FromUtf8(argv[2]), 0, format);
    if (!result)
        ShowMessage(result.Message());
    SetMessageService(nullptr);
    CoUninitialize();
    return result ? 0 : 1;
}
