#pragma once
// The program's dialog templates as data: the about box (100), the control
// bar (128) and the output file dialog (131). Positions and sizes are in
// dialog units; the user interface turns them into widgets with the
// template font's metrics. Controls are listed in template order, which is
// also the tab order.

#include "platform/com/types.h"

#include <span>

enum class ControlKind {
    DropDownList,
    HorizontalSlider,
    PushButton,
    DefaultPushButton,
    AutoRadioButton,
    AutoCheckBox,
    Edit,
    Label,
    Icon,
    EtchedVerticalLine
};

enum class TextAlign { Left, Right };

struct DialogControl {
    int id = -1; // -1 for static controls
    ControlKind kind = ControlKind::Label;
    const char16_t* text = nullptr; // nullptr when the control has no caption
    // Dialog units; a drop-down list's cy is its dropped-down height.
    int x = 0, y = 0, cx = 0, cy = 0;
    bool tabStop = false;
    TextAlign align = TextAlign::Left;
    bool vScroll = false;
    bool noPrefix = false;    // "&" is shown as it stands, never as a mnemonic
    bool multiLine = false;   // "\n" in the caption breaks the line
    bool hScrollAuto = false; // an edit field scrolls horizontally as the user types
    bool border = false;
};

struct DialogTemplate {
    UINT id;
    const char16_t* caption; // nullptr for the control bar, which has none
    int cx, cy;              // dialog units
    const char16_t* fontName;
    int pointSize;
    std::span<const DialogControl> controls;
};

// Templates 100, 128 and 131; nullptr for any other id.
const DialogTemplate* FindDialogTemplate(UINT id);
