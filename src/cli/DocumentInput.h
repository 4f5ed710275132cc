#pragma once
// Reads a document whole: a file, or standard input for "-". A signal that
// arrives while standard input is still being typed or piped ends the read.

#include <string>

struct DocumentInput {
    std::string bytes;
    std::string error; // why the document could not be read
    int signal = 0;    // the signal that interrupted the read
};

DocumentInput ReadDocument(const std::string& path, int signalDescriptor);

// How the document is named in messages and output file names.
std::string DocumentName(const std::string& path);
// The name without folder and last extension ("notes/ch1.txt" gives "ch1").
std::string DocumentStem(const std::string& path);
