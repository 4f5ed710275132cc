#include "src/app/LockKeyState.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

// Xlib's macros (None, Bool, KeyPress...) must not meet any Qt header after it.
#include <X11/XKBlib.h>

namespace {

// Looks an indicator up by the name the keyboard map gives it; false when the
// map has no such indicator.
bool NamedIndicator(Display* display, Atom atom, bool& on) {
    if (atom == 0)
        return false;
    Bool state = False;
    Bool exists = False;
    if (!XkbGetNamedIndicator(display, atom, nullptr, &state, nullptr, &exists) || !exists)
        return false;
    on = state != False;
    return true;
}

} // namespace

std::optional<LockKeyState> LockKeyState::Query() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return std::nullopt;

    // The state is asked after every key; the names are looked up once.
    static Display* namesOf = nullptr;
    static Atom caps = 0, num = 0, scroll = 0;
    if (namesOf != display) {
        namesOf = display;
        caps = XInternAtom(display, "Caps Lock", True);
        num = XInternAtom(display, "Num Lock", True);
        scroll = XInternAtom(display, "Scroll Lock", True);
    }

    // Without names, the core keyboard's first three indicators are the usual
    // Caps, Num and Scroll Lock lights.
    unsigned int lights = 0;
    const bool haveLights = XkbGetIndicatorState(display, XkbUseCoreKbd, &lights) == Success;

    LockKeyState state;
    if (!NamedIndicator(display, caps, state.capsLock)) {
        if (!haveLights)
            return std::nullopt;
        state.capsLock = lights & 0x1;
    }
    if (!NamedIndicator(display, num, state.numLock))
        state.numLock = haveLights && (lights & 0x2);
    if (!NamedIndicator(display, scroll, state.scrollLock))
        state.scrollLock = haveLights && (lights & 0x4);
    return state;
}
