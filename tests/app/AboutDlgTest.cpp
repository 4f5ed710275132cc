#include "src/app/CAboutDlg.h"
#include "tests/app/AppTestSupport.h"

#include <QDialog>
#include <QTimer>

namespace {

TEST_F(AppTest, AboutBoxShowsTheVersionLineOnceEveryTimeItOpens) {
    ASSERT_TRUE(StartWithSapi5Voices());
    for (int opening = 0; opening < 3; ++opening) {
        QString seen;
        QString title;
        // The command runs the box modally; look at it once it is up, then close it.
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
            if (!box)
                return;
            seen = box->VersionText();
            title = box->windowTitle();
            box->reject();
        });
        Frame()->OnCommand(ID_APP_ABOUT);
        EXPECT_EQ(seen, QStringLiteral("Vocalith Version 1.4 (Unicode)")) << opening;
        EXPECT_EQ(title, QStringLiteral("About Vocalith"));
    }
    EXPECT_TRUE(messages.Boxes().empty());
}

} // namespace
