#pragma once
// The audio destinations of the fake SAPI 4 runtime: a WAV file and a
// multimedia device.

#include "platform/sapi4/sapi4.h"
#include "tests/fakes/FakeSapi4Runtime.h"

#include <cstdint>
#include <memory>

HRESULT CreateFakeSapi4FileDest(std::shared_ptr<FakeSapi4State> state, REFIID riid, void** ppv);
HRESULT CreateFakeSapi4Device(std::shared_ptr<FakeSapi4State> state, REFIID riid, void** ppv);
// An engine of the fake runtime delivers the audio of a text to its file
// destination, one made by CreateFakeSapi4FileDest.
void WriteFakeSapi4Audio(IAudioFile* file, std::uint32_t bytes);
