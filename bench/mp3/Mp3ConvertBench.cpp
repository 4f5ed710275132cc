// Runs one WAV-to-MP3 conversion as a Write job would, for timing against
// the lame command: mp3_convert_bench IN.wav OUT.mp3 KBPS QUALITY VBR(0|1)

#include "platform/com/strings.h"
#include "src/audio/Conversion.h"
#include "src/resources/MessageService.h"

#include <cstdio>
#include <cstdlib>

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

} // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s IN.wav OUT.mp3 KBPS QUALITY VBR\n", argv[0]);
        return 2;
    }
    PrintingMessageService messages;
    SetMessageService(&messages);
    const Result<> result =
        convertWavToMp3(FromUtf8(argv[1]), FromUtf8(argv[2]), std::atoi(argv[3]),
                        std::atoi(argv[4]), std::atoi(argv[5]) != 0);
    if (!result)
        ShowMessage(result.Message());
    SetMessageService(nullptr);
    return result ? 0 : 1;
}
