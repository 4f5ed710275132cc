// The frame's status bar: the prompt pane, the caret's line and column, and
// the lock key indicators.
#include "src/app/CChildView.h"
#include "src/app/CMainFrame.h"
#include "src/app/LockKeyState.h"
#include "src/app/ResString.h"
#include "src/resources/resource.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>

namespace {

// Fills each "%d" of a format from the string table in turn.
QString FormatInts(QString format, std::initializer_list<int> values) {
    qsizetype from = 0;
    for (int value : values) {
        const qsizetype at = format.indexOf(QStringLiteral("%d"), from);
        if (at < 0)
            break;
        const QString digits = QString::number(value);
        format.replace(at, 2, digits);
        from = at + digits.size();
    }
    return format;
}

constexpr int kPaneMessage = 0, kPaneLineColumn = 1, kPaneCaps = 2, kPaneNum = 3, kPaneScroll = 4;

} // namespace

bool CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    for (int i = 0; i < 5; ++i) {
        m_wndStatusPanes[i] = new QLabel(bar);
        m_wndStatusPanes[i]->setTextFormat(Qt::PlainText);
    }
    m_wndStatusPanes[kPaneMessage]->setText(ResString(AFX_IDS_IDLEMESSAGE));
    bar->addWidget(m_wndStatusPanes[kPaneMessage], 1);

    QLabel* lineColumn = m_wndStatusPanes[kPaneLineColumn];
    const QScreen* screen = QGuiApplication::primaryScreen();
    lineColumn->setFixedWidth(screen ? screen->geometry().width() / 4 : 200);
    // Announced as it reads: "Line: 1, Col: 50".
    lineColumn->setAccessibleDescription(QStringLiteral("Line and column"));
    bar->addPermanentWidget(lineColumn);

    const UINT indicators[] = {ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};
    for (int i = 0; i < 3; ++i) {
        QLabel* pane = m_wndStatusPanes[kPaneCaps + i];
        const QString text = ResString(indicators[i]);
        pane->setProperty("indicatorText", text);
        pane->setAlignment(Qt::AlignCenter);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(text) +
                              2 * pane->fontMetrics().averageCharWidth());
        bar->addPermanentWidget(pane);
    }
    for (QLabel* pane : m_wndStatusPanes)
        pane->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    m_wndStatusPanes[kPaneMessage]->setFrameStyle(QFrame::NoFrame);
    UpdateIndicators();
    return true;
}

QLabel* CMainFrame::Pane(int index) const {
    return index >= 0 && index < 5 ? m_wndStatusPanes[index] : nullptr;
}

void CMainFrame::UpdateIndicators() {
    if (!m_wndStatusPanes[kPaneCaps])
        return;
    const std::optional<LockKeyState> keys = LockKeyState::Query();
    const bool on[3] = {keys && keys->capsLock, keys && keys->numLock, keys && keys->scrollLock};
    static const QString kLocks[3] = {QStringLiteral("Caps Lock"), QStringLiteral("Num Lock"),
                                      QStringLiteral("Scroll Lock")};
    for (int i = 0; i < 3; ++i) {
        QLabel* pane = m_wndStatusPanes[kPaneCaps + i];
        const QString text = pane->property("indicatorText").toString();
        // Unknown: the text stays, greyed; known: shown only while the lock is on.
        pane->setEnabled(keys.has_value());
        pane->setText(!keys || on[i] ? text : QString());
        // A screen reader hears what the pane tells: whether the lock is on.
        const QString name =
            !keys ? kLocks[i]
                  : kLocks[i] + (on[i] ? QStringLiteral(" on") : QStringLiteral(" off"));
        if (pane->accessibleName() != name)
            pane->setAccessibleName(name);
    }
}

void CMainFrame::UpdateLineColumnPane() {
    if (!m_wndView || !m_wndStatusPanes[kPaneLineColumn])
        return;
    const auto [line, column] = m_wndView->CaretLineAndColumn();
    const auto line16 = static_cast<std::uint16_t>(line);
    const auto column16 = static_cast<std::uint16_t>(column);
    if (line16 == m_lastLine && column16 == m_lastColumn)
        return;
    m_wndStatusPanes[kPaneLineColumn]->setText(
        FormatInts(ResString(IDS_LINE_COLUMN), {line16 + 1, column16 + 1}));
    m_lastLine = line16;
    m_lastColumn = column16;
}
