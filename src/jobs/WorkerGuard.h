#pragma once
// The boundary of a worker thread: an exception must not leave the thread
// procedure, so it ends there in a message.

#include <functional>

void RunGuarded(const std::function<void()>& work);
