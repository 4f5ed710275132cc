#pragma once
// Which of a book's chapters a run speaks, and the text it hands the job.

#include "src/documents/Book.h"

#include <cstddef>
#include <string>
#include <vector>

struct ChapterChoice {
    std::vector<std::size_t> chapters; // indices into the book's chapters, in book order
    std::string error;                 // a command-line error
};

// `list` as --chapters takes it ("1,3-5", numbers from 1 as --list-chapters
// shows them); empty: every chapter that is not front or back matter, or
// every chapter with `allChapters` (and every one when all are matter).
ChapterChoice ChooseChapters(const Book& book, const std::string& list, bool allChapters);

// The chosen chapters' texts, a blank line apart. A document's text is
// spoken as the text it is: for a SAPI 5 voice the characters that would
// start markup are escaped; its paragraphs are a blank line apart too, for
// a pause after each. Plain text is given as it is, as the window does.
std::u16string SpokenText(const Book& book, const std::vector<std::size_t>& chapters,
                          bool sapi5Voice);

// Words as a listener hears them: runs of letters or digits.
std::size_t WordCount(const std::string& text);
