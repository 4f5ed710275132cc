#include "platform/sapi5/EspeakChunk.h"

#include "platform/sapi5/sapi5.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <string_view>
#include <type_traits>
#include <unistd.h>

namespace {

class Collector : public SynthListener {
public:
    explicit Collector(const std::atomic<bool>* abort) : m_abort(abort) {}

    int Heard(const short* samples, std::size_t count,
              const std::vector<SynthEvent>& events) override {
        if (m_abort && *m_abort)
            return 1;
        all.insert(all.end(), samples, samples + count);
        heard.insert(heard.end(), events.begin(), events.end());
        return 0;
    }

    std::vector<std::int16_t> all;
    std::vector<SynthEvent> heard;

private:
    const std::atomic<bool>* m_abort;
};

std::uint32_t CharactersOf(const std::string& utf8) {
    return static_cast<std::uint32_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// Where espeak starts the first sentence at or after the character.
std::optional<std::uint64_t> SentenceStart(const std::vector<SynthEvent>& events,
                                           std::uint32_t character) {
    for (const auto& e : events)
        if (e.kind == SynthEvent::kSentence && e.character >= character)
            return e.sample;
    return std::nullopt;
}

class Writer {
public:
    Writer() : m_bytes(sizeof(std::uint64_t), '\0') {}
    template <typename T> void Put(const T& value) {
        static_assert(std::is_trivially_copyable_v<T>);
        m_bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
    }
    void PutBytes(const void* data, std::size_t size) {
        Put<std::uint64_t>(size);
        m_bytes.append(static_cast<const char*>(data), size);
    }
    // The message, behind its byte count.
    std::string Framed() && {
        const std::uint64_t size = m_bytes.size() - sizeof size;
        std::memcpy(m_bytes.data(), &size, sizeof size);
        return std::move(m_bytes);
    }

private:
    std::string m_bytes;
};

class Reader {
public:
    explicit Reader(std::string_view bytes) : m_bytes(bytes) {}
    template <typename T> T Get() {
        T value{};
        if (m_bytes.size() < sizeof value) {
            m_bad = true;
            return value;
        }
        std::memcpy(&value, m_bytes.data(), sizeof value);
        m_bytes.remove_prefix(sizeof value);
        return value;
    }
    std::string_view GetBytes() {
        const auto size = Get<std::uint64_t>();
        if (m_bad || size > m_bytes.size()) {
            m_bad = true;
            return {};
        }
        std::string_view bytes = m_bytes.substr(0, size);
        m_bytes.remove_prefix(size);
        return bytes;
    }
    bool Good() const { return !m_bad && m_bytes.empty(); }

private:
    std::string_view m_bytes;
    bool m_bad = false;
};

// The message at the front of `bytes` when it is whole: read in place, then
// erased, so that megabytes of audio are not copied once more.
std::optional<std::string_view> FrontMessage(const std::string& bytes) {
    std::uint64_t size = 0;
    if (bytes.size() < sizeof size)
        return std::nullopt;
    std::memcpy(&size, bytes.data(), sizeof size);
    if (bytes.size() - sizeof size < size)
        return std::nullopt;
    return std::string_view(bytes).substr(sizeof size, size);
}

void EraseFront(std::string& bytes, std::string_view message) {
    bytes.erase(0, sizeof(std::uint64_t) + message.size());
    if (bytes.empty())
        std::string().swap(bytes);
}

// The message at the front of `bytes`, parsed and taken out of it, when it is
// whole; `bad` when it is ill-formed.
template <typename T, typename Parse>
std::optional<T> Take(std::string& bytes, bool& bad, Parse parse) {
    const std::optional<std::string_view> message = FrontMessage(bytes);
    if (!message)
        return std::nullopt;
    Reader r(*message);
    std::optional<T> value = parse(r);
    bad = !value || !r.Good();
    EraseFront(bytes, *message);
    return bad ? std::nullopt : std::move(value);
}

} // namespace

ChunkAudio SynthesiseChunk(const ChunkRequest& request, const std::atomic<bool>* abort) {
    ChunkAudio audio;
    const bool leadOut = request.to < CharactersOf(request.text);
    Collector collector(abort);
    if (!UseEspeakVoice(request.voice)) {
        audio.result = SPERR_NOT_FOUND;
        return audio;
    }
    const bool synthesised =
        SynthesiseSsml(request.text, request.english, request.prosody, collector);
    if (abort && *abort) {
        audio.result = E_ABORT;
        return audio;
    }
    if (!synthesised) {
        audio.result = E_FAIL;
        return audio;
    }
    const std::optional<std::uint64_t> start = request.from > 0
                                                   ? SentenceStart(collector.heard, request.from)
                                                   : std::optional<std::uint64_t>(0);
    const std::optional<std::uint64_t> end =
        leadOut ? SentenceStart(collector.heard, request.to)
                : std::optional<std::uint64_t>(collector.all.size());
    if (!start || !end || *start > *end || *end > collector.all.size()) {
        audio.result = E_FAIL;
        return audio;
    }
    audio.samples.assign(collector.all.begin() + static_cast<std::ptrdiff_t>(*start),
                         collector.all.begin() + static_cast<std::ptrdiff_t>(*end));
    for (SynthEvent e : collector.heard) {
        if (e.character < request.from || e.character >= request.to)
            continue;
        e.sample = std::clamp(e.sample, *start, *end) - *start;
        audio.events.push_back(e);
    }
    return audio;
}

std::string Serialise(const ChunkRequest& request) {
    Writer w;
    w.PutBytes(request.voice.data(), request.voice.size());
    w.Put<std::uint8_t>(request.english);
    w.Put(request.prosody);
    w.PutBytes(request.text.data(), request.text.size());
    w.Put(request.from);
    w.Put(request.to);
    return std::move(w).Framed();
}

std::string Serialise(const ChunkAudio& audio) {
    Writer w;
    w.Put(audio.result);
    w.PutBytes(audio.samples.data(), audio.samples.size() * sizeof audio.samples[0]);
    w.PutBytes(audio.events.data(), audio.events.size() * sizeof audio.events[0]);
    return std::move(w).Framed();
}

std::optional<ChunkRequest> TakeRequest(std::string& bytes, bool& bad) {
    return Take<ChunkRequest>(bytes, bad, [](Reader& r) {
        ChunkRequest request;
        request.voice = r.GetBytes();
        request.english = r.Get<std::uint8_t>() != 0;
        request.prosody = r.Get<SpeechProsody>();
        request.text = r.GetBytes();
        request.from = r.Get<std::uint32_t>();
        request.to = r.Get<std::uint32_t>();
        return std::optional(std::move(request));
    });
}

std::optional<ChunkAudio> TakeAudio(std::string& bytes, bool& bad) {
    return Take<ChunkAudio>(bytes, bad, [](Reader& r) -> std::optional<ChunkAudio> {
        ChunkAudio audio;
        audio.result = r.Get<HRESULT>();
        const std::string_view samples = r.GetBytes();
        const std::string_view events = r.GetBytes();
        if (samples.size() % sizeof(std::int16_t) || events.size() % sizeof(SynthEvent))
            return std::nullopt;
        audio.samples.resize(samples.size() / sizeof(std::int16_t));
        std::memcpy(audio.samples.data(), samples.data(), samples.size());
        audio.events.resize(events.size() / sizeof(SynthEvent));
        std::memcpy(audio.events.data(), events.data(), events.size());
        return audio;
    });
}

bool SendMessage(int fd, const std::string& bytes) {
    sigset_t pipe, old;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, &old);
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    bool broken = false;
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            broken = true;
            break;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (broken && errno == EPIPE) {
        const timespec now{};
        while (sigtimedwait(&pipe, nullptr, &now) == SIGPIPE) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    return !broken;
}
