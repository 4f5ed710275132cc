#include "src/dialogs/SaveAsChooser.h"

#include "tests/support/FileBytes.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/TestApplication.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

TEST(SaveAsChooserTest, ResourceFiltersBecomeQtFilters) {
    EXPECT_EQ(NameFiltersFromResource(u"MP3 files (*.mp3)|*.mp3||"),
              QStringList{"MP3 files (*.mp3)"});
    EXPECT_EQ(NameFiltersFromResource(u"Sound|*.wav;*.wave|All files (*.*)|*.*||"),
              (QStringList{"Sound (*.wav *.wave)", "All files (*.*)"}));
    // A description naming other patterns than it filters by is not trusted.
    EXPECT_EQ(NameFiltersFromResource(u"Audio (*.mp3)|*.wma||"),
              QStringList{"Audio (*.mp3) (*.wma)"});
    EXPECT_TRUE(NameFiltersFromResource(u"").isEmpty());
    EXPECT_TRUE(NameFiltersFromResource(u"||").isEmpty());
    EXPECT_TRUE(NameFiltersFromResource(u"dangling").isEmpty());
}

// The real chooser: a name typed without extension gets the default suffix,
// the result is a full path, and cancelling gives nothing.
TEST(SaveAsChooserTest, RealChooserAppendsTheDefaultSuffix) {
    TestApplication();
    ScratchFolder scratch;
    const QString dir = QString::fromStdString(scratch.Path().string());
    const SaveAsRequest request{"Save as", {"MP3 files (*.mp3)"}, "mp3"};

    QString title;
    QStringList filters;
    QTimer::singleShot(0, [&] {
        auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(chooser, nullptr);
        title = chooser->windowTitle();
        filters = chooser->nameFilters();
        EXPECT_TRUE(chooser->findChild<QLineEdit*>()->text().isEmpty());
        chooser->setDirectory(dir);
        chooser->selectFile("speech");
        QMetaObject::invokeMethod(chooser, "accept");
    });
    const std::optional<QString> chosen = RunSaveAsChooser(nullptr, request);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, QDir(dir).absoluteFilePath("speech.mp3"));
    EXPECT_EQ(title, "Save as");
    EXPECT_EQ(filters, QStringList{"MP3 files (*.mp3)"});

    QTimer::singleShot(0, [] {
        auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(chooser, nullptr);
        chooser->reject();
    });
    EXPECT_FALSE(RunSaveAsChooser(nullptr, request).has_value());
}

// Choosing a file that exists asks first; answering No keeps the chooser open.
TEST(SaveAsChooserTest, RealChooserAsksBeforeOverwriting) {
    TestApplication();
    ScratchFolder scratch;
    const QString dir = QString::fromStdString(scratch.Path().string());
    WriteAll(scratch / "speech.wav", "");

    bool asked = false, stayedOpen = false;
    QTimer::singleShot(0, [&] {
        auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(chooser, nullptr);
        chooser->setDirectory(dir);
        chooser->selectFile("speech.wav");
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            asked = box != nullptr;
            if (box)
                box->button(QMessageBox::No)->click();
        });
        QMetaObject::invokeMethod(chooser, "accept");
        stayedOpen = chooser->isVisible();
        chooser->reject();
    });
    EXPECT_FALSE(RunSaveAsChooser(nullptr, {"Save as", {"Wave files (*.wav)"}, "wav"}));
    EXPECT_TRUE(asked);
    EXPECT_TRUE(stayedOpen);
}

// A name typed into the real chooser, as a user would, over files that exist:
// replacing one is asked about first, also when it is the default suffix
// that makes the typed name an existing file's. No keeps the chooser open,
// Yes chooses the file.
TEST(SaveAsChooserTest, RealChooserAsksBeforeReplacingWhatTheTypedNameBecomes) {
    TestApplication();
    const struct {
        const char* existing;
        const char* typed;
        const char* chosen;
        bool asks;
    } cases[] = {
        {"talk.mp3", "talk", "talk.mp3", true},
        {"talk.mp3", "talk.mp3", "talk.mp3", true},
        {"talk", "talk", "talk.mp3", false},
        {"talk.mp3", "other", "other.mp3", false},
    };
    for (const auto& c : cases) {
        ScratchFolder scratch;
        const QString dir = QString::fromStdString(scratch.Path().string());
        WriteAll(scratch / c.existing, "");

        int questions = 0;
        bool stayedOpenOnNo = false;
        // Answers every question about replacing: No the first time, then Yes.
        std::function<void()> answer = [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            ++questions;
            box->button(questions == 1 ? QMessageBox::No : QMessageBox::Yes)->click();
        };
        QTimer::singleShot(0, [&] {
            auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(chooser, nullptr);
            // A desktop's chooser would ask about the typed name only; this
            // platform has none, so only the option shows which one users get.
            EXPECT_TRUE(chooser->testOption(QFileDialog::DontUseNativeDialog));
            chooser->setDirectory(dir);
            chooser->findChild<QLineEdit*>("fileNameEdit")->setText(c.typed);
            for (int attempt = 0; attempt < 2 && chooser->isVisible(); ++attempt) {
                QTimer::singleShot(0, answer);
                QMetaObject::invokeMethod(chooser, "accept");
                if (attempt == 0)
                    stayedOpenOnNo = chooser->isVisible();
            }
        });
        const std::optional<QString> chosen =
            RunSaveAsChooser(nullptr, {"Save as", {"MP3 files (*.mp3)"}, "mp3"});
        ASSERT_TRUE(chosen.has_value()) << c.typed;
        EXPECT_EQ(*chosen, QDir(dir).absoluteFilePath(c.chosen)) << c.typed;
        EXPECT_EQ(questions, c.asks ? 2 : 0) << c.typed;
        EXPECT_EQ(stayedOpenOnNo, c.asks) << c.typed;
    }
}

} // namespace
