#include "src/speech/AudioFormatTable.h"

#include <stdexcept>

namespace {

constexpr AudioFormatRow kRows[AudioFormatTable::kCount] = {
    {u"8kHz 8 Bit Mono", 4, 8000, 8, 1},      {u"8kHz 8 Bit Stereo", 5, 8000, 8, 2},
    {u"8kHz 16 Bit Mono", 6, 8000, 16, 1},    {u"8kHz 16 Bit Stereo", 7, 8000, 16, 2},
    {u"11kHz 8 Bit Mono", 8, 11025, 8, 1},    {u"11kHz 8 Bit Stereo", 9, 11025, 8, 2},
    {u"11kHz 16 Bit Mono", 10, 11025, 16, 1}, {u"11kHz 16 Bit Stereo", 11, 11025, 16, 2},
    {u"12kHz 8 Bit Mono", 12, 12000, 8, 1},   {u"12kHz 8 Bit Stereo", 13, 12000, 8, 2},
    {u"12kHz 16 Bit Mono", 14, 12000, 16, 1}, {u"12kHz 16 Bit Stereo", 15, 12000, 16, 2},
    {u"16kHz 8 Bit Mono", 16, 16000, 8, 1},   {u"16kHz 8 Bit Stereo", 17, 16000, 8, 2},
    {u"16kHz 16 Bit Mono", 18, 16000, 16, 1}, {u"16kHz 16 Bit Stereo", 19, 16000, 16, 2},
    {u"22kHz 8 Bit Mono", 20, 22050, 8, 1},   {u"22kHz 8 Bit Stereo", 21, 22050, 8, 2},
    {u"22kHz 16 Bit Mono", 22, 22050, 16, 1}, {u"22kHz 16 Bit Stereo", 23, 22050, 16, 2},
    {u"24kHz 8 Bit Mono", 24, 24000, 8, 1},   {u"24kHz 8 Bit Stereo", 25, 24000, 8, 2},
    {u"24kHz 16 Bit Mono", 26, 24000, 16, 1}, {u"24kHz 16 Bit Stereo", 27, 24000, 16, 2},
    {u"32kHz 8 Bit Mono", 28, 32000, 8, 1},   {u"32kHz 8 Bit Stereo", 29, 32000, 8, 2},
    {u"32kHz 16 Bit Mono", 30, 32000, 16, 1}, {u"32kHz 16 Bit Stereo", 31, 32000, 16, 2},
    {u"44kHz 8 Bit Mono", 32, 44100, 8, 1},   {u"44kHz 8 Bit Stereo", 33, 44100, 8, 2},
    {u"44kHz 16 Bit Mono", 34, 44100, 16, 1}, {u"44kHz 16 Bit Stereo", 35, 44100, 16, 2},
    {u"48kHz 8 Bit Mono", 36, 48000, 8, 1},   {u"48kHz 8 Bit Stereo", 37, 48000, 8, 2},
    {u"48kHz 16 Bit Mono", 38, 48000, 16, 1}, {u"48kHz 16 Bit Stereo", 39, 48000, 16, 2},
};

} // namespace

const AudioFormatRow& AudioFormatTable::Row(int index) {
    if (index < 0 || index >= kCount)
        throw std::invalid_argument("audio format row out of range");
    return kRows[index];
}

int AudioFormatTable::FormatValueOfPosition(int position) {
    if (position < 0 || position >= kCount)
        position = kDefaultIndex;
    return kRows[position].formatValue;
}
