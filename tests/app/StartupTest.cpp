#include "platform/sapi5/sapi5.h"
#include "src/audio/Mp3Encoder.h"
#include "src/resources/ToolbarArt.h"
#include "tests/app/AppTestSupport.h"

#include <QStatusBar>
#include <QToolBar>
#include <vector>

namespace {

std::vector<QString> Items(const QComboBox* combo) {
    std::vector<QString> items;
    for (int i = 0; i < combo->count(); ++i)
        items.push_back(combo->itemText(i));
    return items;
}

bool AnyVisibleWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            return true;
    return false;
}

TEST_F(AppTest, WithoutAnyVoiceShowsIdsNoVoicesOpensTheHomePageAndEndsWithoutAWindow) {
    // No SAPI 4 runtime at all (130 says so), and a SAPI 5 category without tokens.
    ScopedClassOverride noSapi4(CLSID_TTSEnumerator, ClassFactory());

    EXPECT_FALSE(Start());
    EXPECT_EQ(messages.Ids(), (std::vector<UINT>{IDS_TTS_ENUMERATOR, IDS_NO_VOICES}));
    EXPECT_EQ(messages.Boxes().back().type & (MB_TYPEMASK | MB_ICONMASK), MB_OK | MB_ICONWARNING);
    EXPECT_EQ(messages.Boxes().back().caption, u"Vocalith");
    ASSERT_EQ(messages.Urls().size(), 1u);
    const QString url = QString::fromStdU16String(messages.Urls()[0]);
    EXPECT_TRUE(url.startsWith(QStringLiteral("file://"))) << url.toStdString();
    EXPECT_TRUE(url.endsWith(QStringLiteral("/index.html"))) << url.toStdString();
    EXPECT_EQ(AfxGetMainWnd(), nullptr);
    EXPECT_FALSE(AnyVisibleWindow());
}

TEST_F(AppTest, OnlySapi5VoicesAreListedWithTheFirstSelected) {
    ScopedClassOverride noSapi4(CLSID_TTSEnumerator, ClassFactory());
    ASSERT_TRUE(StartWithSapi5Voices());
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_TTS_ENUMERATOR});
    EXPECT_EQ(Items(Bar()->m_cbVoice), (std::vector<QString>{QStringLiteral("Alpha, SAPI5"),
                                                             QStringLiteral("Beta, SAPI5")}));
    EXPECT_EQ(Bar()->m_cbVoice->currentIndex(), 0);
    EXPECT_TRUE(Frame()->isVisible());
}

TEST_F(AppTest, Sapi4VoicesComeBeforeSapi5Voices) {
    sapi4.AddMode(u"Kal", kAllTags);
    sapi4.AddMode(u"Slt", 0);
    sapi5.AddToken(u"gamma", {{u"", u"Gamma"}});
    ASSERT_TRUE(Start());
    EXPECT_TRUE(messages.Boxes().empty());
    EXPECT_EQ(Items(Bar()->m_cbVoice),
              (std::vector<QString>{QStringLiteral("Kal, SAPI4"), QStringLiteral("Slt, SAPI4"),
                                    QStringLiteral("Gamma, SAPI5")}));
    EXPECT_EQ(Bar()->m_cbVoice->currentIndex(), 0);
}

TEST_F(AppTest, EveryStartBeginsWithTheSameDefaults) {
    for (int run = 0; run < 2; ++run) {
        ASSERT_TRUE(run == 0 ? StartWithSapi5Voices() : Start());
        CMyDialogBar* bar = Bar();
        EXPECT_EQ(bar->m_cbVoice->currentIndex(), 0);
        ASSERT_EQ(bar->m_cbQuality->count(), 36);
        EXPECT_EQ(bar->m_cbQuality->itemText(0), QStringLiteral("8kHz 8 Bit Mono"));
        EXPECT_EQ(bar->m_cbQuality->itemText(35), QStringLiteral("48kHz 16 Bit Stereo"));
        EXPECT_EQ(bar->m_cbQuality->currentText(), QStringLiteral("22kHz 16 Bit Mono"));
        EXPECT_EQ(bar->m_sliderVolume->minimum(), 0);
        EXPECT_EQ(bar->m_sliderVolume->maximum(), 100);
        EXPECT_EQ(bar->m_sliderVolume->value(), 100);
        EXPECT_EQ(bar->m_sliderSpeed->minimum(), -10);
        EXPECT_EQ(bar->m_sliderSpeed->maximum(), 10);
        EXPECT_EQ(bar->m_sliderSpeed->value(), 0);
        EXPECT_EQ(bar->m_sliderPitch->minimum(), -10);
        EXPECT_EQ(bar->m_sliderPitch->maximum(), 10);
        EXPECT_EQ(bar->m_sliderPitch->value(), 0);
        EXPECT_EQ(Frame()->windowTitle(), QStringLiteral("Vocalith"));
        EXPECT_FALSE(Frame()->windowIcon().isNull());
        EXPECT_EQ(View()->GetLimitText(), 16777216);
        EXPECT_TRUE(View()->toPlainText().isEmpty());

        // Whatever this run changes, the next one starts afresh.
        bar->m_cbVoice->setCurrentIndex(1);
        bar->m_cbQuality->setCurrentIndex(3);
        bar->m_sliderVolume->setValue(20);
        bar->m_sliderSpeed->setValue(5);
        bar->m_sliderPitch->setValue(-5);
        Type(QStringLiteral("text"));
        Stop();
    }
}

TEST_F(AppTest, AMissingMp3LibraryIsNotMentioned) {
    Mp3Encoder::SetLibraryPath("/nonexistent/liblame_enc.so");
    const bool started = StartWithSapi5Voices();
    Mp3Encoder::SetLibraryPath("");
    ASSERT_TRUE(started);
    EXPECT_TRUE(messages.Boxes().empty());
    EXPECT_FALSE(Frame()->Encoders().mp3);
}

TEST_F(AppTest, WindowHasItsPartsAndTheEditorHasTheFocus) {
    ASSERT_TRUE(StartWithSapi5Voices());
    QToolBar* toolbar = Frame()->ToolBar();
    ASSERT_NE(toolbar, nullptr);
    std::vector<UINT> buttons;
    for (QAction* action : toolbar->actions()) {
        UINT id = 0;
        for (UINT candidate : ToolbarButtons())
            if (candidate && Frame()->CommandAction(candidate) == action)
                id = candidate;
        buttons.push_back(id);
        EXPECT_TRUE(action->isSeparator() == (id == 0));
    }
    const auto expected = ToolbarButtons();
    EXPECT_EQ(buttons, std::vector<UINT>(expected.begin(), expected.end()));

    QAction* write = Frame()->CommandAction(ID_FILE_WRITE);
    ASSERT_NE(write, nullptr);
    EXPECT_EQ(write->toolTip(), QStringLiteral("Write to audio file"));
    EXPECT_EQ(write->statusTip(), QStringLiteral("Write to audio file"));
    EXPECT_EQ(Frame()->CommandAction(ID_EDIT_COPY)->statusTip(),
              QStringLiteral("Copy the selection and put it on the Clipboard"));
    EXPECT_EQ(Frame()->CommandAction(ID_EDIT_COPY)->toolTip(), QStringLiteral("Copy"));

    EXPECT_EQ(Frame()->Pane(0)->text(), QStringLiteral("Ready"));
    EXPECT_TRUE(Frame()->Pane(1)->text().isEmpty());
    // Offscreen there is no display server to ask about the lock keys.
    for (int pane = 2; pane <= 4; ++pane)
        EXPECT_FALSE(Frame()->Pane(pane)->isEnabled());
    EXPECT_EQ(Frame()->Pane(2)->text(), QStringLiteral("CAP"));
    EXPECT_EQ(Frame()->Pane(3)->text(), QStringLiteral("NUM"));
    EXPECT_EQ(Frame()->Pane(4)->text(), QStringLiteral("SCRL"));

    Frame()->activateWindow();
    Frame()->setFocus();
    EXPECT_TRUE(Eventually([this] { return View()->hasFocus(); }));
}

} // namespace

namespace {

TEST_F(AppTest, KeyboardReachesTheControlBarFromTheEditor) {
    ASSERT_TRUE(StartWithSapi5Voices());
    QApplication::setActiveWindow(Frame());
    View()->setFocus();
    ASSERT_TRUE(Eventually([this] { return View()->hasFocus(); }));
    // Tab is text in the editor; Ctrl+Tab leaves it for the control bar.
    QTest::keyClick(View(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_TRUE(Bar()->m_cbVoice->hasFocus());
    EXPECT_TRUE(View()->toPlainText().isEmpty());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_TRUE(Bar()->m_cbQuality->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(View()->hasFocus());
    EXPECT_FALSE(Bar()->m_cbVoice->accessibleName().isEmpty());
    EXPECT_FALSE(Bar()->m_sliderPitch->accessibleName().isEmpty());
}

} // namespace

namespace {

TEST_F(AppTest, AltLetterOpensItsMenu) {
    ASSERT_TRUE(StartWithSapi5Voices());
    QApplication::setActiveWindow(Frame());
    View()->setFocus();
    ASSERT_TRUE(Eventually([this] { return View()->hasFocus(); }));
    QTest::keyClick(Frame()->windowHandle(), Qt::Key_F, Qt::AltModifier);
    EXPECT_TRUE(Eventually([] { return QApplication::activePopupWidget() != nullptr; }, 2000));
    EXPECT_TRUE(View()->toPlainText().isEmpty()) << View()->toPlainText().toStdString();
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
}

} // namespace
