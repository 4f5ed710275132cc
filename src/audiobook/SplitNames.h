#pragma once
// The files of a book written one per chapter: "07 - The Storm.mp3", numbered
// in book order, named safely for any file system, and the playlist that
// lists them.

#include <cstddef>
#include <string>
#include <vector>

// A title made fit to be a file name on any system: no / \ : * ? " < > | or
// control characters, no dot or space at either end, at most `limit` bytes
// (whole characters), and never a name Windows reserves (CON, LPT1, ...).
std::string SafeFileTitle(const std::string& title, std::size_t limit = 120);

// Number `number` (from 1) of `count` files, with as many digits as the
// last number needs (at least two): "07 - The Storm.mp3".
std::string SplitFileName(std::size_t number, std::size_t count, const std::string& title,
                          const std::string& extension);

struct PlaylistEntry {
    std::string fileName; // relative to the playlist
    std::string title;
    double seconds = 0;
};

// An extended M3U playlist in UTF-8 (.m3u8).
std::string Playlist(const std::vector<PlaylistEntry>& entries);
