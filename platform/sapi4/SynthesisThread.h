#pragma once
// The runtime's one synthesis thread. flite keeps state that is shared
// between voices, so every text of every engine is spoken here, one after
// the other, in the order the texts were accepted.

#include "platform/sapi4/SpeechRequest.h"

#include <memory>

class SynthesisThread {
public:
    static void Submit(std::unique_ptr<SpeechRequest> request);
};
