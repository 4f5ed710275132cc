#pragma once
// What --list-chapters prints for one book: its title, authors and language,
// then each chapter's number, level, words, spoken length at the chosen
// voice and speed, title, and whether this run leaves it out; or the same as
// JSON.

#include "src/documents/Book.h"

#include <cstddef>
#include <string>
#include <vector>

struct ListingContext {
    std::string name;                // the file, as messages name it
    std::string voice;               // the voice the estimate is for
    double wordsPerMinute = 175;     // that voice's at the chosen speed
    std::vector<std::size_t> chosen; // the chapters a run with these options speaks
};

std::string ChapterListing(const Book& book, const ListingContext& context, bool json);
