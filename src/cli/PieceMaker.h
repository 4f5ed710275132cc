#pragma once
// The child process that makes one piece of a book for its parent: the
// piece's text (already escaped as the parent's speech text is) is spoken to
// a WAV through the window's job path, as a single document is written, then
// encoded into the piece file, which appears only complete.

#include <functional>
#include <memory>

class Console;
class Sapi4Engine;
class Sapi5Engine;
struct CliOptions;

// 0: the piece is there; 1: it failed (the reason printed, naming the piece);
// 128 + signal: interrupted, nothing left behind.
int MakePiece(const CliOptions& options, std::unique_ptr<Sapi4Engine>& sapi4,
              std::unique_ptr<Sapi5Engine>& sapi5, const std::function<void(int)>& probeVoice,
              Console& console, int signalDescriptor);
