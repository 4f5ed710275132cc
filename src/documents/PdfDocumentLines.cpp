#include "src/documents/PdfDocumentLines.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <poppler-document.h>
#include <poppler-page.h>
#include <system_error>
#include <thread>

namespace {

// A run of pages worth a thread and a second parse of the file.
constexpr int kPagesPerThread = 32;
constexpr unsigned kMaxThreads = 4;

void ReadPages(const poppler::document& document, int first, int end, PdfDocumentLines& out) {
    for (int i = first; i < end; ++i) {
        const std::unique_ptr<poppler::page> page(document.create_page(i));
        if (page)
            out.words += AppendPageLines(*page, i, out.lines);
    }
}

// Reads [first, end) with a document of its own; false when the bytes do not
// load again as they did the first time.
bool ReadPagesApart(std::string_view bytes, int first, int end, PdfDocumentLines& out) {
    const std::unique_ptr<poppler::document> document(
        poppler::document::load_from_raw_data(bytes.data(), static_cast<int>(bytes.size())));
    if (!document || document->is_locked() || document->pages() < end)
        return false;
    ReadPages(*document, first, end, out);
    return true;
}

} // namespace

PdfDocumentLines ReadDocumentLines(std::string_view bytes, const poppler::document& document) {
    const int pages = document.pages();
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const auto threads = static_cast<int>(std::clamp<unsigned>(
        static_cast<unsigned>(pages / kPagesPerThread), 1u, std::min(cores, kMaxThreads)));

    // Run i covers pages [bounds[i], bounds[i + 1]); this thread reads run 0.
    std::vector<int> bounds;
    for (int i = 0; i <= threads; ++i)
        bounds.push_back(static_cast<int>(static_cast<long long>(pages) * i / threads));
    std::vector<PdfDocumentLines> runs(static_cast<std::size_t>(threads));
    std::vector<std::optional<bool>> done(static_cast<std::size_t>(threads));
    std::vector<std::thread> workers;
    for (int i = 1; i < threads; ++i) {
        const auto run = static_cast<std::size_t>(i);
        try {
            workers.emplace_back([&, run] {
                done[run] = ReadPagesApart(bytes, bounds[run], bounds[run + 1], runs[run]);
            });
        } catch (const std::system_error&) {
            break;
        }
    }
    ReadPages(document, bounds[0], bounds[1], runs[0]);
    for (std::thread& worker : workers)
        worker.join();

    PdfDocumentLines all = std::move(runs[0]);
    for (std::size_t run = 1; run < runs.size(); ++run) {
        if (!done[run].value_or(false)) {
            runs[run] = {};
            ReadPages(document, bounds[run], bounds[run + 1], runs[run]);
        }
        all.words += runs[run].words;
        all.lines.insert(all.lines.end(), std::make_move_iterator(runs[run].lines.begin()),
                         std::make_move_iterator(runs[run].lines.end()));
        runs[run] = {};
    }
    return all;
}
