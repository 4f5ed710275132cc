#include "platform/sapi4/SentencePool.h"

#include "platform/sapi4/FliteSentence.h"

#include <chrono>
#include <new>
#include <system_error>

SentencePool::SentencePool(const FliteVoice& voice, unsigned threads,
                           std::shared_ptr<const std::atomic<bool>> cancelled)
    : m_voice(voice), m_cancelled(std::move(cancelled)), m_lookAhead(2 * threads) {
    for (unsigned i = 0; i < threads; ++i) {
        try {
            m_threads.emplace_back(&SentencePool::Work, this);
        } catch (const std::system_error&) {
            // Fewer threads only make the text slower.
            if (m_threads.empty())
                throw;
            break;
        }
    }
}

SentencePool::~SentencePool() {
    m_abort = true;
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_work.notify_all();
    for (std::thread& t : m_threads)
        t.join();
}

bool SentencePool::Aborted() const {
    return m_abort.load() || m_cancelled->load();
}

bool SentencePool::Full() {
    std::lock_guard lock(m_mutex);
    return m_slots.size() >= m_lookAhead;
}

bool SentencePool::Empty() {
    std::lock_guard lock(m_mutex);
    return m_slots.empty();
}

void SentencePool::Submit(Sentence sentence) {
    {
        std::lock_guard lock(m_mutex);
        m_slots.push_back({std::move(sentence), false, S_OK, {}});
    }
    m_work.notify_one();
}

HRESULT SentencePool::TakeNext(std::vector<short>& samples, std::size_t& leadIn) {
    std::unique_lock lock(m_mutex);
    if (m_slots.empty())
        return E_UNEXPECTED;
    // The oldest sentence is always the first to have started, and a
    // cancelled one ends at its next stretch of samples; the timeout only
    // spares the wait for that stretch.
    while (!m_slots.front().done) {
        if (Aborted())
            return E_ABORT;
        m_done.wait_for(lock, std::chrono::milliseconds(20));
    }
    Slot& oldest = m_slots.front();
    const HRESULT hr = oldest.result;
    samples = std::move(oldest.samples);
    leadIn = oldest.leadIn;
    m_slots.pop_front();
    ++m_front;
    return hr;
}

void SentencePool::Work() {
    for (;;) {
        Slot* slot = nullptr;
        {
            std::unique_lock lock(m_mutex);
            m_work.wait(lock,
                        [&] { return m_closing || m_nextToStart < m_front + m_slots.size(); });
            if (m_closing)
                return;
            slot = &m_slots[m_nextToStart++ - m_front];
        }
        std::vector<short> samples;
        std::size_t leadIn = 0;
        const Sentence& s = slot->sentence;
        HRESULT hr = S_OK;
        try {
            hr = SynthesizeSentence(
                m_voice, s.settings, s.text, s.seed,
                [&](std::span<const short> stretch) {
                    if (Aborted())
                        return E_ABORT;
                    samples.insert(samples.end(), stretch.begin(), stretch.end());
                    return S_OK;
                },
                &leadIn);
        } catch (const std::bad_alloc&) {
            hr = E_OUTOFMEMORY;
        }
        {
            std::lock_guard lock(m_mutex);
            slot->result = hr;
            slot->samples = std::move(samples);
            slot->leadIn = leadIn;
            slot->done = true;
        }
        m_done.notify_all();
    }
}
