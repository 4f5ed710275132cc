#pragma once
// Synthesises the sentences of one text on several threads at once and hands
// their audio back in text order. A bounded look-ahead keeps memory the same
// whatever the text's length: at most two sentences per thread are queued,
// being synthesised or waiting to be taken.
//
// The threads end with the pool: queued sentences are dropped and the ones
// being synthesised stop at their next stretch of samples.

#include "platform/com/unknown.h"
#include "platform/sapi4/FliteVoices.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class SentencePool {
public:
    struct Sentence {
        std::u16string text;
        VoiceSettings settings; // in force where the sentence starts
        std::uint32_t seed = 0;
    };

    // `cancelled`, set from any thread, ends every sentence at once.
    SentencePool(const FliteVoice& voice, unsigned threads,
                 std::shared_ptr<const std::atomic<bool>> cancelled);
    ~SentencePool();
    SentencePool(const SentencePool&) = delete;
    SentencePool& operator=(const SentencePool&) = delete;

    // No room for another sentence until the oldest has been taken.
    bool Full();
    // Every sentence submitted has been taken.
    bool Empty();
    void Submit(Sentence sentence);
    // Waits for the oldest sentence not yet taken and moves its samples out,
    // with the samples of the pause before its first sound.
    // E_ABORT once cancelled; another failure is the sentence's own.
    HRESULT TakeNext(std::vector<short>& samples, std::size_t& leadIn);

private:
    struct Slot {
        Sentence sentence;
        bool done = false;
        HRESULT result = S_OK;
        std::vector<short> samples;
        std::size_t leadIn = 0;
    };

    void Work();
    bool Aborted() const;

    const FliteVoice& m_voice;
    const std::shared_ptr<const std::atomic<bool>> m_cancelled;
    const std::size_t m_lookAhead;
    std::mutex m_mutex;
    std::condition_variable m_work; // a sentence to start, or closing
    std::condition_variable m_done; // a sentence finished
    // The sentences not yet taken, oldest first; slot i holds sentence
    // m_front + i. A deque keeps a slot in place while a thread fills it.
    std::deque<Slot> m_slots;
    std::size_t m_front = 0;
    std::size_t m_nextToStart = 0;
    bool m_closing = false;
    std::atomic<bool> m_abort{false};
    std::vector<std::thread> m_threads;
};
