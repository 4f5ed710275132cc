#include "src/dialogs/TemplateLayout.h"

#include "src/resources/resource.h"
#include "tests/support/TestApplication.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

class TemplateLayoutTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { TestApplication(); }
};

QString Caption(const QWidget* w) {
    if (auto* b = qobject_cast<const QAbstractButton*>(w))
        return b->text();
    if (auto* l = qobject_cast<const QLabel*>(w))
        return l->text();
    return {};
}

// Every control becomes a widget of the right sort with the template's text,
// at the template's place in dialog units (x in quarters of the average
// character width, y in eighths of the character height).
TEST_F(TemplateLayoutTest, EveryControlAtItsTemplatePlace) {
    for (UINT id : {IDD_ABOUTBOX, IDD_CONTROLBAR, IDD_SELECT_OUTPUT_FILE}) {
        SCOPED_TRACE(id);
        const DialogTemplate& t = *FindDialogTemplate(id);
        QWidget host;
        TemplateLayout layout(&host, t);

        const QFontMetrics fm(TemplateLayout::TemplateFont(t));
        const double avgWidth =
            fm.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52.0;
        const double height = fm.height();
        EXPECT_EQ(host.font(), TemplateLayout::TemplateFont(t));
        EXPECT_NEAR(layout.Size().width(), t.cx * avgWidth / 4, t.cx / 4.0);
        EXPECT_NEAR(layout.Size().height(), t.cy * height / 8, 1.0);
        EXPECT_GE(host.width(), layout.Size().width());
        EXPECT_GE(host.height(), layout.Size().height());

        ASSERT_EQ(layout.Widgets().size(), t.controls.size());
        for (std::size_t i = 0; i < t.controls.size(); ++i) {
            const DialogControl& c = t.controls[i];
            QWidget* w = layout.Widgets()[i];
            SCOPED_TRACE(i);
            ASSERT_NE(w, nullptr);
            EXPECT_EQ(w->parentWidget(), &host);
            if (c.id != -1) {
                EXPECT_EQ(layout.Control(c.id), w);
            }
            const QRect expected = layout.MapDialogRect(c.x, c.y, c.cx, c.cy);
            EXPECT_NEAR(expected.x(), c.x * avgWidth / 4, c.x / 4.0 + 1);
            EXPECT_NEAR(expected.y(), c.y * height / 8, 1.0);
            EXPECT_EQ(w->pos(), expected.topLeft());
            EXPECT_EQ(w->width(), expected.width());
            switch (c.kind) {
            case ControlKind::DropDownList: {
                auto* combo = qobject_cast<QComboBox*>(w);
                ASSERT_NE(combo, nullptr);
                EXPECT_FALSE(combo->isEditable());
                // The template height is the dropped-down one.
                EXPECT_EQ(w->height(), combo->sizeHint().height());
                EXPECT_LT(w->height(), expected.height());
                break;
            }
            case ControlKind::HorizontalSlider:
                ASSERT_NE(qobject_cast<QSlider*>(w), nullptr);
                EXPECT_EQ(qobject_cast<QSlider*>(w)->orientation(), Qt::Horizontal);
                EXPECT_EQ(qobject_cast<QSlider*>(w)->tickPosition(), QSlider::NoTicks);
                break;
            case ControlKind::Edit:
                ASSERT_NE(qobject_cast<QLineEdit*>(w), nullptr);
                EXPECT_EQ(qobject_cast<QLineEdit*>(w)->hasFrame(), c.border);
                break;
            case ControlKind::DefaultPushButton:
            case ControlKind::PushButton:
                ASSERT_NE(qobject_cast<QPushButton*>(w), nullptr);
                EXPECT_EQ(qobject_cast<QPushButton*>(w)->isDefault(),
                          c.kind == ControlKind::DefaultPushButton);
                break;
            default:
                break;
            }
            if (c.kind != ControlKind::DropDownList) {
                EXPECT_EQ(w->height(), expected.height());
            }
            if (c.text) {
                EXPECT_EQ(Caption(w), QString::fromUtf16(c.text));
            }
        }
        EXPECT_EQ(layout.Control(4242), nullptr);
        EXPECT_EQ(layout.Control(-1), nullptr);
    }
}

TEST_F(TemplateLayoutTest, MultiLineButtonsBreakTheirCaption) {
    QWidget host;
    TemplateLayout layout(&host, *FindDialogTemplate(IDD_CONTROLBAR));
    auto* speak = layout.Get<QPushButton>(IDC_SPEAK);
    ASSERT_NE(speak, nullptr);
    EXPECT_EQ(speak->text(), "Speak\n(Ctrl+S)");
    QPushButton oneLine("Speak (Ctrl+S)");
    oneLine.setFont(speak->font());
    EXPECT_GT(speak->sizeHint().height(), oneLine.sizeHint().height());
    EXPECT_EQ(layout.Get<QSlider>(IDC_SPEAK), nullptr);
}

// Tab moves through the tab stops in template order; the radio buttons join
// them, so the output kind can be chosen from the keyboard; labels never take
// the focus.
TEST_F(TemplateLayoutTest, TabOrderIsTemplateOrder) {
    for (UINT id : {IDD_ABOUTBOX, IDD_CONTROLBAR, IDD_SELECT_OUTPUT_FILE}) {
        SCOPED_TRACE(id);
        const DialogTemplate& t = *FindDialogTemplate(id);
        QWidget host;
        TemplateLayout layout(&host, t);
        std::vector<QWidget*> expected;
        for (std::size_t i = 0; i < t.controls.size(); ++i) {
            const bool tabs = layout.Widgets()[i]->focusPolicy() & Qt::TabFocus;
            const bool radio = t.controls[i].kind == ControlKind::AutoRadioButton;
            EXPECT_EQ(tabs, t.controls[i].tabStop || radio) << i;
            if (tabs)
                expected.push_back(layout.Widgets()[i]);
        }
        ASSERT_FALSE(expected.empty());
        std::vector<QWidget*> chain;
        QWidget* w = expected.front();
        do {
            if (w->focusPolicy() & Qt::TabFocus)
                chain.push_back(w);
            w = w->nextInFocusChain();
        } while (w != expected.front() && chain.size() <= expected.size());
        EXPECT_EQ(chain, expected);
    }
    QWidget host;
    TemplateLayout layout(&host, *FindDialogTemplate(IDD_SELECT_OUTPUT_FILE));
    EXPECT_EQ(layout.Control(IDC_RADIO_MP3)->focusPolicy(), Qt::StrongFocus);
}

TEST_F(TemplateLayoutTest, AccessibleNamesComeFromCaptionsOrLabels) {
    {
        QWidget host;
        TemplateLayout bar(&host, *FindDialogTemplate(IDD_CONTROLBAR));
        EXPECT_EQ(bar.Control(IDC_VOICE)->accessibleName(), "Voice");
        EXPECT_EQ(bar.Control(IDC_QUALITY)->accessibleName(), "Quality");
        EXPECT_EQ(bar.Control(IDC_SPEED)->accessibleName(), "Speed");
        EXPECT_EQ(bar.Control(IDC_VOLUME)->accessibleName(), "Volume");
        EXPECT_EQ(bar.Control(IDC_PITCH)->accessibleName(), "Pitch");
        EXPECT_EQ(bar.Control(IDC_SPEAK)->accessibleName(), "Speak (Ctrl+S)");
        EXPECT_EQ(bar.Control(IDC_WRITE)->accessibleName(), "Write... (Ctrl+W)");
    }
    {
        QWidget host;
        TemplateLayout dlg(&host, *FindDialogTemplate(IDD_SELECT_OUTPUT_FILE));
        EXPECT_EQ(dlg.Control(IDC_RADIO_WAV)->accessibleName(), "Uncompressed WAV file");
        EXPECT_EQ(dlg.Control(IDC_BITRATE)->accessibleName(), "Bitrate");
        EXPECT_EQ(dlg.Control(IDC_MP3_QUALITY)->accessibleName(), "Quality");
        EXPECT_EQ(dlg.Control(IDC_VBR)->accessibleName(), "VBR");
        EXPECT_EQ(dlg.Control(IDC_CODEC)->accessibleName(), "Codec");
        EXPECT_EQ(dlg.Control(IDC_FORMAT)->accessibleName(), "Format");
        EXPECT_EQ(dlg.Control(IDC_OUTPUT_FILE)->accessibleName(), "Output file");
        EXPECT_EQ(dlg.Control(IDC_BROWSE)->accessibleName(), "Browse...");
        EXPECT_EQ(dlg.Control(IDOK)->accessibleName(), "OK");
    }
    {
        QWidget host;
        TemplateLayout about(&host, *FindDialogTemplate(IDD_ABOUTBOX));
        // A label is announced as it shows, also once its text has changed.
        auto* version = qobject_cast<QLabel*>(about.Control(IDC_VERSION));
        version->setText(version->text() + " (Unicode)");
        EXPECT_EQ(QAccessible::queryAccessibleInterface(version)->text(QAccessible::Name),
                  "Vocalith Version 1.4 (Unicode)");
    }
}

// A mnemonic label hands the focus to the next tab stop after it; without
// one, or marked as showing "&" literally, it gets no buddy.
TEST_F(TemplateLayoutTest, MnemonicLabelsGetTheNextTabStopAsBuddy) {
    const DialogControl controls[] = {
        {-1, ControlKind::Label, u"&Name:", 0, 0, 30, 8, false, TextAlign::Left},
        {-1, ControlKind::Label, u"Salt && pepper", 0, 20, 60, 8, false, TextAlign::Left},
        {10, ControlKind::Edit, nullptr, 40, 0, 60, 12, true, TextAlign::Left},
        {-1, ControlKind::Label, u"Tom & Jerry", 0, 40, 60, 8, false, TextAlign::Left, false, true},
        {-1, ControlKind::Label, u"&Orphan", 0, 60, 60, 8, false, TextAlign::Left},
    };
    const DialogTemplate t{999, u"Test", 120, 80, u"MS Shell Dlg", 8, controls};
    QWidget host;
    TemplateLayout layout(&host, t);
    auto* name = qobject_cast<QLabel*>(layout.Widgets()[0]);
    auto* salt = qobject_cast<QLabel*>(layout.Widgets()[1]);
    auto* tom = qobject_cast<QLabel*>(layout.Widgets()[3]);
    auto* orphan = qobject_cast<QLabel*>(layout.Widgets()[4]);
    EXPECT_EQ(name->buddy(), layout.Control(10));
    EXPECT_EQ(name->accessibleName(), "Name");
    // The label that names the edit field is its buddy: the labelled-by relation.
    EXPECT_EQ(salt->buddy(), layout.Control(10));
    EXPECT_EQ(salt->accessibleName(), "Salt & pepper");
    EXPECT_EQ(tom->buddy(), nullptr);
    EXPECT_EQ(tom->text(), "Tom & Jerry");
    EXPECT_EQ(orphan->buddy(), nullptr);
    EXPECT_EQ(orphan->text(), "Orphan");
    // The edit field follows the "Salt && pepper" label in template order.
    EXPECT_EQ(layout.Control(10)->accessibleName(), "Salt & pepper");
}

// The layout follows the font: at twice the point size every control is
// placed about twice as far from the origin and is about twice as large.
TEST_F(TemplateLayoutTest, LayoutScalesWithTheFont) {
    for (UINT id : {IDD_CONTROLBAR, IDD_SELECT_OUTPUT_FILE}) {
        SCOPED_TRACE(id);
        const DialogTemplate& normal = *FindDialogTemplate(id);
        DialogTemplate large = normal;
        large.pointSize = normal.pointSize * 2;
        QWidget hostNormal, hostLarge;
        TemplateLayout a(&hostNormal, normal), b(&hostLarge, large);
        EXPECT_NEAR(b.Size().width(), 2.0 * a.Size().width(), 0.2 * a.Size().width());
        EXPECT_NEAR(b.Size().height(), 2.0 * a.Size().height(), 0.2 * a.Size().height());
        for (std::size_t i = 0; i < normal.controls.size(); ++i) {
            const QRect ra = a.Widgets()[i]->geometry(), rb = b.Widgets()[i]->geometry();
            SCOPED_TRACE(i);
            EXPECT_NEAR(rb.x(), 2.0 * ra.x(), 0.2 * ra.x() + 1);
            EXPECT_NEAR(rb.y(), 2.0 * ra.y(), 0.2 * ra.y() + 1);
            if (normal.controls[i].kind != ControlKind::DropDownList) {
                EXPECT_NEAR(rb.width(), 2.0 * ra.width(), 0.2 * ra.width() + 1);
            }
        }
    }
}

} // namespace
