#include "src/dialogs/TemplateLayout.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <algorithm>
#include <climits>
#include <optional>

namespace {

// The platform's MulDiv: a * b / c rounded to the nearest integer.
int MulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    return static_cast<int>(p >= 0 ? (p + c / 2) / c : (p - c / 2) / c);
}

QString FromTemplateText(const char16_t* text) {
    return text ? QString::fromUtf16(text) : QString();
}

bool HasMnemonic(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'&')
            continue;
        if (text[i + 1] != u'&')
            return true;
        ++i;
    }
    return false;
}

// The text as it reads without mnemonic markers: "&&" is one "&", a lone
// "&" only marks the next letter.
QString WithoutMnemonics(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size())
            ++i;
        out += text[i];
    }
    return out;
}

// A caption as a screen reader should say it: no mnemonic markers, one line,
// no trailing colon.
QString AccessibleText(const QString& caption) {
    QString name = WithoutMnemonics(caption).replace(u'\n', u' ').trimmed();
    if (name.endsWith(u':'))
        name.chop(1);
    return name.trimmed();
}

bool NamedByLabel(ControlKind kind) {
    return kind == ControlKind::DropDownList || kind == ControlKind::HorizontalSlider ||
           kind == ControlKind::Edit;
}

bool Focusable(ControlKind kind) {
    switch (kind) {
    case ControlKind::Label:
    case ControlKind::Icon:
    case ControlKind::EtchedVerticalLine:
        return false;
    default:
        return true;
    }
}

} // namespace

QFont TemplateLayout::TemplateFont(const DialogTemplate& tmpl) {
    QFont font = QApplication::font();
    font.setPointSize(tmpl.pointSize);
    return font;
}

TemplateLayout::TemplateLayout(QWidget* host, const DialogTemplate& tmpl) {
    const QFont font = TemplateFont(tmpl);
    host->setFont(font);

    const QFontMetrics fm(font);
    const int alphabetWidth = fm.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseX = std::max(1, (alphabetWidth / 26 + 1) / 2);
    m_baseY = std::max(1, fm.height());
    m_size = MapDialogRect(0, 0, tmpl.cx, tmpl.cy).size();

    m_widgets.reserve(tmpl.controls.size());
    for (const DialogControl& c : tmpl.controls)
        m_widgets.push_back(CreateControl(host, c));

    QWidget* previous = nullptr;
    for (std::size_t i = 0; i < m_widgets.size(); ++i) {
        QWidget* w = m_widgets[i];
        if (!(w->focusPolicy() & Qt::TabFocus))
            continue;
        if (previous)
            QWidget::setTabOrder(previous, w);
        previous = w;
    }

    AssignAccessibleNamesAndBuddies(tmpl);

    host->setMinimumSize(m_size);
    host->resize(m_size);
}

QRect TemplateLayout::MapDialogRect(int x, int y, int cx, int cy) const {
    return QRect(MulDiv(x, m_baseX, 4), MulDiv(y, m_baseY, 8), MulDiv(cx, m_baseX, 4),
                 MulDiv(cy, m_baseY, 8));
}

QWidget* TemplateLayout::Control(int id) const {
    if (id == -1)
        return nullptr;
    for (QWidget* w : m_widgets)
        if (w->property("controlId").toInt() == id)
            return w;
    return nullptr;
}

QWidget* TemplateLayout::CreateControl(QWidget* host, const DialogControl& c) {
    const QString text = FromTemplateText(c.text);
    QRect rect = MapDialogRect(c.x, c.y, c.cx, c.cy);
    QWidget* widget = nullptr;

    switch (c.kind) {
    case ControlKind::DropDownList: {
        auto* combo = new QComboBox(host);
        // The template gives the height of the dropped-down list; the closed
        // box is as high as the platform draws it.
        const int closed = combo->sizeHint().height();
        const int itemHeight = QFontMetrics(combo->font()).height() + 2;
        combo->setMaxVisibleItems(std::max(1, (rect.height() - closed) / itemHeight));
        rect.setHeight(closed);
        widget = combo;
        break;
    }
    case ControlKind::HorizontalSlider: {
        auto* slider = new QSlider(Qt::Horizontal, host);
        slider->setTickPosition(QSlider::NoTicks);
        widget = slider;
        break;
    }
    case ControlKind::PushButton:
    case ControlKind::DefaultPushButton: {
        auto* button = new QPushButton(text, host);
        if (c.kind == ControlKind::DefaultPushButton)
            button->setDefault(true);
        widget = button;
        break;
    }
    case ControlKind::AutoRadioButton:
        widget = new QRadioButton(text, host);
        break;
    case ControlKind::AutoCheckBox:
        widget = new QCheckBox(text, host);
        break;
    case ControlKind::Edit: {
        auto* edit = new QLineEdit(host);
        edit->setFrame(c.border);
        widget = edit;
        break;
    }
    case ControlKind::Label: {
        auto* label = new QLabel(host);
        label->setTextFormat(Qt::PlainText);
        label->setText(text);
        label->setAlignment((c.align == TextAlign::Right ? Qt::AlignRight : Qt::AlignLeft) |
                            Qt::AlignTop);
        widget = label;
        break;
    }
    case ControlKind::Icon: {
        // The owner puts the picture in; the control keeps the template's place.
        auto* label = new QLabel(host);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        widget = label;
        break;
    }
    case ControlKind::EtchedVerticalLine: {
        auto* line = new QFrame(host);
        line->setFrameShape(QFrame::VLine);
        line->setFrameShadow(QFrame::Sunken);
        widget = line;
        break;
    }
    }

    widget->setProperty("controlId", c.id);
    widget->setGeometry(rect);
    if (c.kind == ControlKind::EtchedVerticalLine) {
        // The etched edge runs down the control's left side, however wide it is.
        static_cast<QFrame*>(widget)->setFrameRect(
            QRect(0, 0, std::min(rect.width(), 3), rect.height()));
    }
    // A radio button takes the focus from Tab as well: the template leaves its
    // group without a tab stop, and without one the output kind could not be
    // chosen from the keyboard alone.
    if (Focusable(c.kind))
        widget->setFocusPolicy(
            c.tabStop || c.kind == ControlKind::AutoRadioButton ? Qt::StrongFocus : Qt::ClickFocus);
    return widget;
}

void TemplateLayout::AssignAccessibleNamesAndBuddies(const DialogTemplate& tmpl) {
    const auto& controls = tmpl.controls;
    const int rowTolerance = m_baseX; // a label may end a little past the control's start
    const int maxGapAbove = MulDiv(12, m_baseY, 8);

    for (std::size_t i = 0; i < controls.size(); ++i) {
        const DialogControl& c = controls[i];
        QWidget* w = m_widgets[i];
        const QString caption = FromTemplateText(c.text);

        if (c.kind == ControlKind::Label) {
            auto* label = static_cast<QLabel*>(w);
            // A label whose text reads as it is keeps no name of its own, so
            // that it is announced as shown when its text changes later.
            if (AccessibleText(caption) != caption)
                w->setAccessibleName(AccessibleText(caption));
            if (c.noPrefix || !HasMnemonic(caption))
                continue;
            // A mnemonic on a label moves the focus to the next tab stop after it.
            QWidget* buddy = nullptr;
            for (std::size_t j = i + 1; j < controls.size() && !buddy; ++j)
                if (controls[j].tabStop && Focusable(controls[j].kind))
                    buddy = m_widgets[j];
            if (buddy)
                label->setBuddy(buddy);
            else
                label->setText(WithoutMnemonics(caption));
            continue;
        }
        if (!NamedByLabel(c.kind)) {
            if (!caption.isEmpty())
                w->setAccessibleName(AccessibleText(caption));
            continue;
        }

        // Lists, sliders and edit fields are named by their label: the one
        // just before them in the template, else the nearest one to their
        // left on the same row, else the nearest one just above them.
        const QRect r = w->geometry();
        // The label `distance` puts nearest; none when it rules out every one.
        const auto nearest = [&](auto distance) {
            std::size_t found = controls.size();
            int best = INT_MAX;
            for (std::size_t j = 0; j < controls.size(); ++j) {
                if (controls[j].kind != ControlKind::Label)
                    continue;
                const std::optional<int> d = distance(m_widgets[j]->geometry());
                if (d && *d < best) {
                    best = *d;
                    found = j;
                }
            }
            return found;
        };
        std::size_t label =
            i > 0 && controls[i - 1].kind == ControlKind::Label ? i - 1 : controls.size();
        if (label == controls.size())
            label = nearest([&](const QRect& l) -> std::optional<int> {
                const bool sameRow = l.top() <= r.bottom() && r.top() <= l.bottom();
                if (!sameRow || l.right() > r.left() + rowTolerance)
                    return std::nullopt;
                return r.left() - l.right();
            });
        if (label == controls.size())
            label = nearest([&](const QRect& l) -> std::optional<int> {
                const int gap = r.top() - l.bottom();
                const bool overlaps = l.left() <= r.right() && r.left() <= l.right();
                if (!overlaps || gap < 0 || gap > maxGapAbove)
                    return std::nullopt;
                return gap;
            });
        if (label == controls.size())
            continue;
        const QString labelText = FromTemplateText(controls[label].text);
        w->setAccessibleName(AccessibleText(labelText));
        // The buddy gives screen readers the labelled-by relation; a label
        // that shows "&" literally cannot have one, as a buddy makes "&" a
        // mnemonic marker.
        auto* labelWidget = static_cast<QLabel*>(m_widgets[label]);
        if (!labelWidget->buddy() && !(controls[label].noPrefix && labelText.contains(u'&')))
            labelWidget->setBuddy(w);
    }
}
