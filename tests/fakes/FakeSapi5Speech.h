#pragma once
// The voices and file streams of the fake SAPI 5 runtime.

#include "tests/fakes/FakeSapi5Runtime.h"

#include <memory>

HRESULT CreateFakeSapi5Voice(std::shared_ptr<FakeSapi5State> state, REFIID riid, void** ppv);
HRESULT CreateFakeSapi5Stream(std::shared_ptr<FakeSapi5State> state, REFIID riid, void** ppv);
