#pragma once
// The runtime's one synthesis thread: every text of every engine is spoken
// from here, one after the other, in the order the texts were accepted. A
// text for a file brings helper threads of its own for its sentences, which
// end with the text.

#include "platform/sapi4/SpeechRequest.h"

#include <memory>

class SynthesisThread {
public:
    static void Submit(std::unique_ptr<SpeechRequest> request);
};
