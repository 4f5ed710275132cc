#pragma once
// Part-of-speech hints for English homographs: a word marked up as
// <partofsp part="noun|verb"> in espeak-ng SSML is given the phonemes
// espeak-ng reads it with as that part of speech ("the record", "to record").
// Runs on the synthesis thread, with the English voice that is to speak.

#include <string>

std::string ReadHomographs(std::string ssml);
