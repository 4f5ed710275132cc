#pragma once
// What the reader tests check of a Book: its chapters' titles, levels, matter
// flags and first and last words, and words that must (not) be heard.

#include "src/documents/Book.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TestData.h"

#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <vector>

struct ExpectedChapter {
    std::string_view title;
    int level;
    bool matter;
    std::string_view first; // the text's first words
    std::string_view last;  // and its last
};

inline std::string TestDocument(std::string_view name) {
    return ReadAll(TestDataFolder() / "documents" / name);
}

inline void ExpectChapters(const Book& book, const std::vector<ExpectedChapter>& expected) {
    ASSERT_EQ(book.chapters.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Chapter& chapter = book.chapters[i];
        SCOPED_TRACE(chapter.title);
        EXPECT_EQ(chapter.title, expected[i].title);
        EXPECT_EQ(chapter.level, expected[i].level);
        EXPECT_EQ(chapter.matter, expected[i].matter);
        EXPECT_TRUE(chapter.text.starts_with(expected[i].first)) << chapter.text;
        EXPECT_TRUE(chapter.text.ends_with(expected[i].last)) << chapter.text;
    }
}

inline std::string AllText(const Book& book) {
    std::string text;
    for (const Chapter& chapter : book.chapters)
        text += chapter.title + "\n" + chapter.text + "\n";
    return text;
}

inline void ExpectHeard(const Book& book, const std::vector<std::string_view>& heard,
                        const std::vector<std::string_view>& unheard) {
    const std::string text = AllText(book);
    for (std::string_view words : heard)
        EXPECT_NE(text.find(words), std::string::npos) << "missing: " << words << "\n" << text;
    for (std::string_view words : unheard)
        EXPECT_EQ(text.find(words), std::string::npos) << "heard: " << words << "\n" << text;
}
