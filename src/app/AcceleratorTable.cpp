#include "src/app/AcceleratorTable.h"

namespace {

int QtKeyOf(WORD virtualKey) {
    switch (virtualKey) {
    case VK_BACK:
        return Qt::Key_Backspace;
    case VK_INSERT:
        return Qt::Key_Insert;
    case VK_DELETE:
        return Qt::Key_Delete;
    case VK_F6:
        return Qt::Key_F6;
    default:
        // Letters and digits have the same codes in both.
        return virtualKey;
    }
}

Qt::KeyboardModifiers QtModifiersOf(BYTE flags) {
    Qt::KeyboardModifiers modifiers;
    if (flags & FCONTROL)
        modifiers |= Qt::ControlModifier;
    if (flags & FALT)
        modifiers |= Qt::AltModifier;
    if (flags & FSHIFT)
        modifiers |= Qt::ShiftModifier;
    return modifiers;
}

} // namespace

AcceleratorTable::AcceleratorTable(UINT id) : m_entries(FindAcceleratorTable(id)) {}

UINT AcceleratorTable::Translate(const QKeyEvent& event) const {
    return Translate(event.key(), event.modifiers());
}

UINT AcceleratorTable::Translate(int qtKey, Qt::KeyboardModifiers modifiers) const {
    // The keypad flag tells where a key is, not which modifiers are held.
    modifiers &= Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier;
    for (const ACCEL& accel : m_entries)
        if (QtKeyOf(accel.key) == qtKey && QtModifiersOf(accel.fVirt) == modifiers)
            return accel.cmd;
    return 0;
}
