#pragma once
// An accelerator table turned into Qt key events: which command a key press
// stands for, with exactly the modifiers the table asks for.

#include "src/resources/Accelerators.h"

#include <QKeyEvent>

class AcceleratorTable {
public:
    // An unknown id gives an empty table.
    explicit AcceleratorTable(UINT id);

    // The command of the key press; 0 when the table has none for it.
    UINT Translate(const QKeyEvent& event) const;
    UINT Translate(int qtKey, Qt::KeyboardModifiers modifiers) const;

private:
    std::span<const ACCEL> m_entries;
};
