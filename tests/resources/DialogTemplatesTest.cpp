#include "src/resources/DialogTemplates.h"

#include "src/resources/resource.h"

#include <array>
#include <gtest/gtest.h>
#include <set>
#include <span>
#include <string>

namespace {

std::u16string TextOf(const DialogControl& c) {
    return c.text ? c.text : u"";
}

const DialogControl* FindControl(const DialogTemplate& t, int id) {
    for (const auto& c : t.controls)
        if (c.id == id)
            return &c;
    return nullptr;
}

// One control as a template lists it, in tab order.
struct Row {
    int id;
    ControlKind kind;
    std::u16string text;
    int x, y, cx, cy;
    bool tabStop;
    TextAlign align = TextAlign::Left;
};

void ExpectControls(const DialogTemplate& t, std::span<const Row> rows) {
    ASSERT_EQ(t.controls.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const DialogControl& c = t.controls[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(c.id, rows[i].id);
        EXPECT_EQ(c.kind, rows[i].kind);
        EXPECT_EQ(TextOf(c), rows[i].text);
        EXPECT_EQ((std::array{c.x, c.y, c.cx, c.cy}),
                  (std::array{rows[i].x, rows[i].y, rows[i].cx, rows[i].cy}));
        EXPECT_EQ(c.tabStop, rows[i].tabStop);
        EXPECT_EQ(c.align, rows[i].align);
    }
}

TEST(DialogTemplatesTest, OnlyTheThreeTemplatesExist) {
    for (UINT id : {IDD_ABOUTBOX, IDD_CONTROLBAR, IDD_SELECT_OUTPUT_FILE}) {
        const DialogTemplate* t = FindDialogTemplate(id);
        ASSERT_NE(t, nullptr) << id;
        EXPECT_EQ(t->id, id);
        EXPECT_EQ(std::u16string(t->fontName), u"MS Shell Dlg");
        EXPECT_EQ(t->pointSize, 8);
    }
    EXPECT_EQ(FindDialogTemplate(0), nullptr);
    EXPECT_EQ(FindDialogTemplate(129), nullptr);
    EXPECT_EQ(FindDialogTemplate(130), nullptr);
}

// Active controls are found by id, so an id may appear only once per template.
TEST(DialogTemplatesTest, ControlIdsAreUniqueWithinATemplate) {
    for (UINT id : {IDD_ABOUTBOX, IDD_CONTROLBAR, IDD_SELECT_OUTPUT_FILE}) {
        std::set<int> seen;
        for (const auto& c : FindDialogTemplate(id)->controls) {
            if (c.id == -1)
                continue;
            EXPECT_TRUE(seen.insert(c.id).second) << "template " << id << " control " << c.id;
        }
    }
}

TEST(DialogTemplatesTest, AboutBox) {
    const DialogTemplate& t = *FindDialogTemplate(IDD_ABOUTBOX);
    EXPECT_EQ(std::u16string(t.caption), u"About Vocalith");
    EXPECT_EQ(t.cx, 287);
    EXPECT_EQ(t.cy, 56);
    ASSERT_EQ(t.controls.size(), 3u);
    EXPECT_EQ(t.controls[0].kind, ControlKind::Icon);
    const DialogControl* version = FindControl(t, IDC_VERSION);
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(TextOf(*version), u"Vocalith Version 1.4");
    EXPECT_TRUE(version->noPrefix);
    const DialogControl* ok = FindControl(t, IDOK);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->kind, ControlKind::DefaultPushButton);
    EXPECT_EQ((std::array{ok->x, ok->y, ok->cx, ok->cy}), (std::array{230, 7, 50, 16}));
}

TEST(DialogTemplatesTest, ControlBarInTabOrder) {
    const DialogTemplate& t = *FindDialogTemplate(IDD_CONTROLBAR);
    EXPECT_EQ(t.caption, nullptr);
    EXPECT_EQ(t.cx, 551);
    EXPECT_EQ(t.cy, 47);
    constexpr auto R = TextAlign::Right;
    const Row rows[] = {
        {1000, ControlKind::DropDownList, u"", 38, 8, 192, 132, true},
        {1001, ControlKind::DropDownList, u"", 39, 26, 110, 132, true},
        {1002, ControlKind::HorizontalSlider, u"", 307, 7, 119, 10, true},
        {1003, ControlKind::HorizontalSlider, u"", 307, 20, 119, 10, true},
        {1004, ControlKind::HorizontalSlider, u"", 307, 33, 119, 10, true},
        {1007, ControlKind::PushButton, u"Speak\n(Ctrl+S)", 444, 8, 46, 32, true},
        {1006, ControlKind::PushButton, u"Write...\n(Ctrl+W)", 497, 8, 46, 32, true},
        {-1, ControlKind::Label, u"Voice:", 0, 10, 35, 8, false, R},
        {-1, ControlKind::Label, u"Quality:", 1, 28, 35, 8, false, R},
        {-1, ControlKind::EtchedVerticalLine, u"", 240, 7, 13, 36, false},
        {-1, ControlKind::Label, u"Speed:", 259, 9, 40, 8, false, R},
        {-1, ControlKind::Label, u"Volume:", 259, 20, 40, 8, false, R},
        {-1, ControlKind::Label, u"Pitch:", 258, 31, 40, 8, false, R},
        {-1, ControlKind::EtchedVerticalLine, u"", 429, 7, 1, 35, false},
    };
    ExpectControls(t, rows);
    for (const DialogControl& c : t.controls) {
        if (c.kind == ControlKind::PushButton) {
            EXPECT_TRUE(c.multiLine);
        }
        if (c.kind == ControlKind::DropDownList) {
            EXPECT_TRUE(c.vScroll);
        }
    }
}

TEST(DialogTemplatesTest, OutputFileDialogInTabOrder) {
    const DialogTemplate& t = *FindDialogTemplate(IDD_SELECT_OUTPUT_FILE);
    EXPECT_EQ(std::u16string(t.caption), u"Select output audio file");
    EXPECT_EQ(t.cx, 379);
    EXPECT_EQ(t.cy, 147);
    constexpr auto L = TextAlign::Left;
    constexpr auto R = TextAlign::Right;
    const Row rows[] = {
        {1008, ControlKind::AutoRadioButton, u"Uncompressed WAV file", 19, 16, 104, 10, false, L},
        {1009, ControlKind::AutoRadioButton, u"MP3 compression", 19, 31, 104, 10, false, L},
        {1010, ControlKind::AutoRadioButton, u"WMA compression", 19, 46, 104, 10, false, L},
        {1014, ControlKind::DropDownList, u"", 166, 31, 60, 107, true, L},
        {1016, ControlKind::DropDownList, u"", 277, 31, 60, 107, true, L},
        {1015, ControlKind::AutoCheckBox, u"VBR", 343, 32, 29, 10, true, L},
        {1017, ControlKind::DropDownList, u"", 26, 69, 168, 131, true, L},
        {1018, ControlKind::DropDownList, u"", 204, 69, 168, 131, true, L},
        {1013, ControlKind::Edit, u"", 19, 100, 302, 14, true, L},
        {1012, ControlKind::PushButton, u"Browse...", 329, 100, 43, 14, true, L},
        {1, ControlKind::DefaultPushButton, u"OK", 134, 126, 50, 14, true, L},
        {2, ControlKind::PushButton, u"Cancel", 196, 126, 50, 14, true, L},
        {-1, ControlKind::Label, u"Quality:", 237, 33, 34, 8, false, R},
        {-1, ControlKind::Label, u"Bitrate:", 124, 33, 34, 8, false, R},
        {-1, ControlKind::Label, u"Codec:", 26, 59, 29, 8, false, L},
        {-1, ControlKind::Label, u"Format:", 204, 59, 32, 8, false, L},
        {-1, ControlKind::Label, u"Output file:", 19, 89, 88, 8, false, L},
    };
    ExpectControls(t, rows);
    const DialogControl* edit = FindControl(t, IDC_OUTPUT_FILE);
    EXPECT_TRUE(edit->border);
    EXPECT_TRUE(edit->hScrollAuto);
}

} // namespace
