#pragma once
// The work in progress of one audiobook, in a folder beside it: each piece
// finished so far as "<key><extension>", written under a temporary name and
// renamed, so that a piece appears only complete and an interrupted run
// leaves nothing a later run could take for finished. The files it names all
// begin with a key; clean-up removes those and nothing else.

#include <cstdint>
#include <string>
#include <string_view>

class PartsFolder {
public:
    // `extension`: the pieces' own, with its dot (".m4b").
    PartsFolder(std::string path, std::string extension);

    const std::string& Path() const { return m_path; }
    // Makes the folder unless it is there; empty, or why it cannot be used.
    std::string Create() const;

    std::string PiecePath(const std::string& key) const;
    std::string TextPath(const std::string& key) const; // the text a child speaks
    bool HasPiece(const std::string& key) const;
    std::uint64_t PieceSize(const std::string& key) const;

    // Removes the files it names (pieces, texts, speech, temporaries), then
    // the folder if nothing else is left in it.
    void Remove() const;

private:
    std::string m_path, m_extension;
};

// Where the process that makes the piece `piecePath` writes its speech.
std::string SpeechPath(const std::string& piecePath);
// A name beside `path` for writing it: the same extension, this process's id.
std::string TemporaryPath(const std::string& path);
// Flushes `temporary` to the disk and renames it to `path`; empty, or why not
// (the temporary is then removed).
std::string CommitFile(const std::string& temporary, const std::string& path);
// Writes `path` in place, neither flushed nor renamed: for a file no later
// run relies on; empty, or why not (the file then removed).
std::string WriteFile(const std::string& path, std::string_view bytes);
// Writes `path` whole through a temporary; empty, or why not.
std::string WriteFileWhole(const std::string& path, std::string_view bytes);
