#include "src/dialogs/SaveAsChooser.h"

#include "tests/dialogs/TestApplication.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
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
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const SaveAsRequest request{"Save as", {"MP3 files (*.mp3)"}, "mp3"};

    QString title;
    QStringList filters;
    QTimer::singleShot(0, [&] {
        auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(chooser, nullptr);
        title = chooser->windowTitle();
        filters = chooser->nameFilters();
        EXPECT_TRUE(chooser->findChild<QLineEdit*>()->text().isEmpty());
        chooser->setDirectory(dir.path());
        chooser->selectFile("speech");
        QMetaObject::invokeMethod(chooser, "accept");
    });
    const std::optional<QString> chosen = RunSaveAsChooser(nullptr, request);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, QDir(dir.path()).absoluteFilePath("speech.mp3"));
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
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile existing(QDir(dir.path()).absoluteFilePath("speech.wav"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();

    bool asked = false, stayedOpen = false;
    QTimer::singleShot(0, [&] {
        auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(chooser, nullptr);
        chooser->setDirectory(dir.path());
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

} // namespace
