#pragma once
// Speaks one request with flite: the synthesis thread's work. A text for a
// file is synthesised sentence by sentence on several threads at once and
// written in text order; a text for the speakers streams from one thread, so
// that its first sound comes as soon as flite has made it.

#include "platform/sapi4/SpeechRequest.h"

void SpeakWithFlite(SpeechRequest& request);

// How many threads synthesise a text for a file: 0 (the default) means one
// per processor this process may run on; 1 synthesises on the synthesis
// thread alone. Takes effect from the next text.
void SetFileSynthesisThreads(unsigned threads);
