#include "tests/app/AppTestSupport.h"

#include <QPushButton>

namespace {

struct BarState {
    bool voice, quality, speed, volume, pitch, speak, write;
};

BarState StateOf(const CMyDialogBar* bar) {
    return {bar->m_cbVoice->isEnabled(),     bar->m_cbQuality->isEnabled(),
            bar->m_sliderSpeed->isEnabled(), bar->m_sliderVolume->isEnabled(),
            bar->m_sliderPitch->isEnabled(), bar->m_btnSpeak->isEnabled(),
            bar->m_btnWrite->isEnabled()};
}

void Choose(CMyDialogBar* bar, int position) {
    bar->m_cbVoice->setCurrentIndex(position);
    emit bar->m_cbVoice->activated(position);
}

TEST_F(AppTest, ControlBarFollowsTheChosenVoice) {
    sapi4.AddMode(u"AllTags", kAllTags);
    sapi4.AddMode(u"NoPitch", TTSFEATURE_TAGGED | TTSFEATURE_SPEED | TTSFEATURE_VOLUME);
    // Feature bits without tagged text change nothing.
    sapi4.AddMode(u"Untagged", TTSFEATURE_SPEED | TTSFEATURE_VOLUME | TTSFEATURE_PITCH);
    sapi5.AddToken(u"alpha", {{u"", u"Alpha"}});
    ASSERT_TRUE(Start());
    CMyDialogBar* bar = Bar();

    Choose(bar, 0);
    BarState s = StateOf(bar);
    EXPECT_TRUE(s.voice);
    EXPECT_FALSE(s.quality);
    EXPECT_TRUE(s.speed && s.volume && s.pitch);

    Choose(bar, 1);
    s = StateOf(bar);
    EXPECT_FALSE(s.quality);
    EXPECT_TRUE(s.speed && s.volume);
    EXPECT_FALSE(s.pitch);

    Choose(bar, 2);
    s = StateOf(bar);
    EXPECT_FALSE(s.quality || s.speed || s.volume || s.pitch);
    EXPECT_TRUE(s.voice);

    Choose(bar, 3); // the SAPI 5 voice
    s = StateOf(bar);
    EXPECT_TRUE(s.voice && s.quality && s.speed && s.volume && s.pitch);

    // Losing the focus after a choice made without confirming it also refreshes.
    bar->m_cbVoice->setCurrentIndex(1);
    bar->UpdateBarControls();
    EXPECT_FALSE(StateOf(bar).pitch);
}

TEST_F(AppTest, ButtonsNeedTextAndTheWholeBarRestsWhileAJobRuns) {
    ASSERT_TRUE(StartWithSapi5Voices());
    CMyDialogBar* bar = Bar();
    Frame()->UpdateCommandUI();
    EXPECT_FALSE(StateOf(bar).speak);
    EXPECT_FALSE(StateOf(bar).write);
    // A SAPI 5 voice first: everything else is on.
    EXPECT_TRUE(StateOf(bar).quality && StateOf(bar).pitch);

    Type(QStringLiteral("x"));
    Frame()->UpdateCommandUI();
    EXPECT_TRUE(StateOf(bar).speak);
    EXPECT_TRUE(StateOf(bar).write);

    // Moving a slider while idle starts nothing.
    bar->m_sliderSpeed->setValue(7);
    EXPECT_FALSE(Frame()->IsJobRunning());

    QTest::mouseClick(bar->m_btnSpeak, Qt::LeftButton);
    ASSERT_TRUE(Frame()->IsJobRunning());
    Frame()->UpdateCommandUI();
    const BarState busy = StateOf(bar);
    EXPECT_FALSE(busy.voice || busy.quality || busy.speed || busy.volume || busy.pitch ||
                 busy.speak || busy.write);
    StopJob();
    // The speed chosen before the job went into it.
    EXPECT_NE(sapi5.Calls().spokenText.find(u"<rate absspeed=\"7\"/>"), std::u16string::npos);
    // The timer's refresh brings the bar back without any input.
    EXPECT_TRUE(Eventually([bar] {
        const BarState s = StateOf(bar);
        return s.voice && s.quality && s.speed && s.volume && s.pitch && s.speak && s.write;
    }));
}

} // namespace
