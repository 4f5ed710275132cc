// An audiobook's assembly and its parts folder with each of their file-system
// and encoder calls failing in turn, the pieces already made: a run that
// fails says so in one line, leaves no output and no temporary file and keeps
// every piece, and the next run completes with them. The calls are wrapped at
// this test's link (-Wl,--wrap), so only the program's own code reaches them.

#include "src/audiobook/PieceCues.h"
#include "src/audiobook/PieceEncoder.h"
#include "src/cli/AudiobookRunner.h"
#include "src/cli/Console.h"
#include "tests/support/DecodedAudio.h"
#include "tests/support/ScratchFolder.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <set>
#include <unistd.h>

extern "C" {
#include <libavformat/avformat.h>
}

namespace {

namespace fs = std::filesystem;

enum Call {
    kOpen,
    kWrite,
    kFsync,
    kRename,
    kUnlink,
    kMkdir,
    kOpendir,
    kReaddir,
    kAvioOpen,
    kWriteHeader,
    kWriteFrame,
    kAvioWrite,
    kWriteTrailer,
    kAvioClose,
    kCalls
};
const char* const kNames[kCalls] = {"open",          "write",        "fsync",       "rename",
                                    "unlink",        "mkdir",        "opendir",     "readdir",
                                    "avio_open",     "write_header", "write_frame", "avio_write",
                                    "write_trailer", "avio_closep"};

std::atomic<bool> g_armed{false};
std::string g_folder; // set while disarmed
std::array<std::atomic<int>, kCalls> g_counts{};
std::atomic<int> g_failCall{kCalls}, g_failIndex{-1};
std::array<std::atomic<bool>, 1024> g_ours{}; // descriptors opened in the folder

bool Ours(const char* path) {
    return g_armed && path && std::strncmp(path, g_folder.c_str(), g_folder.size()) == 0;
}

// Counts the call; true when it is the one to fail.
bool Fails(Call call) {
    return g_armed && g_counts[call]++ == g_failIndex && call == g_failCall;
}

void Arm(const fs::path& folder, int call = kCalls, int index = -1) {
    g_armed = false;
    g_folder = folder.string();
    for (auto& count : g_counts)
        count = 0;
    g_failCall = call;
    g_failIndex = index;
    g_armed = true;
}

} // namespace

extern "C" {
int __real_open(const char* path, int flags, ...);
ssize_t __real_write(int fd, const void* data, size_t count);
int __real_fsync(int fd);
int __real_rename(const char* from, const char* to);
int __real_unlink(const char* path);
int __real_mkdir(const char* path, mode_t mode);
DIR* __real_opendir(const char* path);
dirent* __real_readdir(DIR* folder);
int __real_avio_open(AVIOContext** context, const char* url, int flags);
int __real_avformat_write_header(AVFormatContext* context, AVDictionary** options);
int __real_av_interleaved_write_frame(AVFormatContext* context, AVPacket* packet);
void __real_avio_write(AVIOContext* context, const unsigned char* data, int size);
int __real_av_write_trailer(AVFormatContext* context);
int __real_avio_closep(AVIOContext** context);

int __wrap_open(const char* path, int flags, mode_t mode) {
    if (Ours(path) && Fails(kOpen)) {
        errno = EACCES;
        return -1;
    }
    const int fd = __real_open(path, flags, mode);
    if (fd >= 0 && fd < static_cast<int>(g_ours.size()))
        g_ours[fd] = Ours(path);
    return fd;
}
ssize_t __wrap_write(int fd, const void* data, size_t count) {
    if (fd >= 0 && fd < static_cast<int>(g_ours.size()) && g_ours[fd] && Fails(kWrite)) {
        errno = ENOSPC;
        return -1;
    }
    return __real_write(fd, data, count);
}
int __wrap_fsync(int fd) {
    if (Fails(kFsync)) {
        errno = EIO;
        return -1;
    }
    return __real_fsync(fd);
}
int __wrap_rename(const char* from, const char* to) {
    if (Ours(from) && Fails(kRename)) {
        errno = EIO;
        return -1;
    }
    return __real_rename(from, to);
}
int __wrap_unlink(const char* path) {
    if (Ours(path) && Fails(kUnlink)) {
        errno = EIO;
        return -1;
    }
    return __real_unlink(path);
}
int __wrap_mkdir(const char* path, mode_t mode) {
    if (Ours(path) && Fails(kMkdir)) {
        errno = EIO;
        return -1;
    }
    return __real_mkdir(path, mode);
}
DIR* __wrap_opendir(const char* path) {
    if (Ours(path) && Fails(kOpendir)) {
        errno = EIO;
        return nullptr;
    }
    return __real_opendir(path);
}
dirent* __wrap_readdir(DIR* folder) {
    if (Fails(kReaddir)) {
        errno = EIO;
        return nullptr;
    }
    return __real_readdir(folder);
}
int __wrap_avio_open(AVIOContext** context, const char* url, int flags) {
    return Fails(kAvioOpen) ? AVERROR(EACCES) : __real_avio_open(context, url, flags);
}
int __wrap_avformat_write_header(AVFormatContext* context, AVDictionary** options) {
    return Fails(kWriteHeader) ? AVERROR(ENOSPC) : __real_avformat_write_header(context, options);
}
int __wrap_av_interleaved_write_frame(AVFormatContext* context, AVPacket* packet) {
    if (Fails(kWriteFrame)) {
        av_packet_unref(packet); // as FFmpeg leaves it, even on an error
        return AVERROR(ENOSPC);
    }
    return __real_av_interleaved_write_frame(context, packet);
}
void __wrap_avio_write(AVIOContext* context, const unsigned char* data, int size) {
    if (Fails(kAvioWrite))
        context->error = AVERROR(ENOSPC); // how FFmpeg reports a failed write
    else
        __real_avio_write(context, data, size);
}
int __wrap_av_write_trailer(AVFormatContext* context) {
    return Fails(kWriteTrailer) ? AVERROR(EIO) : __real_av_write_trailer(context);
}
int __wrap_avio_closep(AVIOContext** context) {
    const int code = __real_avio_closep(context);
    return Fails(kAvioClose) ? AVERROR(EIO) : code;
}
} // extern "C"

namespace {

struct RunResult {
    int status = -1;
    std::string err;
};

class AudiobookFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        av_log_set_level(AV_LOG_QUIET);
        ASSERT_EQ(::pipe2(signals, O_NONBLOCK), 0); // as a signal descriptor reads
        book.title = "Faults";
        request.name = "faults.txt";
        request.book = &book;
        request.chapters = {{0, "One", "The first chapter."}, {1, "Two", "The second."}};
    }
    void TearDown() override {
        ::close(signals[0]);
        ::close(signals[1]);
    }

    // Makes the book's pieces, as its children would, in a folder of their
    // own to copy back into the parts folder before each run.
    void MakePieces(AudiobookFormat format, const fs::path& parts) {
        request.settings.encoding = {format, 0};
        WAVEFORMATEX pcm{WAVE_FORMAT_PCM, 1, 16000, 32000, 2, 16, 0};
        const std::string wav = (folder / "speech.wav").string();
        WriteWavFile(wav, pcm, MakeTestSignal(pcm, 0.5));
        fs::create_directories(pristine);
        for (const PlannedChapter& chapter : PlanBook(request.chapters, request.settings))
            for (const PlannedPiece& piece : chapter.pieces) {
                const fs::path path = pristine / (piece.key + ExtensionOf(format));
                ASSERT_EQ(EncodePiece(wav, request.settings.encoding, path), "");
                pieces.insert(path.filename());
                if (request.subtitles) {
                    ASSERT_EQ(WritePieceCues(CuesPath(path), {{0.1, piece.text}}), "");
                    pieces.insert(fs::path(CuesPath(path)).filename());
                }
            }
        fs::remove(wav);
        this->parts = parts;
    }
    void RestorePieces() {
        fs::create_directories(parts);
        for (const std::string& piece : pieces)
            fs::copy_file(pristine / piece, parts / piece, fs::copy_options::skip_existing);
    }
    std::set<std::string> PiecesLeft() {
        std::set<std::string> left;
        std::error_code ignored;
        for (const auto& entry : fs::directory_iterator(parts, ignored))
            left.insert(entry.path().filename());
        return left;
    }
    bool AnyTemporary() {
        for (const auto& entry : fs::recursive_directory_iterator(folder.Path()))
            if (entry.path().filename().string().find(".partial-") != std::string::npos)
                return true;
        return false;
    }

    RunResult Start() {
        RestorePieces();
        Console console(false);
        testing::internal::CaptureStderr();
        RunResult run;
        run.status = RunAudiobook(request, console, signals[0]);
        g_armed = false;
        run.err = testing::internal::GetCapturedStderr();
        return run;
    }

    // Each call fails in turn; `outputs` are what a run writes.
    void EachCallFails(const std::vector<fs::path>& outputs) {
        Arm(folder.Path());
        ASSERT_EQ(Start().status, 0);
        std::array<int, kCalls> counts{};
        for (int c = 0; c < kCalls; ++c)
            counts[c] = g_counts[c];
        const double seconds = DecodeAudioFile(outputs.front()).seconds;
        ASSERT_GT(seconds, 0.3);
        for (const fs::path& output : outputs)
            fs::remove(output);
        int failures = 0;
        for (int c = 0; c < kCalls; ++c)
            for (int i = 0; i < counts[c]; ++i) {
                SCOPED_TRACE(std::string(kNames[c]) + " #" + std::to_string(i));
                Arm(folder.Path(), c, i);
                const RunResult run = Start();
                if (run.status != 0) {
                    ++failures;
                    EXPECT_EQ(run.status, 1);
                    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
                    EXPECT_EQ(run.err.find(".partial-"), std::string::npos) << run.err;
                    for (const fs::path& output : outputs)
                        EXPECT_FALSE(fs::exists(output)) << output;
                    EXPECT_EQ(PiecesLeft(), pieces) << "the finished pieces are kept";
                } else {
                    EXPECT_NEAR(DecodeAudioFile(outputs.front()).seconds, seconds, 0.01);
                }
                EXPECT_FALSE(AnyTemporary());
                for (const fs::path& output : outputs)
                    fs::remove(output);
                const RunResult again = Start();
                ASSERT_EQ(again.status, 0) << again.err;
                EXPECT_NEAR(DecodeAudioFile(outputs.front()).seconds, seconds, 0.01);
                for (const fs::path& output : outputs)
                    fs::remove(output);
            }
        EXPECT_GT(failures, 5);
    }

    ScratchFolder folder, pristineFolder;
    fs::path pristine = pristineFolder / "pieces", parts;
    std::set<std::string> pieces;
    int signals[2] = {-1, -1};
    Book book;
    AudiobookRequest request;
};

TEST_F(AudiobookFaultTest, EachCallOfAWholeBookFailsInTurn) {
    request.output = (folder / "book.m4b").string();
    request.subtitles = SubtitleFormat::Srt;
    MakePieces(AudiobookFormat::M4b, folder / "book.m4b.parts");
    EachCallFails({request.output, folder / "book.srt"});
}

TEST_F(AudiobookFaultTest, EachCallOfASplitBookFailsInTurn) {
    request.output = folder.Path().string();
    request.split = true;
    MakePieces(AudiobookFormat::Mp3, folder / "Faults.parts");
    EachCallFails({folder / "01 - One.mp3", folder / "02 - Two.mp3", folder / "Faults.m3u8"});
}

} // namespace
