#include "src/app/CAboutDlg.h"
#include "tests/app/AppTestSupport.h"

#include <QAccessible>
#include <QDialog>
#include <QLabel>
#include <QTimer>

namespace {

TEST_F(AppTest, AboutBoxShowsTheVersionLineOnceEveryTimeItOpens) {
    ASSERT_TRUE(StartWithSapi5Voices());
    for (int opening = 0; opening < 3; ++opening) {
        QString seen;
        QString title;
        QString announced;
        // The command runs the box modally; look at it once it is up, then close it.
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
            if (!box)
                return;
            seen = box->VersionText();
            // A screen reader hears the line as it is shown.
            for (QLabel* label : box->findChildren<QLabel*>())
                if (label->text() == seen)
                    announced =
                        QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name);
            title = box->windowTitle();
            box->reject();
        });
        Frame()->OnCommand(ID_APP_ABOUT);
        EXPECT_EQ(seen, QStringLiteral("Vocalith Version 1.4 (Unicode)")) << opening;
        EXPECT_EQ(announced, seen);
        EXPECT_EQ(title, QStringLiteral("About Vocalith"));
    }
    EXPECT_TRUE(messages.Boxes().empty());
}

} // namespace
