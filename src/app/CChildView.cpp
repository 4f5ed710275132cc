#include "src/app/CChildView.h"

#include "src/app/CApp.h"
#include "src/app/CMainFrame.h"
#include "src/app/MenuItemText.h"
#include "src/resources/Menus.h"
#include "src/resources/resource.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QTextLayout>
#include <algorithm>

namespace {

// Line breaks as the editor stores them: one character, whatever the source used.
QString NormalizeLineBreaks(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

// The first `count` characters, never splitting a surrogate pair.
QString LeftWhole(const QString& text, qsizetype count) {
    if (count <= 0)
        return {};
    if (count < text.size() && text[count - 1].isHighSurrogate())
        --count;
    return text.left(count);
}

bool InsertsText(const QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
        return true;
    default:
        break;
    }
    const QString text = event->text();
    return !text.isEmpty() && text[0].isPrint();
}

} // namespace

CChildView::CChildView(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(false);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The context menu opens on the right button's release, and from the
    // keyboard (the Menu key, Shift+F10) at the caret.
    setContextMenuPolicy(Qt::DefaultContextMenu);
    setAccessibleName(QStringLiteral("Text"));

    connect(this, &QTextEdit::cursorPositionChanged, this, &CChildView::OnSelChange);
    connect(this, &QTextEdit::selectionChanged, this, &CChildView::OnSelChange);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            [this] { m_canPaste.reset(); });
    connect(document(), &QTextDocument::undoCommandAdded, this, &CChildView::OnUndoCommandAdded);
    // Only an empty history offers no undo at all; it is empty again after the
    // text was replaced as a whole.
    connect(document(), &QTextDocument::undoAvailable, this, [this](bool available) {
        if (!available && document()->availableUndoSteps() == 0)
            m_undoFloor = 0;
    });
}

CChildView::~CChildView() = default;

int CChildView::GetTextLength() const {
    return document()->characterCount() - 1;
}

void CChildView::SetLimitText(int maxChars) {
    m_limitText = std::max(0, maxChars);
}

void CChildView::SetUndoLimit(int actions) {
    m_undoLimit = std::max(0, actions);
    OnUndoCommandAdded();
}

bool CChildView::CanUndo() const {
    return document()->availableUndoSteps() > m_undoFloor;
}

bool CChildView::CanRedo() const {
    return document()->isRedoAvailable();
}

bool CChildView::CanPaste() const {
    // Asking another program's clipboard is a round trip to it, and the rules
    // ask after every key: the answer is kept until the clipboard changes.
    if (!m_canPaste) {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        m_canPaste = data && data->hasText() && !data->text().isEmpty();
    }
    return *m_canPaste;
}

bool CChildView::SelectionHasText() const {
    return textCursor().hasSelection();
}

QString CChildView::GetSelText() const {
    return textCursor().selection().toPlainText();
}

void CChildView::Undo() {
    if (CanUndo())
        undo();
}

void CChildView::Redo() {
    if (CanRedo())
        redo();
}

std::pair<int, int> CChildView::CaretLineAndColumn() const {
    const int start = textCursor().selectionStart();
    const QTextBlock block = document()->findBlock(start);
    int line = 0;
    for (QTextBlock b = document()->begin(); b.isValid() && b != block; b = b.next())
        line += std::max(1, b.layout()->lineCount());
    int lineStart = block.position();
    const QTextLine textLine = block.layout()->lineForTextPosition(start - block.position());
    if (textLine.isValid()) {
        line += textLine.lineNumber();
        lineStart += textLine.textStart();
    }
    return {line, start - lineStart};
}

bool CChildView::OnCmdMsg(UINT id) {
    CMainFrame* frame = AfxGetMainWnd();
    switch (id) {
    case ID_EDIT_PASTE:
        if (frame)
            paste();
        return true;
    case ID_EDIT_COPY:
        if (frame)
            copy();
        return true;
    case ID_EDIT_CUT:
        if (frame)
            cut();
        return true;
    case ID_EDIT_REDO:
        if (frame)
            Redo();
        return true;
    case ID_EDIT_UNDO:
        if (frame)
            Undo();
        return true;
    case ID_FILE_WRITE_SELECTED:
        if (frame)
            frame->StartJob(false, true);
        return true;
    case ID_FILE_SPEAK_SELECTED:
        if (frame)
            frame->StartJob(true, true);
        return true;
    default:
        return false;
    }
}

std::unique_ptr<QMenu> CChildView::LoadContextMenu() {
    const MenuTemplate* menu = FindMenuTemplate(IDR_CONTEXTMENU);
    if (!menu || menu->popups.empty())
        return nullptr;

    bool canUndo = CanUndo();
    bool canRedo = CanRedo();
    bool canPaste = CanPaste();
    bool hasText = SelectionHasText();
    if (CMainFrame* frame = AfxGetMainWnd(); frame && frame->IsJobRunning())
        canUndo = canRedo = canPaste = hasText = false;

    // A menu of its own, with no parent: screen readers find it among the
    // application's open windows.
    auto popup = std::make_unique<QMenu>();
    for (const MenuItem& item : menu->popups.front().items) {
        if (item.id == 0) {
            popup->addSeparator();
            continue;
        }
        QAction* action = popup->addAction(QString());
        ApplyMenuItemText(*action, QString::fromUtf16(item.text));
        action->setData(item.id);
        switch (item.id) {
        case ID_EDIT_UNDO:
            action->setEnabled(canUndo);
            break;
        case ID_EDIT_REDO:
            action->setEnabled(canRedo);
            break;
        case ID_EDIT_PASTE:
            action->setEnabled(canPaste);
            break;
        default:
            action->setEnabled(hasText);
            break;
        }
    }
    return popup;
}

void CChildView::ShowContextMenu(const QPoint& clientPoint) {
    std::unique_ptr<QMenu> menu = LoadContextMenu();
    if (!menu)
        return;
    if (QAction* chosen = menu->exec(viewport()->mapToGlobal(clientPoint)))
        OnCmdMsg(chosen->data().toUInt());
}

void CChildView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton)
        ShowContextMenu(event->position().toPoint());
    QTextEdit::mouseReleaseEvent(event);
}

void CChildView::contextMenuEvent(QContextMenuEvent* event) {
    // The mouse's menu comes with the button's release (above).
    if (event->reason() == QContextMenuEvent::Keyboard)
        ShowContextMenu(cursorRect().bottomLeft());
    event->accept();
}

void CChildView::keyPressEvent(QKeyEvent* event) {
    // Tab is text here; Ctrl+Tab and Ctrl+Shift+Tab move on to the control
    // bar, so that the whole window can be worked from the keyboard.
    if ((event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) &&
        (event->modifiers() & Qt::ControlModifier)) {
        const bool back =
            event->key() == Qt::Key_Backtab || (event->modifiers() & Qt::ShiftModifier);
        QWidget::focusNextPrevChild(!back); // QTextEdit keeps Tab for text
        event->accept();
        return;
    }
    if ((event->key() == Qt::Key_Menu && event->modifiers() == Qt::NoModifier) ||
        (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        ShowContextMenu(cursorRect().bottomLeft());
        event->accept();
        return;
    }
    // Undo and redo go through the bounded history, whichever key asks.
    if (event == QKeySequence::Undo || event == QKeySequence::Redo) {
        if (!isReadOnly())
            event == QKeySequence::Undo ? Undo() : Redo();
        event->accept();
        return;
    }
    if (!isReadOnly() && InsertsText(event) && RoomForInsertion() < 1) {
        QApplication::beep();
        event->accept();
        return;
    }
    QTextEdit::keyPressEvent(event);
}

void CChildView::inputMethodEvent(QInputMethodEvent* event) {
    const qsizetype room = RoomForInsertion();
    if (event->commitString().size() > room) {
        QInputMethodEvent trimmed(event->preeditString(), event->attributes());
        trimmed.setCommitString(LeftWhole(event->commitString(), room), event->replacementStart(),
                                event->replacementLength());
        QApplication::beep();
        QTextEdit::inputMethodEvent(&trimmed);
        return;
    }
    QTextEdit::inputMethodEvent(event);
}

void CChildView::insertFromMimeData(const QMimeData* source) {
    if (isReadOnly() || !source || !source->hasText())
        return;
    const QString text = NormalizeLineBreaks(source->text());
    const qsizetype room = RoomForInsertion();
    // What does not fit is left out, as the platform's edit controls do.
    QMimeData plain;
    plain.setText(text.size() > room ? LeftWhole(text, room) : text);
    if (text.size() > room)
        QApplication::beep();
    if (!plain.text().isEmpty())
        QTextEdit::insertFromMimeData(&plain);
}

int CChildView::RoomForInsertion() const {
    const QTextCursor cursor = textCursor();
    const int selected = cursor.selectionEnd() - cursor.selectionStart();
    return std::max(0, m_limitText - (GetTextLength() - selected));
}

void CChildView::OnSelChange() {
    if (CMainFrame* frame = AfxGetMainWnd())
        frame->UpdateLineColumnPane();
}

void CChildView::OnUndoCommandAdded() {
    const int steps = document()->availableUndoSteps();
    m_undoFloor = std::max(m_undoFloor, steps - m_undoLimit);
}
