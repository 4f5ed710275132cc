#include "src/app/QtMessageService.h"

#include "tests/app/AppTestSupport.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <thread>

namespace {

// Answers the next box that comes up on this (the UI) thread with `button`,
// after noting what it looked like.
struct BoxAnswerer {
    QMessageBox::StandardButton button;
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    bool shownOnUiThread = false;

    void Arm() {
        QTimer::singleShot(0, [this] { Poll(); });
    }
    void Poll() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            QTimer::singleShot(5, [this] { Poll(); });
            return;
        }
        caption = box->windowTitle();
        text = box->text();
        icon = box->icon();
        defaultButton = box->defaultButton() ? box->standardButton(box->defaultButton())
                                             : QMessageBox::NoButton;
        shownOnUiThread = QThread::currentThread() == qApp->thread();
        box->button(button)->click();
    }
};

TEST(QtMessageServiceTest, AWorkerWaitsForTheBoxOnTheUiThreadAndGetsTheAnswer) {
    QtMessageService service;
    BoxAnswerer answerer{QMessageBox::Yes};
    answerer.Arm();

    std::atomic<int> result{0};
    std::thread worker([&] {
        result = service.ShowMessageBox(0, u"Do you want to cancel processing? ", u"Vocalith",
                                        MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    });
    ASSERT_TRUE(Eventually([&] { return result != 0; }));
    worker.join();

    EXPECT_EQ(result, IDYES);
    EXPECT_TRUE(answerer.shownOnUiThread);
    EXPECT_EQ(answerer.caption, QStringLiteral("Vocalith"));
    EXPECT_EQ(answerer.text, QStringLiteral("Do you want to cancel processing? "));
    EXPECT_EQ(answerer.icon, QMessageBox::Question);
    EXPECT_EQ(answerer.defaultButton, QMessageBox::No);
}

TEST(QtMessageServiceTest, BoxesOnTheUiThreadTakeIconAndButtonsFromTheType) {
    QtMessageService service;
    const struct {
        UINT type;
        QMessageBox::StandardButton press;
        QMessageBox::Icon icon;
        int result;
    } cases[] = {
        {MB_OK | MB_ICONWARNING, QMessageBox::Ok, QMessageBox::Warning, IDOK},
        {MB_OK | MB_ICONERROR, QMessageBox::Ok, QMessageBox::Critical, IDOK},
        {MB_OK | MB_ICONINFORMATION, QMessageBox::Ok, QMessageBox::Information, IDOK},
        {MB_YESNO | MB_ICONQUESTION, QMessageBox::No, QMessageBox::Question, IDNO},
    };
    for (const auto& c : cases) {
        BoxAnswerer answerer{c.press};
        answerer.Arm();
        EXPECT_EQ(service.ShowMessageBox(0, u"text", u"Vocalith", c.type), c.result) << c.type;
        EXPECT_EQ(answerer.icon, c.icon) << c.type;
        if ((c.type & MB_TYPEMASK) == MB_YESNO) {
            EXPECT_EQ(answerer.defaultButton, QMessageBox::Yes);
        }
    }
}

TEST(QtMessageServiceTest, AfterShutdownNobodyWaitsForABox) {
    auto service = std::make_unique<QtMessageService>();

    // A worker whose box the UI thread never gets to (it is busy elsewhere,
    // as in EndJob) is released by the shutdown with the unanswered result.
    std::atomic<int> waiting{0};
    std::thread worker(
        [&] { waiting = service->ShowMessageBox(0, u"late", u"Vocalith", MB_YESNO); });
    service->Shutdown();
    worker.join();
    EXPECT_EQ(waiting, IDNO);

    std::thread later([&] { waiting = service->ShowMessageBox(0, u"later", u"Vocalith", MB_OK); });
    later.join();
    EXPECT_EQ(waiting, static_cast<int>(IDOK));

    // The box the worker had asked for never appears.
    service.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// A page that nothing on the desktop opens gets a box saying where it is.
TEST(QtMessageServiceTest, APageNoProgramOpensIsShownWhereItIs) {
    const QByteArray path = qgetenv("PATH"), browser = qgetenv("BROWSER");
    qputenv("PATH", "/nonexistent");
    qunsetenv("BROWSER");
    QtMessageService service;
    BoxAnswerer answerer{QMessageBox::Ok};
    answerer.Arm();
    service.OpenUrl(u"file:///usr/share/vocalith/download.html#voices");
    EXPECT_FALSE(QtMessageService::DesktopHasHandlerFor(QUrl(QStringLiteral("https://a.b/"))));
    qputenv("PATH", path);
    if (!browser.isEmpty())
        qputenv("BROWSER", browser);

    EXPECT_EQ(answerer.caption, QStringLiteral("Vocalith"));
    EXPECT_TRUE(answerer.text.endsWith(QStringLiteral("\n/usr/share/vocalith/download.html")))
        << answerer.text.toStdString();
}

} // namespace
