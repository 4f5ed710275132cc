#include "src/resources/DialogTemplates.h"

#include "VocalithVersion.h"
#include "src/resources/resource.h"

#include <array>

namespace {

constexpr int kStatic = -1;

constexpr DialogControl Make(ControlKind kind, int id, const char16_t* text, int x, int y, int cx,
                             int cy, bool tabStop) {
    return {.id = id,
            .kind = kind,
            .text = text,
            .x = x,
            .y = y,
            .cx = cx,
            .cy = cy,
            .tabStop = tabStop};
}

constexpr DialogControl DropDownList(int id, int x, int y, int cx, int cy) {
    DialogControl c = Make(ControlKind::DropDownList, id, nullptr, x, y, cx, cy, true);
    c.vScroll = true;
    return c;
}

constexpr DialogControl Slider(int id, int x, int y, int cx, int cy) {
    return Make(ControlKind::HorizontalSlider, id, nullptr, x, y, cx, cy, true);
}

constexpr DialogControl Button(int id, const char16_t* text, int x, int y, int cx, int cy,
                               bool multiLine = false) {
    DialogControl c = Make(ControlKind::PushButton, id, text, x, y, cx, cy, true);
    c.multiLine = multiLine;
    return c;
}

constexpr DialogControl DefaultButton(int id, const char16_t* text, int x, int y, int cx, int cy) {
    return Make(ControlKind::DefaultPushButton, id, text, x, y, cx, cy, true);
}

constexpr DialogControl Radio(int id, const char16_t* text, int x, int y, int cx, int cy) {
    return Make(ControlKind::AutoRadioButton, id, text, x, y, cx, cy, false);
}

constexpr DialogControl CheckBox(int id, const char16_t* text, int x, int y, int cx, int cy) {
    return Make(ControlKind::AutoCheckBox, id, text, x, y, cx, cy, true);
}

constexpr DialogControl Edit(int id, int x, int y, int cx, int cy) {
    DialogControl c = Make(ControlKind::Edit, id, nullptr, x, y, cx, cy, true);
    c.hScrollAuto = true;
    c.border = true;
    return c;
}

constexpr DialogControl Label(const char16_t* text, int x, int y, int cx, int cy,
                              TextAlign align = TextAlign::Left, int id = kStatic,
                              bool noPrefix = false) {
    DialogControl c = Make(ControlKind::Label, id, text, x, y, cx, cy, false);
    c.align = align;
    c.noPrefix = noPrefix;
    return c;
}

constexpr DialogControl Icon(int x, int y, int cx, int cy) {
    return Make(ControlKind::Icon, kStatic, nullptr, x, y, cx, cy, false);
}

constexpr DialogControl EtchedVerticalLine(int x, int y, int cx, int cy) {
    return Make(ControlKind::EtchedVerticalLine, kStatic, nullptr, x, y, cx, cy, false);
}

constexpr char16_t kShellFont[] = u"MS Shell Dlg";

// The about box; the program icon (icon 128) is put into its icon control.
constexpr std::array kAboutControls{
    Icon(11, 17, 20, 20),
    Label(u"Vocalith Version " VOCALITH_VERSION_U16, 40, 10, 187, 8, TextAlign::Left, IDC_VERSION,
          true),
    DefaultButton(IDOK, u"OK", 230, 7, 50, 16),
};

constexpr std::array kControlBarControls{
    DropDownList(IDC_VOICE, 38, 8, 192, 132),
    DropDownList(IDC_QUALITY, 39, 26, 110, 132),
    Slider(IDC_SPEED, 307, 7, 119, 10),
    Slider(IDC_VOLUME, 307, 20, 119, 10),
    Slider(IDC_PITCH, 307, 33, 119, 10),
    Button(IDC_SPEAK, u"Speak\n(Ctrl+S)", 444, 8, 46, 32, true),
    Button(IDC_WRITE, u"Write...\n(Ctrl+W)", 497, 8, 46, 32, true),
    Label(u"Voice:", 0, 10, 35, 8, TextAlign::Right),
    Label(u"Quality:", 1, 28, 35, 8, TextAlign::Right),
    EtchedVerticalLine(240, 7, 13, 36),
    Label(u"Speed:", 259, 9, 40, 8, TextAlign::Right),
    Label(u"Volume:", 259, 20, 40, 8, TextAlign::Right),
    Label(u"Pitch:", 258, 31, 40, 8, TextAlign::Right),
    EtchedVerticalLine(429, 7, 1, 35),
};

constexpr std::array kSelectOutputFileControls{
    Radio(IDC_RADIO_WAV, u"Uncompressed WAV file", 19, 16, 104, 10),
    Radio(IDC_RADIO_MP3, u"MP3 compression", 19, 31, 104, 10),
    Radio(IDC_RADIO_WMA, u"WMA compression", 19, 46, 104, 10),
    DropDownList(IDC_BITRATE, 166, 31, 60, 107),
    DropDownList(IDC_MP3_QUALITY, 277, 31, 60, 107),
    CheckBox(IDC_VBR, u"VBR", 343, 32, 29, 10),
    DropDownList(IDC_CODEC, 26, 69, 168, 131),
    DropDownList(IDC_FORMAT, 204, 69, 168, 131),
    Edit(IDC_OUTPUT_FILE, 19, 100, 302, 14),
    Button(IDC_BROWSE, u"Browse...", 329, 100, 43, 14),
    DefaultButton(IDOK, u"OK", 134, 126, 50, 14),
    Button(IDCANCEL, u"Cancel", 196, 126, 50, 14),
    Label(u"Quality:", 237, 33, 34, 8, TextAlign::Right),
    Label(u"Bitrate:", 124, 33, 34, 8, TextAlign::Right),
    Label(u"Codec:", 26, 59, 29, 8),
    Label(u"Format:", 204, 59, 32, 8),
    Label(u"Output file:", 19, 89, 88, 8),
};

constexpr DialogTemplate kTemplates[] = {
    {IDD_ABOUTBOX, u"About Vocalith", 287, 56, kShellFont, 8, kAboutControls},
    {IDD_CONTROLBAR, nullptr, 551, 47, kShellFont, 8, kControlBarControls},
    {IDD_SELECT_OUTPUT_FILE, u"Select output audio file", 379, 147, kShellFont, 8,
     kSelectOutputFileControls},
};

} // namespace

const DialogTemplate* FindDialogTemplate(UINT id) {
    for (const auto& t : kTemplates)
        if (t.id == id)
            return &t;
    return nullptr;
}
