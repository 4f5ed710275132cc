// libFuzzer target: any bytes, opened as a WAV file and read to the end, must
// never crash and may only ever answer with the reader's own messages.

#include "src/audio/WavFileReader.h"
#include "src/resources/MessageService.h"
#include "src/resources/StringTable.h"
#include "src/resources/resource.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

class StrictMessageService : public MessageService {
public:
    int ShowMessageBox(UINT, const std::u16string& text, const std::u16string&, UINT) override {
        if (text != LoadResString(IDS_WAV_OPEN) && text != LoadResString(IDS_WAV_CORRUPT) &&
            text != LoadResString(IDS_WAV_FILE_EXCEPTION))
            std::abort();
        return 1;
    }
    void OpenUrl(const std::u16string&) override { std::abort(); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static StrictMessageService service;
    static const int fd = [] {
        SetMessageService(&service);
        return ::memfd_create("wav", 0);
    }();
    static const std::u16string path = [] {
        std::u16string p;
        for (char c : "/proc/self/fd/" + std::to_string(fd))
            p += static_cast<char16_t>(c);
        return p;
    }();
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        std::abort();

    WavFileReader reader;
    if (reader.open(path)) {
        if (reader.format.cbSize != 0)
            std::abort();
        char buffer[333];
        std::size_t total = 0;
        for (Result<std::uint32_t> n = 1u; n && *n;) {
            n = reader.read(buffer, sizeof buffer);
            total += n ? *n : 0;
        }
        if (total > size)
            std::abort();
        if (reader.rewindToData())
            reader.read(buffer, sizeof buffer);
    }
    return 0;
}
