// A finished piece cut short or overwritten since it was made. FFmpeg's
// demuxers end quietly where most files end early, so each format's piece
// is held against what it declares of itself: an MP4's index, LAME's info
// frame, the Ogg stream's end-of-stream page, the FLAC and WAV headers'
// lengths.

#include "src/audiobook/AvSupport.h"
#include "src/audiobook/BookLayout.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileClose>;

std::uint32_t BigEndian32(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) << 24 | bytes[1] << 16 | bytes[2] << 8 | bytes[3];
}

long FileSize(std::FILE* file) {
    return std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1;
}

// Walks the MP4's top-level boxes by their sizes: they must end where the
// file ends (its index, at the end, can lose its last bytes unnoticed).
std::string Mp4Damage(std::FILE* file) {
    const long size = FileSize(file);
    long at = 0;
    while (at < size) {
        unsigned char header[16];
        if (std::fseek(file, at, SEEK_SET) != 0 || std::fread(header, 1, 8, file) != 8)
            return "its last MP4 box is cut short";
        std::uint64_t box = BigEndian32(header);
        if (box == 1) { // a 64-bit size follows the type
            if (std::fread(header + 8, 1, 8, file) != 8)
                return "its last MP4 box is cut short";
            box = static_cast<std::uint64_t>(BigEndian32(header + 8)) << 32 |
                  BigEndian32(header + 12);
        }
        if (box < 8)
            return "its MP4 boxes break off";
        if (box > static_cast<std::uint64_t>(size - at))
            return "its last MP4 box is cut short";
        at += static_cast<long>(box);
    }
    return {};
}

// Where an MP3 piece's frames start: after its ID3v2 tag, if it has one.
long FirstFrame(std::FILE* file) {
    unsigned char tag[10];
    if (std::fseek(file, 0, SEEK_SET) != 0 || std::fread(tag, 1, 10, file) != 10 ||
        std::memcmp(tag, "ID3", 3) != 0)
        return 0;
    // The size is "synchsafe": seven bits a byte.
    return 10 +
           ((tag[6] & 0x7F) << 21 | (tag[7] & 0x7F) << 14 | (tag[8] & 0x7F) << 7 |
            (tag[9] & 0x7F)) +
           ((tag[5] & 0x10) ? 10 : 0);
}

// The frame and byte counts of LAME's info frame (a Xing header in the
// piece's first frame, after the frame's side information).
bool ReadInfoFrame(std::FILE* file, long at, std::uint32_t& frames, std::uint32_t& bytes,
                   int& frameSamples) {
    unsigned char head[64];
    if (std::fseek(file, at, SEEK_SET) != 0 ||
        std::fread(head, 1, sizeof head, file) != sizeof head)
        return false;
    const std::uint32_t header = BigEndian32(head);
    if ((header & 0xFFE00000) != 0xFFE00000)
        return false;
    const bool mpeg1 = (header >> 19 & 3) == 3;
    const bool mono = (header >> 6 & 3) == 3;
    const int xing = 4 + (mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17));
    if (std::memcmp(head + xing, "Info", 4) != 0 && std::memcmp(head + xing, "Xing", 4) != 0)
        return false;
    const std::uint32_t flags = BigEndian32(head + xing + 4);
    if ((flags & 3) != 3)
        return false;
    frames = BigEndian32(head + xing + 8);
    bytes = BigEndian32(head + xing + 12);
    frameSamples = mpeg1 ? 1152 : 576;
    return true;
}

std::string Mp3Damage(std::FILE* file, std::int64_t samples) {
    std::uint32_t frames = 0, bytes = 0;
    int frameSamples = 0;
    const long first = FirstFrame(file);
    if (!ReadInfoFrame(file, first, frames, bytes, frameSamples))
        return "it has no LAME info frame";
    const long size = FileSize(file) - first;
    if (size != static_cast<long>(bytes))
        return "it holds " + std::to_string(size) + " bytes of the " + std::to_string(bytes) +
               " its info frame counts";
    if (samples != static_cast<std::int64_t>(frames) * frameSamples)
        return "it holds " + std::to_string(samples / frameSamples) + " frames of the " +
               std::to_string(frames) + " its info frame counts";
    return {};
}

// Walks the Ogg pages by their headers: the last must end the file and the
// stream (a stream cut at a page's start still reads page by page).
std::string OggDamage(std::FILE* file) {
    const long size = FileSize(file);
    long at = 0;
    bool ended = false;
    while (at < size) {
        unsigned char header[27], lacing[255];
        if (std::fseek(file, at, SEEK_SET) != 0 || std::fread(header, 1, 27, file) != 27 ||
            std::memcmp(header, "OggS", 4) != 0 ||
            std::fread(lacing, 1, header[26], file) != header[26])
            return "its Ogg pages break off";
        ended = (header[5] & 0x04) != 0;
        at += 27 + header[26];
        for (int i = 0; i < header[26]; ++i)
            at += lacing[i];
    }
    if (at != size)
        return "its last Ogg page is cut short";
    if (!ended)
        return "its Ogg stream has no end";
    return {};
}

std::string LosslessDamage(const std::string& path) {
    std::string error;
    AvInputPtr input = OpenAvInput(path, error);
    if (!input)
        return error;
    // A WAV whose data chunk runs past the file's end, or a FLAC without
    // its length, has its duration guessed from the file's size.
    const AVStream& stream = *input->streams[0];
    if (stream.duration == AV_NOPTS_VALUE ||
        input->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE)
        return "it is shorter than its header says";
    const std::int64_t declared = av_rescale_q(stream.duration, stream.time_base,
                                               AVRational{1, stream.codecpar->sample_rate});
    input.reset();
    std::int64_t decoded = 0;
    error = DecodePiece(path, [&decoded](const std::int16_t*, int frames) {
        decoded += frames;
        return std::string();
    });
    if (!error.empty())
        return error;
    if (decoded != declared)
        return "it holds " + std::to_string(decoded) + " samples of the " +
               std::to_string(declared) + " its header counts";
    return {};
}

} // namespace

std::string DamageOfPiece(const std::string& path, AudiobookFormat format) {
    // A file the system cannot open (no access, too many open files) is not damaged.
    FilePtr file(std::fopen(path.c_str(), "rbe"));
    if (!file)
        return {};
    BookLayout layout;
    std::int64_t samples = 0, delay = 0;
    std::string damage = MeasurePiece(path, format, layout, samples, delay, true);
    // What FFmpeg cannot even open, though the system can, is damaged too.
    if (const std::string unread = "cannot read the piece " + path + ": ";
        damage.starts_with(unread))
        damage = damage.substr(unread.size());
    if (damage.empty()) {
        switch (format) {
        case AudiobookFormat::M4b:
            damage = Mp4Damage(file.get());
            break;
        case AudiobookFormat::Mp3:
            damage = Mp3Damage(file.get(), samples);
            break;
        case AudiobookFormat::Opus:
            damage = OggDamage(file.get());
            break;
        case AudiobookFormat::Flac:
        case AudiobookFormat::Wav:
            damage = LosslessDamage(path);
            break;
        }
    }
    if (damage.empty() || damage.starts_with("the piece "))
        return damage;
    return "the piece " + path + " is damaged: " + damage;
}
