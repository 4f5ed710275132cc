#pragma once
// What the window tests share: one QApplication on the offscreen platform,
// the recording message service, fake voice runtimes, and a started CApp.

#include "src/app/CApp.h"
#include "src/app/CChildView.h"
#include "src/app/CMainFrame.h"
#include "src/app/CMyDialogBar.h"
#include "src/resources/resource.h"
#include "tests/fakes/FakeSapi4Runtime.h"
#include "tests/fakes/FakeSapi5Runtime.h"
#include "tests/fakes/RecordingMessageService.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QSlider>
#include <QThread>
#include <QtTest/QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>

// Processes events until `done` holds; the bound only keeps a broken build
// from hanging.
inline bool Eventually(const std::function<bool()>& done, int boundMs = 30000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > boundMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

// Every prosody tag works.
inline constexpr DWORD kAllTags =
    TTSFEATURE_TAGGED | TTSFEATURE_SPEED | TTSFEATURE_VOLUME | TTSFEATURE_PITCH;

// A window over fake voices. The voices are added by each test before Start().
// The SAPI 4 modes are only listed: their engines cannot be created, so
// probing keeps the default ranges, and no multimedia device is offered.
class AppTest : public ::testing::Test {
protected:
    AppTest() {
        sapi4.Results().select = E_NOTIMPL;
        sapi4.Results().deviceMissing = true;
    }
    ~AppTest() override { Stop(); }

    bool Start() {
        app = std::make_unique<CApp>();
        return app->InitInstance();
    }
    void Stop() {
        if (app)
            app->ExitInstance();
        app.reset();
    }
    // Two SAPI 5 voices and no SAPI 4 voice.
    bool StartWithSapi5Voices() {
        sapi5.AddToken(u"alpha", {{u"", u"Alpha"}});
        sapi5.AddToken(u"beta", {{u"", u"Beta"}});
        return Start();
    }

    CMainFrame* Frame() const { return AfxGetMainWnd(); }
    CChildView* View() const { return Frame()->View(); }
    CMyDialogBar* Bar() const { return Frame()->DialogBar(); }
    bool Enabled(UINT id) const { return Frame()->IsCommandEnabled(id); }
    void Type(const QString& text) { QTest::keyClicks(View(), text); }

    // Starts a job that goes on until it is stopped: the fake voice never
    // finishes speaking.
    void StartEndlessJob() {
        ASSERT_TRUE(Frame()->CanSpeakOrWrite());
        Frame()->OnCommand(ID_FILE_SPEAK);
        ASSERT_TRUE(Frame()->IsJobRunning());
    }
    // Stops the job and waits for its worker (the bound only keeps a broken
    // build from hanging).
    void StopJob() {
        Frame()->OnCommand(ID_FILE_STOP);
        ASSERT_TRUE(Eventually([this] { return !Frame()->IsJobRunning(); }));
    }

    RecordingMessageService messages;
    FakeSapi5Runtime sapi5;
    FakeSapi4Runtime sapi4;
    std::unique_ptr<CApp> app;
};
