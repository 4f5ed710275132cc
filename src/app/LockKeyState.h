#pragma once
// The state of the keyboard's lock keys as the display server reports it.
// Only an X11 display can be asked; elsewhere the state is unknown.

#include <optional>

struct LockKeyState {
    bool capsLock = false;
    bool numLock = false;
    bool scrollLock = false;

    // The current state; nullopt when the display server cannot be asked.
    static std::optional<LockKeyState> Query();
};
