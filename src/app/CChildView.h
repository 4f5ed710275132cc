#pragma once
// The text editor that fills the main frame: plain text, word-wrapped, with an
// undo history of a bounded number of actions and a bounded length. It adds
// the context menu on the right button's release, the edit commands and the
// two selected-text commands, and reports every selection change to the frame.

#include "platform/com/types.h"

#include <QTextEdit>
#include <memory>
#include <optional>
#include <utility>

class QMenu;

class CChildView : public QTextEdit {
    Q_OBJECT
public:
    explicit CChildView(QWidget* parent = nullptr);
    ~CChildView() override;

    // The rich edit control's operations the frame and the jobs use.
    int GetTextLength() const;
    void SetLimitText(int maxChars);
    int GetLimitText() const { return m_limitText; }
    void SetUndoLimit(int actions);
    bool CanUndo() const;
    bool CanRedo() const;
    bool CanPaste() const;
    // The selection holds at least one character.
    bool SelectionHasText() const;
    QString GetSelText() const;
    void SetReadOnly(bool readOnly) { setReadOnly(readOnly); }
    void Undo();
    void Redo();

    // The 0-based display line of the selection start (a wrapped paragraph
    // counts as several lines) and the selection start's distance from the
    // first character of that line.
    std::pair<int, int> CaretLineAndColumn() const;

    // The editor's share of the command table: true when it handled the command.
    bool OnCmdMsg(UINT id);

    // Menu 130 with its items enabled for the editor's present state; nullptr
    // when the menu cannot be loaded. The items carry their command ids.
    std::unique_ptr<QMenu> LoadContextMenu();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void OnSelChange();
    void OnUndoCommandAdded();
    void ShowContextMenu(const QPoint& clientPoint);
    // How many characters an insertion replacing the selection may add.
    int RoomForInsertion() const;

    int m_limitText = 32767;
    int m_undoLimit = 100;
    // Undo steps of the document that lie beyond the undo limit: Undo never
    // goes back past them.
    int m_undoFloor = 0;
    mutable std::optional<bool> m_canPaste;
};
