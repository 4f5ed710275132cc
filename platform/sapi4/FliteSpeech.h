#pragma once
// Speaks one request with flite on the calling thread: the synthesis
// thread's work.

#include "platform/sapi4/SpeechRequest.h"

void SpeakWithFlite(SpeechRequest& request);
