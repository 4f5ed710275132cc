#include "src/cli/ChapterListing.h"

#include "src/cli/BookSelection.h"
#include "src/cli/Json.h"
#include "src/cli/ProgressLine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

std::string Authors(const Book& book, const char* separator) {
    std::string authors;
    for (const std::string& author : book.authors)
        authors += (authors.empty() ? "" : separator) + author;
    return authors;
}

} // namespace

std::string ChapterListing(const Book& book, const ListingContext& context, bool json) {
    struct Row {
        std::size_t words;
        double seconds;
        bool chosen;
    };
    std::vector<Row> rows;
    double totalSeconds = 0;
    for (std::size_t i = 0; i < book.chapters.size(); ++i) {
        const std::size_t words = WordCount(book.chapters[i].text);
        const bool chosen = std::ranges::find(context.chosen, i) != context.chosen.end();
        const double seconds = 60.0 * static_cast<double>(words) / context.wordsPerMinute;
        rows.push_back({words, seconds, chosen});
        totalSeconds += chosen ? seconds : 0;
    }

    std::string text;
    if (json) {
        std::string authors;
        for (const std::string& author : book.authors)
            authors += (authors.empty() ? "" : ", ") + JsonQuoted(author);
        text += "{\"file\": " + JsonQuoted(context.name) +
                ", \"title\": " + JsonQuoted(book.title) + ", \"authors\": [" + authors +
                "], \"language\": " + JsonQuoted(book.language) +
                ", \"voice\": " + JsonQuoted(context.voice) + ", \"chapters\": [\n";
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const Chapter& chapter = book.chapters[i];
            char seconds[32];
            std::snprintf(seconds, sizeof seconds, "%.1f", rows[i].seconds);
            text += "  {\"number\": " + std::to_string(i + 1) +
                    ", \"title\": " + JsonQuoted(chapter.title) +
                    ", \"level\": " + std::to_string(chapter.level) +
                    ", \"words\": " + std::to_string(rows[i].words) + ", \"seconds\": " + seconds +
                    ", \"matter\": " + (chapter.matter ? "true" : "false") +
                    ", \"included\": " + (rows[i].chosen ? "true" : "false") + "}" +
                    (i + 1 < rows.size() ? ",\n" : "\n");
        }
        return text + "]}\n";
    }

    text += context.name + ": " + (book.title.empty() ? "(untitled)" : book.title);
    if (!book.authors.empty())
        text += " by " + Authors(book, ", ");
    if (!book.language.empty())
        text += " [" + book.language + "]";
    text += "\n" + std::to_string(context.chosen.size()) + " of " +
            std::to_string(book.chapters.size()) + " chapters, about " +
            FormatDuration(totalSeconds) + " with " + context.voice + "\n";
    text += "   #  level  words   length  title\n";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Chapter& chapter = book.chapters[i];
        char line[64];
        std::snprintf(line, sizeof line, "%4zu  %5d  %6zu  %7s  ", i + 1, chapter.level,
                      rows[i].words, FormatDuration(rows[i].seconds).c_str());
        const std::string indent(2 * static_cast<std::size_t>(std::max(0, chapter.level - 1)), ' ');
        text += line + indent + chapter.title;
        if (!rows[i].chosen)
            text += chapter.matter ? "  (left out: front or back matter)" : "  (left out)";
        text += "\n";
    }
    return text;
}
