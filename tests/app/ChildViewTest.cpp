#include "src/app/EditorJobText.h"
#include "tests/app/AppTestSupport.h"

#include <QMenu>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <vector>

namespace {

QString LineColumn(CMainFrame* frame) {
    return frame->Pane(1)->text();
}

void MoveCaret(CChildView* view, int position) {
    QTextCursor cursor = view->textCursor();
    cursor.setPosition(position);
    view->setTextCursor(cursor);
}

void Select(CChildView* view, int from, int to) {
    QTextCursor cursor = view->textCursor();
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    view->setTextCursor(cursor);
}

struct MenuEntry {
    UINT id;
    bool enabled;
};

std::vector<MenuEntry> Entries(QMenu& menu) {
    std::vector<MenuEntry> entries;
    for (QAction* action : menu.actions())
        entries.push_back(
            {action->isSeparator() ? 0u : action->data().toUInt(), action->isEnabled()});
    return entries;
}

bool EnabledIn(QMenu& menu, UINT id) {
    for (const MenuEntry& e : Entries(menu))
        if (e.id == id)
            return e.enabled;
    ADD_FAILURE() << "no item " << id;
    return false;
}

TEST_F(AppTest, LineAndColumnPaneFollowsTheCaret) {
    ASSERT_TRUE(StartWithSapi5Voices());
    EXPECT_TRUE(LineColumn(Frame()).isEmpty());

    Type(QStringLiteral("a"));
    EXPECT_EQ(LineColumn(Frame()), QStringLiteral("Line: 1, Col: 2"));
    QTest::keyClick(View(), Qt::Key_Home);
    EXPECT_EQ(LineColumn(Frame()), QStringLiteral("Line: 1, Col: 1"));

    QTest::keyClick(View(), Qt::Key_End);
    QTest::keyClick(View(), Qt::Key_Return);
    Type(QStringLiteral("bcd"));
    EXPECT_EQ(LineColumn(Frame()), QStringLiteral("Line: 2, Col: 4"));

    // A selection reports its start.
    Select(View(), 4, 2);
    EXPECT_EQ(LineColumn(Frame()), QStringLiteral("Line: 2, Col: 1"));
}

TEST_F(AppTest, AWrappedParagraphCountsAsSeveralLines) {
    ASSERT_TRUE(StartWithSapi5Voices());
    View()->setFixedWidth(200);
    QString paragraph;
    for (int i = 0; i < 60; ++i)
        paragraph += QStringLiteral("word ");
    View()->setPlainText(paragraph + QStringLiteral("\nlast"));
    QCoreApplication::processEvents();

    const QTextBlock first = View()->document()->firstBlock();
    const int wrapped = first.layout()->lineCount();
    ASSERT_GT(wrapped, 2);

    // The caret at the start of the second display line of the paragraph.
    const QTextLine second = first.layout()->lineAt(1);
    MoveCaret(View(), second.textStart() + 2);
    EXPECT_EQ(View()->CaretLineAndColumn(), std::make_pair(1, 2));
    EXPECT_EQ(LineColumn(Frame()), QStringLiteral("Line: 2, Col: 3"));

    MoveCaret(View(), first.next().position() + 1);
    EXPECT_EQ(LineColumn(Frame()), QStringLiteral("Line: %1, Col: 2").arg(wrapped + 1));
}

TEST_F(AppTest, ColumnWrapsAt65536AndOnlyAChangedPairIsShown) {
    ASSERT_TRUE(StartWithSapi5Voices());
    View()->setLineWrapMode(QTextEdit::NoWrap);
    View()->setPlainText(QString(70000, u'x'));
    EXPECT_TRUE(LineColumn(Frame()).isEmpty());
    // Column 65536 wraps to 0: the pair the pane started from, so nothing shows.
    MoveCaret(View(), 65536);
    EXPECT_TRUE(LineColumn(Frame()).isEmpty());
    MoveCaret(View(), 65536 + 9);
    EXPECT_EQ(LineColumn(Frame()), QStringLiteral("Line: 1, Col: 10"));
    MoveCaret(View(), 65536);
    EXPECT_EQ(LineColumn(Frame()), QStringLiteral("Line: 1, Col: 1"));
}

TEST_F(AppTest, UndoStepsBackThroughTheLastTenActionsOnly) {
    ASSERT_TRUE(StartWithSapi5Voices());
    // Twelve separate actions: each typed word goes to its own place.
    for (int i = 0; i < 12; ++i) {
        MoveCaret(View(), 0);
        Type(QStringLiteral("w%1 ").arg(i, 2, 10, QChar(u'0')));
    }
    int undone = 0;
    while (Enabled(ID_EDIT_UNDO) && undone < 20) {
        Frame()->OnCommand(ID_EDIT_UNDO);
        ++undone;
    }
    EXPECT_EQ(undone, 10);
    EXPECT_EQ(View()->toPlainText(), QStringLiteral("w01 w00 "));
    // Undo once more changes nothing, by key or by command.
    QTest::keyClick(View(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(View()->toPlainText(), QStringLiteral("w01 w00 "));

    // Redo goes all the way forward again; a new action after undoing is
    // itself undoable.
    while (Enabled(ID_EDIT_REDO))
        Frame()->OnCommand(ID_EDIT_REDO);
    EXPECT_TRUE(View()->toPlainText().startsWith(QStringLiteral("w11 ")));
    Frame()->OnCommand(ID_EDIT_UNDO);
    MoveCaret(View(), 0);
    Type(QStringLiteral("new "));
    EXPECT_TRUE(Enabled(ID_EDIT_UNDO));

    // Replacing the whole text starts a fresh history.
    View()->setPlainText(QStringLiteral("fresh"));
    MoveCaret(View(), 5);
    Type(QStringLiteral("!"));
    EXPECT_TRUE(Enabled(ID_EDIT_UNDO));
}

TEST_F(AppTest, TextBeyondTheLimitIsRefused) {
    ASSERT_TRUE(StartWithSapi5Voices());
    View()->SetLimitText(10);
    Type(QStringLiteral("123456789"));
    Type(QStringLiteral("AB"));
    EXPECT_EQ(View()->toPlainText(), QStringLiteral("123456789A"));
    QTest::keyClick(View(), Qt::Key_Return);
    EXPECT_EQ(View()->GetTextLength(), 10);

    // A paste takes what fits; a selection it replaces makes room.
    QGuiApplication::clipboard()->setText(QStringLiteral("xyz"));
    Select(View(), 0, 2);
    Frame()->OnCommand(ID_EDIT_PASTE);
    EXPECT_EQ(View()->toPlainText(), QStringLiteral("xy3456789A"));

    // Line breaks count once however the clipboard wrote them.
    View()->setPlainText(QString());
    QGuiApplication::clipboard()->setText(QStringLiteral("a\r\nb\rc\nd"));
    Frame()->OnCommand(ID_EDIT_PASTE);
    EXPECT_EQ(View()->toPlainText(), QStringLiteral("a\nb\nc\nd"));
    EXPECT_EQ(View()->GetTextLength(), 7);
}

TEST_F(AppTest, ContextMenuEnablesItsItemsFromTheEditor) {
    ASSERT_TRUE(StartWithSapi5Voices());
    QGuiApplication::clipboard()->clear();
    Type(QStringLiteral("Hello"));

    std::unique_ptr<QMenu> menu = View()->LoadContextMenu();
    ASSERT_NE(menu, nullptr);
    const std::vector<UINT> order = {
        ID_EDIT_UNDO,          ID_EDIT_REDO,  0, ID_EDIT_CUT,
        ID_EDIT_COPY,          ID_EDIT_PASTE, 0, ID_FILE_SPEAK_SELECTED,
        ID_FILE_WRITE_SELECTED};
    std::vector<UINT> ids;
    for (const MenuEntry& e : Entries(*menu))
        ids.push_back(e.id);
    EXPECT_EQ(ids, order);
    EXPECT_TRUE(EnabledIn(*menu, ID_EDIT_UNDO));
    EXPECT_FALSE(EnabledIn(*menu, ID_EDIT_REDO));
    for (UINT id :
         {ID_EDIT_CUT, ID_EDIT_COPY, ID_FILE_SPEAK_SELECTED, ID_FILE_WRITE_SELECTED, ID_EDIT_PASTE})
        EXPECT_FALSE(EnabledIn(*menu, id)) << id;

    Select(View(), 0, 4);
    QGuiApplication::clipboard()->setText(QStringLiteral("clip"));
    menu = View()->LoadContextMenu();
    for (UINT id :
         {ID_EDIT_CUT, ID_EDIT_COPY, ID_FILE_SPEAK_SELECTED, ID_FILE_WRITE_SELECTED, ID_EDIT_PASTE})
        EXPECT_TRUE(EnabledIn(*menu, id)) << id;

    // While a job runs every item is greyed, whatever the editor holds.
    StartEndlessJob();
    menu = View()->LoadContextMenu();
    for (const MenuEntry& e : Entries(*menu))
        EXPECT_TRUE(e.id == 0 || !e.enabled) << e.id;
    StopJob();
}

TEST_F(AppTest, SpeakSelectedTextFromTheContextMenuSpeaksTheSelection) {
    ASSERT_TRUE(StartWithSapi5Voices());
    Type(QStringLiteral("first second third"));
    Select(View(), 6, 12);
    // What the context menu's item runs, and what the File menu's item runs.
    for (bool fromContextMenu : {true, false}) {
        if (fromContextMenu)
            View()->OnCmdMsg(ID_FILE_SPEAK_SELECTED);
        else
            Frame()->OnCommand(ID_FILE_SPEAK_SELECTED);
        ASSERT_TRUE(Frame()->IsJobRunning());
        StopJob();
        const std::u16string spoken = sapi5.Calls().spokenText;
        EXPECT_NE(spoken.find(u"/>second"), std::u16string::npos);
        EXPECT_EQ(spoken.find(u"first"), std::u16string::npos);
        EXPECT_EQ(spoken.find(u"third"), std::u16string::npos);
    }
}

TEST_F(AppTest, EditorWithoutAMainWindowStillOffersItsMenu) {
    CChildView view;
    view.setPlainText(QStringLiteral("text"));
    Select(&view, 0, 2);
    std::unique_ptr<QMenu> menu = view.LoadContextMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(EnabledIn(*menu, ID_EDIT_COPY));
    // The commands need the main window; without one they do nothing.
    QGuiApplication::clipboard()->clear();
    EXPECT_TRUE(view.OnCmdMsg(ID_EDIT_CUT));
    EXPECT_EQ(view.toPlainText(), QStringLiteral("text"));
    EXPECT_FALSE(view.OnCmdMsg(ID_FILE_SPEAK));
}

// A job takes the document's own characters and maps them on the worker: the
// engine must get what the editor's plain text is.
TEST_F(AppTest, JobTextIsTheEditorsPlainText) {
    CChildView view;
    view.setPlainText(QStringLiteral("one\u00a0two\nthree\u2028four\n\nfive"));
    const auto plainOf = [](const QString& raw) {
        std::u16string text = u"<";
        EditorJobText(raw).AppendTo(text);
        return text;
    };
    EXPECT_EQ(plainOf(view.document()->toRawText()), u"<" + view.toPlainText().toStdU16String());
    Select(&view, 2, 20);
    EXPECT_EQ(plainOf(view.textCursor().selectedText()), u"<" + view.GetSelText().toStdU16String());
    EXPECT_TRUE(EditorJobText(QString()).IsEmpty());
}

} // namespace
