#pragma once
// The child process that makes pieces of a book for its parent, one after
// the other: each piece's text (already escaped as the parent's speech text
// is) is spoken to a WAV through the window's job path, as a single document
// is written, then encoded into the piece file, which appears only complete.
// One process makes several pieces so that a book's hundreds of pieces do
// not each pay for loading the engines and the codec libraries.

#include <functional>
#include <memory>

class Console;
class Sapi4Engine;
class Sapi5Engine;
struct CliOptions;

// 0: every piece is there; 1: one failed (the reason printed, naming the
// piece), those before it kept; 128 + signal: interrupted, the finished
// pieces kept and nothing else left behind. `sapi4` and `sapi5` are the
// catalogue's engines: each piece is spoken by copies of them.
int MakePieces(const CliOptions& options, const Sapi4Engine& sapi4, const Sapi5Engine& sapi5,
               const std::function<void(int)>& probeVoice, Console& console, int signalDescriptor);
