#pragma once
// The files a Write job writes and removes: which WAV file synthesis writes,
// and how a job's files are finished once the engine has let go of them.

#include "src/jobs/SpeechJob.h"

#include <atomic>
#include <string>

// The WAV file synthesis writes. A Wav job writes its output file directly. An
// Mp3 or Wma job writes an intermediate file beside it, output path + ".wav";
// when that name is taken by a file of the user's, the first free name of
// output path + ".1.wav", ".2.wav", ... is taken instead, so the job never
// overwrites or deletes a file it did not create. The intermediate file is
// created empty here, which reserves its name.
struct WavTarget {
    std::u16string path;
    bool intermediate = false;
    // False when no free intermediate name could be found.
    bool valid = true;
};
WavTarget ChooseWavTarget(const SpeechJob& job);

// Whether a Write job may write to its output path: a regular file, a device
// or a name not taken yet. A FIFO or a socket would block the job beyond the
// reach of Stop, so it is refused.
bool IsWritableOutput(const std::u16string& path);

// Removes a regular file; a missing file is no error. Anything else at the
// path (a device node, a FIFO, a folder) was never the job's and stays.
void DeleteOutputFile(const std::u16string& path);

// The end of a job after the engine has released the WAV file: a stopped
// Write job loses its WAV file; a finished Mp3 or Wma job is converted, its
// intermediate file removed, and its output file too when the conversion
// failed after opening it; the conversion's message is shown before the files
// go. `abandon` set ends a conversion at its next chunk.
void FinishJob(const SpeechJob& job, const WavTarget& wav, bool stopped,
               const std::atomic<bool>* abandon = nullptr);

// A job whose speech never started: an intermediate file the job reserved is
// removed, since nothing will ever be written into it.
void AbandonJob(const SpeechJob& job, const WavTarget& wav);
