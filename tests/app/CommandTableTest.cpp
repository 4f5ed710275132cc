#include "tests/app/AppTestSupport.h"

#include <QFileInfo>
#include <QMenu>
#include <QStatusBar>
#include <QTextCursor>
#include <QToolBar>
#include <QUrl>
#include <vector>

namespace {

const std::vector<UINT> kAlwaysEnabled = {ID_FILE_DOWNLOAD_VOICES, ID_APP_EXIT,     ID_VIEW_TOOLBAR,
                                          ID_VIEW_STATUS_BAR,      ID_HELP_WEBSITE, ID_APP_ABOUT};
const std::vector<UINT> kIdleOnly = {
    ID_FILE_WRITE, ID_FILE_WRITE_SELECTED, ID_FILE_SPEAK, ID_FILE_SPEAK_SELECTED,
    ID_EDIT_UNDO,  ID_EDIT_REDO,           ID_EDIT_CUT,   ID_EDIT_COPY,
    ID_EDIT_PASTE};

void SelectAll(CChildView* view) {
    QTextCursor cursor = view->textCursor();
    cursor.select(QTextCursor::Document);
    view->setTextCursor(cursor);
}

TEST_F(AppTest, IdleRulesFollowTheEditor) {
    ASSERT_TRUE(StartWithSapi5Voices());
    QGuiApplication::clipboard()->clear();

    // Empty editor: nothing to speak, write, copy or undo.
    for (UINT id : kIdleOnly)
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_FALSE(Enabled(ID_FILE_STOP));
    for (UINT id : kAlwaysEnabled)
        EXPECT_TRUE(Enabled(id)) << id;

    Type(QStringLiteral("Hello there"));
    EXPECT_TRUE(Enabled(ID_FILE_WRITE));
    EXPECT_TRUE(Enabled(ID_FILE_SPEAK));
    EXPECT_TRUE(Enabled(ID_EDIT_UNDO));
    // A caret is not a selection.
    EXPECT_FALSE(Enabled(ID_FILE_WRITE_SELECTED));
    EXPECT_FALSE(Enabled(ID_FILE_SPEAK_SELECTED));
    EXPECT_FALSE(Enabled(ID_EDIT_CUT));
    EXPECT_FALSE(Enabled(ID_EDIT_COPY));
    EXPECT_FALSE(Enabled(ID_EDIT_PASTE));

    SelectAll(View());
    for (UINT id : {ID_FILE_WRITE_SELECTED, ID_FILE_SPEAK_SELECTED, ID_EDIT_CUT, ID_EDIT_COPY})
        EXPECT_TRUE(Enabled(id)) << id;

    Frame()->OnCommand(ID_EDIT_COPY);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("Hello there"));
    EXPECT_TRUE(Enabled(ID_EDIT_PASTE));
    Frame()->OnCommand(ID_EDIT_UNDO);
    EXPECT_TRUE(Enabled(ID_EDIT_REDO));

    // The idle refresh carries the rules to the menu and toolbar actions.
    Frame()->UpdateCommandUI();
    EXPECT_TRUE(Frame()->CommandAction(ID_EDIT_REDO)->isEnabled());
    EXPECT_FALSE(Frame()->CommandAction(ID_FILE_STOP)->isEnabled());
}

TEST_F(AppTest, WhileAJobRunsOnlyStopAndTheAlwaysCommandsAreEnabled) {
    ASSERT_TRUE(StartWithSapi5Voices());
    Type(QStringLiteral("Hello there"));
    SelectAll(View());
    Frame()->OnCommand(ID_EDIT_COPY);
    StartEndlessJob();

    for (UINT id : kIdleOnly)
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_TRUE(Enabled(ID_FILE_STOP));
    for (UINT id : kAlwaysEnabled)
        EXPECT_TRUE(Enabled(id)) << id;

    Frame()->UpdateCommandUI();
    EXPECT_FALSE(Frame()->CommandAction(ID_EDIT_COPY)->isEnabled());
    EXPECT_TRUE(Frame()->CommandAction(ID_FILE_STOP)->isEnabled());

    // The editor turns read-only at a tick of the frame's timer.
    EXPECT_TRUE(Eventually([this] { return View()->isReadOnly(); }));

    // Keys of greyed-out commands are swallowed: no copy, no cut, no second job.
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(View(), Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(View(), Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(View(), Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_TRUE(QGuiApplication::clipboard()->text().isEmpty());
    EXPECT_EQ(View()->toPlainText(), QStringLiteral("Hello there"));

    QTest::keyClick(View(), Qt::Key_P, Qt::ControlModifier); // Stop
    ASSERT_TRUE(Eventually([this] { return !Frame()->IsJobRunning(); }));
    EXPECT_EQ(sapi5.Calls().purges.size(), 1u);

    // Everything comes back, and the editor is editable after the next tick.
    EXPECT_TRUE(Enabled(ID_EDIT_COPY));
    EXPECT_TRUE(Enabled(ID_FILE_SPEAK));
    EXPECT_FALSE(Enabled(ID_FILE_STOP));
    EXPECT_TRUE(Eventually([this] { return !View()->isReadOnly(); }));
}

TEST_F(AppTest, AcceleratorsRunTheirCommandsThroughTheEditor) {
    ASSERT_TRUE(StartWithSapi5Voices());
    Type(QStringLiteral("one"));
    QTest::keyClick(View(), Qt::Key_Return);
    Type(QStringLiteral("two"));
    SelectAll(View());

    QTest::keyClick(View(), Qt::Key_Delete, Qt::ShiftModifier); // Cut
    EXPECT_TRUE(View()->toPlainText().isEmpty());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("one\ntwo"));
    QTest::keyClick(View(), Qt::Key_Insert, Qt::ShiftModifier); // Paste
    EXPECT_EQ(View()->toPlainText(), QStringLiteral("one\ntwo"));
    QTest::keyClick(View(), Qt::Key_Backspace, Qt::AltModifier); // Undo the paste
    EXPECT_TRUE(View()->toPlainText().isEmpty());
    QTest::keyClick(View(), Qt::Key_Y, Qt::ControlModifier); // Redo
    EXPECT_EQ(View()->toPlainText(), QStringLiteral("one\ntwo"));

    // F6 and Shift+F6 reach no handler: text, caret and focus stay as they were.
    const int caret = View()->textCursor().position();
    View()->setFocus();
    QTest::keyClick(View(), Qt::Key_F6);
    QTest::keyClick(View(), Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_EQ(View()->toPlainText(), QStringLiteral("one\ntwo"));
    EXPECT_EQ(View()->textCursor().position(), caret);
    EXPECT_FALSE(Enabled(ID_NEXT_PANE));
    EXPECT_FALSE(Enabled(ID_PREV_PANE));

    // Ctrl+S speaks the whole text.
    QTest::keyClick(View(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_TRUE(Frame()->IsJobRunning());
    StopJob();
    EXPECT_NE(sapi5.Calls().spokenText.find(u"one\ntwo"), std::u16string::npos);
}

TEST_F(AppTest, ClosingWhileIdleAsksNothing) {
    ASSERT_TRUE(StartWithSapi5Voices());
    Type(QStringLiteral("unsaved text is never asked about"));
    EXPECT_TRUE(Frame()->close());
    EXPECT_TRUE(messages.Boxes().empty());
    EXPECT_FALSE(Frame()->isVisible());
}

TEST_F(AppTest, ClosingWhileAJobRunsAsksAndNoKeepsWindowAndJob) {
    ASSERT_TRUE(StartWithSapi5Voices());
    Type(QStringLiteral("Hello"));
    StartEndlessJob();

    messages.SetAnswer(IDNO);
    for (UINT how : {0u, ID_APP_EXIT}) {
        if (how)
            Frame()->OnCommand(how);
        else
            Frame()->close();
        EXPECT_TRUE(Frame()->isVisible());
        EXPECT_TRUE(Frame()->IsJobRunning());
    }
    ASSERT_EQ(messages.Ids(), (std::vector<UINT>{IDS_CANCEL_PROCESSING, IDS_CANCEL_PROCESSING}));
    for (const auto& box : messages.Boxes())
        EXPECT_EQ(box.type, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    EXPECT_TRUE(sapi5.Calls().purges.empty());

    messages.SetAnswer(IDYES);
    Frame()->OnCommand(ID_APP_EXIT);
    EXPECT_FALSE(Frame()->isVisible());
    EXPECT_FALSE(Frame()->IsJobRunning());
    EXPECT_EQ(sapi5.Calls().purges.size(), 1u);
}

TEST_F(AppTest, ViewTogglesAndWebPages) {
    ASSERT_TRUE(StartWithSapi5Voices());
    Frame()->UpdateCommandUI();
    EXPECT_TRUE(Frame()->CommandAction(ID_VIEW_TOOLBAR)->isChecked());
    Frame()->OnCommand(ID_VIEW_TOOLBAR);
    Frame()->OnCommand(ID_VIEW_STATUS_BAR);
    Frame()->UpdateCommandUI();
    EXPECT_TRUE(Frame()->ToolBar()->isHidden());
    EXPECT_TRUE(Frame()->statusBar()->isHidden());
    EXPECT_FALSE(Frame()->CommandAction(ID_VIEW_TOOLBAR)->isChecked());
    EXPECT_FALSE(Frame()->CommandAction(ID_VIEW_STATUS_BAR)->isChecked());
    Frame()->OnCommand(ID_VIEW_TOOLBAR);
    Frame()->UpdateCommandUI();
    EXPECT_FALSE(Frame()->ToolBar()->isHidden());
    EXPECT_TRUE(Frame()->CommandAction(ID_VIEW_TOOLBAR)->isChecked());

    Frame()->OnCommand(ID_HELP_WEBSITE);
    Frame()->OnCommand(ID_FILE_DOWNLOAD_VOICES);
    ASSERT_EQ(messages.Urls().size(), 2u);
    const QString home = QString::fromStdU16String(messages.Urls()[0]);
    const QString voices = QString::fromStdU16String(messages.Urls()[1]);
    ASSERT_TRUE(home.endsWith(QStringLiteral("/index.html")));
    ASSERT_TRUE(voices.endsWith(QStringLiteral("/download.html#voices")));
    // Same place: the pages ship together.
    EXPECT_EQ(home.chopped(int(sizeof("/index.html") - 1)),
              voices.chopped(int(sizeof("/download.html#voices") - 1)));
    EXPECT_TRUE(QFileInfo::exists(QUrl(home).toLocalFile())) << home.toStdString();
    EXPECT_TRUE(QFileInfo::exists(QUrl(voices).toLocalFile())) << voices.toStdString();
    EXPECT_TRUE(messages.Boxes().empty());
}

} // namespace
