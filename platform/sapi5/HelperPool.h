#pragma once
// Helper processes that synthesise stretches of text side by side, their
// audio handed back in the order the stretches were given. A bounded
// look-ahead keeps memory flat whatever the text's length: two stretches per
// helper are being synthesised or waiting to be taken.
//
// Used by the runtime's thread alone, the one thread of the process that uses
// espeak-ng: a stretch whose helper failed (died, or answered nonsense) is
// synthesised on it instead, so a failing helper costs time, never audio. The
// helpers end with the pool, killed and reaped; they end with the process
// too, and each with the thread that started it, which must be long-lived.

#include "platform/sapi5/EspeakChunk.h"

#include <atomic>
#include <deque>
#include <string>
#include <sys/types.h>
#include <vector>

class HelperPool {
public:
    // Starts up to `count` helpers from the program at `path`.
    HelperPool(const std::string& path, unsigned count);
    ~HelperPool();
    HelperPool(const HelperPool&) = delete;
    HelperPool& operator=(const HelperPool&) = delete;

    // How many helpers are running.
    std::size_t Helpers() const;
    // No room for another stretch until the oldest has been taken.
    bool Full() const;
    void Submit(ChunkRequest request);
    // Waits for the oldest stretch not yet taken: E_ABORT in its result once
    // `abort` is set, else the stretch's own.
    ChunkAudio TakeNext(const std::atomic<bool>& abort);

private:
    struct Helper {
        pid_t pid = -1;
        int input = -1;  // its stdin
        int output = -1; // its stdout
        std::string received;
        std::size_t busyWith = 0; // the stretch it is synthesising, by number
        bool busy = false;
    };
    struct Stretch {
        ChunkRequest request;
        std::optional<ChunkAudio> audio;
        bool given = false; // to a helper that has not failed
    };

    bool Launch(const std::string& path);
    void Dispatch();
    // Reads what the helpers have sent, waiting at most that long.
    void Receive(int milliseconds);
    void Fail(Helper& helper);
    Stretch& At(std::size_t number) { return m_stretches[number - m_front]; }

    std::vector<Helper> m_helpers;
    std::deque<Stretch> m_stretches; // not yet taken, oldest first
    std::size_t m_front = 0;         // the number of the oldest
};
