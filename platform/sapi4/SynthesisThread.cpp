#include "platform/sapi4/SynthesisThread.h"

#include "platform/sapi4/FliteSpeech.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

struct Queue {
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<std::unique_ptr<SpeechRequest>> requests;
};

[[noreturn]] void Run(Queue* queue) {
    for (;;) {
        std::unique_ptr<SpeechRequest> request;
        {
            std::unique_lock lock(queue->mutex);
            queue->ready.wait(lock, [&] { return !queue->requests.empty(); });
            request = std::move(queue->requests.front());
            queue->requests.pop_front();
        }
        try {
            SpeakWithFlite(*request);
        } catch (...) {
            // Out of memory in the middle of a text: the text ends there and
            // the runtime goes on with the next one.
        }
    }
}

Queue& TheQueue() {
    // Started with the first text and never ended: the thread may still be
    // speaking for a job the program has given up while the process exits.
    static Queue* queue = [] {
        auto* q = new Queue;
        std::thread(Run, q).detach();
        return q;
    }();
    return *queue;
}

} // namespace

void SynthesisThread::Submit(std::unique_ptr<SpeechRequest> request) {
    Queue& queue = TheQueue();
    {
        std::lock_guard lock(queue.mutex);
        queue.requests.push_back(std::move(request));
    }
    queue.ready.notify_one();
}
