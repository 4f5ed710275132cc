#include "platform/lame_enc/LameStream.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <lame/lame.h>

namespace {

// The output rate that gives the MPEG version asked for: MPEG-1 carries 32,
// 44.1 and 48 kHz, MPEG-2 (with its 2.5 extension) the rates below.
DWORD OutputRate(const BE_CONFIG_LHV1& config) {
    if (config.dwReSampleRate)
        return config.dwReSampleRate;
    const DWORD in = config.dwSampleRate;
    if (MpegVersionOfRate(in) < 0)
        return 0; // LAME picks the nearest rate it can write
    if (config.dwMpegVersion == MPEG1 && in < 32000)
        return in <= 12000 ? in * 4 : in * 2;
    if (config.dwMpegVersion == MPEG2 && in >= 32000)
        return in / 2;
    // LAME writes MPEG-2.5 (below 16 kHz) at 64 kbps at most and would quietly
    // lower a higher bit rate; the MPEG-2 rate twice as high keeps it.
    if (in < 16000 && config.dwBitrate > 64)
        return in * 2;
    return in;
}

vbr_mode VbrMode(const BE_CONFIG_LHV1& config) {
    if (!config.bEnableVBR)
        return vbr_off;
    switch (config.nVbrMethod) {
    case VBR_METHOD_OLD:
        return vbr_rh;
    case VBR_METHOD_ABR:
        return vbr_abr;
    case VBR_METHOD_NONE:
    case VBR_METHOD_DEFAULT:
    case VBR_METHOD_NEW:
    case VBR_METHOD_MTRH:
    default:
        return vbr_mtrh;
    }
}

// Where the first audio frame starts: after an ID3v2 tag, if the file has one.
long FirstFrameOffset(std::FILE* file) {
    unsigned char header[10];
    if (std::fread(header, 1, 10, file) != 10 || std::memcmp(header, "ID3", 3) != 0)
        return 0;
    long size = (header[6] & 0x7F) << 21 | (header[7] & 0x7F) << 14 | (header[8] & 0x7F) << 7 |
                (header[9] & 0x7F);
    return 10 + size + ((header[5] & 0x10) ? 10 : 0);
}

// LAME takes bit rates above the 320 kbps of layer III (or, cast to int,
// negative ones) and a VBR maximum below the minimum without complaint, and
// then fails an assertion while encoding, which ends the calling program. Below the lowest MPEG
// rate it resamples a call's input into more frames than the buffer it asks for holds.
bool WithinLimits(const BE_CONFIG_LHV1& config) {
    constexpr DWORD mostKbps = 320;
    return config.dwBitrate <= mostKbps && config.dwMaxBitrate <= mostKbps &&
           config.dwVbrAbr_bps / 1000 <= mostKbps &&
           (config.dwMaxBitrate == 0 || config.dwMaxBitrate >= config.dwBitrate) &&
           config.dwSampleRate >= 8000;
}

// What an encode or flush call of LAME gave: a byte count, or -1 when the
// output buffer was too small.
BE_ERR Written(int written, DWORD& outputBytes) {
    if (written == -1)
        return BE_ERR_BUFFER_TOO_SMALL;
    if (written < 0)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    outputBytes = static_cast<DWORD>(written);
    return BE_ERR_SUCCESSFUL;
}

} // namespace

std::unique_ptr<LameStream> LameStream::Create(const BE_CONFIG_LHV1& config, BE_ERR& error) {
    std::unique_ptr<LameStream> stream(new LameStream);
    stream->m_lame = lame_init();
    if (!stream->m_lame) {
        error = BE_ERR_NO_MORE_HANDLES;
        return nullptr;
    }
    lame_global_flags* lame = stream->m_lame;
    error = BE_ERR_INVALID_FORMAT_PARAMETERS;
    if (!WithinLimits(config))
        return nullptr;

    MPEG_mode mode;
    switch (config.nMode) {
    case BE_MP3_MODE_STEREO:
        mode = STEREO;
        break;
    case BE_MP3_MODE_JSTEREO:
        mode = JOINT_STEREO;
        break;
    case BE_MP3_MODE_DUALCHANNEL:
        mode = DUAL_CHANNEL;
        break;
    case BE_MP3_MODE_MONO:
        mode = MONO;
        break;
    default:
        return nullptr;
    }
    stream->m_channels = mode == MONO ? 1 : 2;
    lame_set_num_channels(lame, stream->m_channels);
    lame_set_mode(lame, mode);
    lame_set_in_samplerate(lame, static_cast<int>(config.dwSampleRate));
    lame_set_out_samplerate(lame, static_cast<int>(OutputRate(config)));

    const vbr_mode vbr = VbrMode(config);
    lame_set_VBR(lame, vbr);
    if (vbr == vbr_off) {
        lame_set_brate(lame, static_cast<int>(config.dwBitrate));
    } else {
        const INT vbrQuality = config.nVBRQuality; // a copy: the record is packed
        lame_set_VBR_q(lame, std::clamp(vbrQuality, 0, 9));
        if (config.dwBitrate)
            lame_set_VBR_min_bitrate_kbps(lame, static_cast<int>(config.dwBitrate));
        if (config.dwMaxBitrate)
            lame_set_VBR_max_bitrate_kbps(lame, static_cast<int>(config.dwMaxBitrate));
        if (vbr == vbr_abr)
            lame_set_VBR_mean_bitrate_kbps(lame, static_cast<int>(config.dwVbrAbr_bps
                                                                      ? config.dwVbrAbr_bps / 1000
                                                                      : config.dwBitrate));
    }

    const int quality = config.nQuality & 0xFF;
    const bool qualityValid = (config.nQuality >> 8) == (~config.nQuality & 0xFF);
    lame_set_quality(lame, qualityValid ? std::min(quality, 9) : 5);

    lame_set_extension(lame, config.bPrivate != 0);
    lame_set_error_protection(lame, config.bCRC != 0);
    lame_set_copyright(lame, config.bCopyright != 0);
    lame_set_original(lame, config.bOriginal != 0);
    lame_set_disable_reservoir(lame, config.bNoRes != 0);
    lame_set_strict_ISO(lame, config.bStrictIso != 0);
    // The stream is exactly the frames we hand out: no tag frame unless asked
    // for, and never an ID3 tag.
    lame_set_bWriteVbrTag(lame, config.bWriteVBRHeader != 0);
    lame_set_write_id3tag_automatic(lame, 0);

    if (lame_init_params(lame) < 0)
        return nullptr;

    stream->m_samplesPerCall =
        static_cast<DWORD>(lame_get_framesize(lame)) * static_cast<DWORD>(stream->m_channels);
    // LAME's own bound for one call is 1.25 × samples per channel + 7200;
    // counting over all channels leaves room to spare, and 7200 covers the
    // flush.
    stream->m_bufferSize = stream->m_samplesPerCall * 5 / 4 + 7200;
    error = BE_ERR_SUCCESSFUL;
    return stream;
}

LameStream::~LameStream() {
    if (m_lame)
        lame_close(m_lame);
}

bool LameStream::WritesTag() const {
    return lame_get_bWriteVbrTag(m_lame) != 0;
}

BE_ERR LameStream::Encode(const short* samples, DWORD count, BYTE* output, DWORD& outputBytes) {
    outputBytes = 0;
    const int frames = static_cast<int>(count / static_cast<DWORD>(m_channels));
    int written;
    if (m_channels == 1)
        written = lame_encode_buffer(m_lame, samples, samples, frames, output,
                                     static_cast<int>(m_bufferSize));
    else
        written = lame_encode_buffer_interleaved(m_lame, const_cast<short*>(samples), frames,
                                                 output, static_cast<int>(m_bufferSize));
    return Written(written, outputBytes);
}

BE_ERR LameStream::Flush(BYTE* output, DWORD& outputBytes) {
    outputBytes = 0;
    return Written(lame_encode_flush(m_lame, output, static_cast<int>(m_bufferSize)), outputBytes);
}

BE_ERR LameStream::WriteTag(const char* mp3Path) {
    if (!mp3Path || !WritesTag())
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    unsigned char frame[2880]; // the longest MPEG-1 layer III frame
    const size_t size = lame_get_lametag_frame(m_lame, frame, sizeof frame);
    if (size == 0 || size > sizeof frame)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    std::FILE* file = std::fopen(mp3Path, "r+b");
    if (!file)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    const long offset = FirstFrameOffset(file);
    const bool written =
        std::fseek(file, offset, SEEK_SET) == 0 && std::fwrite(frame, 1, size, file) == size;
    const bool closed = std::fclose(file) == 0;
    return written && closed ? BE_ERR_SUCCESSFUL : BE_ERR_INVALID_FORMAT_PARAMETERS;
}
