#include "src/audiobook/BookPlan.h"

extern "C" {
#include <libavutil/hash.h>
}

#include <memory>
#include <stdexcept>

namespace {

bool IsBlank(std::string_view text) {
    return text.find_first_not_of(" \t\r\n\f\v") == std::string_view::npos;
}

// The longest start of `text` no longer than `limit` that ends where a cut
// does least harm: after a sentence's end, else at a space, else before a
// character's first byte.
std::size_t CutPoint(std::string_view text, std::size_t limit) {
    if (text.size() <= limit)
        return text.size();
    for (std::size_t at = limit; at > 1; --at)
        if (text[at - 1] == ' ' &&
            (text[at - 2] == '.' || text[at - 2] == '!' || text[at - 2] == '?'))
            return at;
    for (std::size_t at = limit; at > 0; --at)
        if (text[at - 1] == ' ')
            return at;
    std::size_t at = limit;
    while (at > 1 && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80)
        --at;
    return at;
}

class Sha256 {
public:
    Sha256() {
        if (av_hash_alloc(&m_context, "SHA256") < 0)
            throw std::runtime_error("SHA-256 is not available");
        av_hash_init(m_context);
    }
    ~Sha256() { av_hash_freep(&m_context); }
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    // Each field with its length, so that no two different lists of fields
    // give the same bytes.
    void Field(std::string_view value) {
        const std::string length = std::to_string(value.size()) + ":";
        av_hash_update(m_context, reinterpret_cast<const std::uint8_t*>(length.data()),
                       length.size());
        av_hash_update(m_context, reinterpret_cast<const std::uint8_t*>(value.data()),
                       value.size());
    }
    std::string Hex() {
        char hex[2 * AV_HASH_MAX_SIZE + 1] = {};
        av_hash_final_hex(m_context, reinterpret_cast<std::uint8_t*>(hex), sizeof hex);
        return hex;
    }

private:
    AVHashContext* m_context = nullptr;
};

} // namespace

std::vector<std::string> CutIntoPieces(std::string_view text, std::size_t limit) {
    std::vector<std::string> pieces;
    std::string current;
    auto flush = [&] {
        if (!IsBlank(current))
            pieces.push_back(std::move(current));
        current.clear();
    };
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view paragraph = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!current.empty() && current.size() + 1 + paragraph.size() > limit)
            flush();
        if (IsBlank(current) && IsBlank(paragraph)) {
            current.clear(); // a piece starts with words
            continue;
        }
        if (paragraph.size() <= limit) {
            current += (current.empty() ? "" : "\n");
            current += paragraph;
            continue;
        }
        while (!paragraph.empty()) {
            const std::size_t cut = CutPoint(paragraph, limit);
            current = paragraph.substr(0, cut);
            paragraph.remove_prefix(cut);
            if (!paragraph.empty())
                flush();
        }
    }
    flush();
    return pieces;
}

std::string PieceKey(std::string_view text, const PieceSettings& settings, int pauseMs) {
    Sha256 hash;
    hash.Field("vocalith piece");
    hash.Field(settings.version);
    hash.Field(settings.voice);
    hash.Field(settings.quality);
    for (int value : {settings.speed, settings.volume, settings.pitch,
                      static_cast<int>(settings.encoding.format), settings.encoding.kbps, pauseMs})
        hash.Field(std::to_string(value));
    hash.Field(text);
    return hash.Hex();
}

std::vector<PlannedChapter> PlanBook(const std::vector<ChapterText>& chapters,
                                     const PieceSettings& settings, std::size_t limit) {
    std::vector<PlannedChapter> plan;
    for (const ChapterText& chapter : chapters) {
        PlannedChapter planned{chapter.index, chapter.title, {}};
        std::vector<std::string> texts = CutIntoPieces(chapter.text, limit);
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const int pause = i + 1 < texts.size() ? kParagraphPauseMs : kChapterPauseMs;
            std::string key = PieceKey(texts[i], settings, pause);
            planned.pieces.push_back({std::move(texts[i]), std::move(key), pause});
        }
        plan.push_back(std::move(planned));
    }
    return plan;
}
