#include "src/dialogs/CSelectOutputFileDlg.h"

#include "src/resources/MessageService.h"
#include "src/resources/resource.h"
#include "tests/fakes/RecordingMessageService.h"
#include "tests/support/TestApplication.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <vector>

namespace {

class CSelectOutputFileDlgTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { TestApplication(); }

    void SetUp() override {
        available.mp3 = true;
        available.wma = true;
        available.wmaCodecs = {
            {{{u"128 kbps, 44 kHz, stereo CBR"}, {u"64 kbps, 44 kHz, stereo CBR"}},
             u"Windows Media Audio V2"},
            {{{u"48 kbps, 32 kHz, stereo CBR"},
              {u"32 kbps, 22 kHz, mono CBR"},
              {u"20 kbps, 22 kHz, mono CBR"}},
             u"Windows Media Audio V1"},
        };
    }

    template <class W> static W* Item(const CSelectOutputFileDlg& dlg, int id) {
        auto* w = qobject_cast<W*>(dlg.GetDlgItem(id));
        EXPECT_NE(w, nullptr) << id;
        return w;
    }
    static QComboBox* Combo(const CSelectOutputFileDlg& dlg, int id) {
        return Item<QComboBox>(dlg, id);
    }
    static void Check(const CSelectOutputFileDlg& dlg, int radioId) {
        Item<QRadioButton>(dlg, radioId)->click();
    }
    static void SetPath(const CSelectOutputFileDlg& dlg, const QString& path) {
        Item<QLineEdit>(dlg, IDC_OUTPUT_FILE)->setText(path);
    }
    static void PressOk(const CSelectOutputFileDlg& dlg) { Item<QPushButton>(dlg, IDOK)->click(); }
    static std::vector<bool> CompressionEnabled(const CSelectOutputFileDlg& dlg) {
        std::vector<bool> enabled;
        for (int id : {IDC_BITRATE, IDC_VBR, IDC_MP3_QUALITY, IDC_CODEC, IDC_FORMAT})
            enabled.push_back(dlg.GetDlgItem(id)->isEnabled());
        return enabled;
    }
    static QStringList Items(const QComboBox* combo) {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        return items;
    }

    AvailableEncoders available;
    RecordingMessageService messages;
};

TEST_F(CSelectOutputFileDlgTest, FirstShowingHasTheDefaults) {
    CSelectOutputFileDlg dlg(nullptr, available);
    EXPECT_EQ(dlg.windowTitle(), "Select output audio file");
    EXPECT_TRUE(Item<QRadioButton>(dlg, IDC_RADIO_WAV)->isChecked());
    EXPECT_FALSE(Item<QRadioButton>(dlg, IDC_RADIO_MP3)->isChecked());
    EXPECT_FALSE(Item<QRadioButton>(dlg, IDC_RADIO_WMA)->isChecked());

    EXPECT_EQ(Items(Combo(dlg, IDC_BITRATE)),
              (QStringList{"32 kbps", "40 kbps", "48 kbps", "56 kbps", "64 kbps", "80 kbps",
                           "96 kbps", "112 kbps", "128 kbps", "160 kbps"}));
    EXPECT_EQ(Combo(dlg, IDC_BITRATE)->currentText(), "64 kbps");
    EXPECT_EQ(Items(Combo(dlg, IDC_MP3_QUALITY)),
              (QStringList{"0  (Highest)", "1", "2", "3", "4", "5", "6", "7", "8", "9 (Lowest)"}));
    EXPECT_EQ(Combo(dlg, IDC_MP3_QUALITY)->currentText(), "5");
    EXPECT_FALSE(Item<QCheckBox>(dlg, IDC_VBR)->isChecked());
    EXPECT_TRUE(Item<QLineEdit>(dlg, IDC_OUTPUT_FILE)->text().isEmpty());

    EXPECT_EQ(Items(Combo(dlg, IDC_CODEC)),
              (QStringList{"Windows Media Audio V2", "Windows Media Audio V1"}));
    EXPECT_EQ(Combo(dlg, IDC_CODEC)->currentIndex(), 0);
    EXPECT_EQ(Items(Combo(dlg, IDC_FORMAT)),
              (QStringList{"128 kbps, 44 kHz, stereo CBR", "64 kbps, 44 kHz, stereo CBR"}));
    EXPECT_EQ(Combo(dlg, IDC_FORMAT)->currentIndex(), 0);

    EXPECT_EQ(CompressionEnabled(dlg), (std::vector<bool>{false, false, false, false, false}));
    for (int id :
         {IDC_RADIO_WAV, IDC_RADIO_MP3, IDC_RADIO_WMA, IDC_OUTPUT_FILE, IDC_BROWSE, IDOK, IDCANCEL})
        EXPECT_TRUE(dlg.GetDlgItem(id)->isEnabled()) << id;
}

TEST_F(CSelectOutputFileDlgTest, RadioButtonsAreExclusiveAndDriveTheEnableRules) {
    CSelectOutputFileDlg dlg(nullptr, available);
    auto* wav = Item<QRadioButton>(dlg, IDC_RADIO_WAV);
    auto* mp3Radio = Item<QRadioButton>(dlg, IDC_RADIO_MP3);
    auto* wmaRadio = Item<QRadioButton>(dlg, IDC_RADIO_WMA);

    Check(dlg, IDC_RADIO_MP3);
    EXPECT_FALSE(wav->isChecked());
    EXPECT_EQ(CompressionEnabled(dlg), (std::vector<bool>{true, true, true, false, false}));

    Combo(dlg, IDC_BITRATE)->setCurrentIndex(8);
    Check(dlg, IDC_RADIO_WMA);
    EXPECT_FALSE(mp3Radio->isChecked());
    EXPECT_EQ(CompressionEnabled(dlg), (std::vector<bool>{false, false, false, true, true}));
    // Disabled lists keep what they hold and what is selected.
    EXPECT_EQ(Combo(dlg, IDC_BITRATE)->count(), 10);
    EXPECT_EQ(Combo(dlg, IDC_BITRATE)->currentText(), "128 kbps");

    Check(dlg, IDC_RADIO_WAV);
    EXPECT_FALSE(wmaRadio->isChecked());
    EXPECT_EQ(CompressionEnabled(dlg), (std::vector<bool>{false, false, false, false, false}));
    EXPECT_EQ(Combo(dlg, IDC_CODEC)->count(), 2);

    // The kind can be chosen from the keyboard alone.
    for (auto* radio : {wav, mp3Radio, wmaRadio})
        EXPECT_TRUE(radio->focusPolicy() & Qt::TabFocus);
}

// A screen reader checks a radio through its accessible toggle action, which
// emits `toggled` alone: the lists must follow all the same.
TEST_F(CSelectOutputFileDlgTest, AccessibleToggleOfAKindDrivesTheEnableRules) {
    CSelectOutputFileDlg dlg(nullptr, available);
    const struct {
        int radio;
        std::vector<bool> enabled;
    } cases[] = {
        {IDC_RADIO_MP3, {true, true, true, false, false}},
        {IDC_RADIO_WMA, {false, false, false, true, true}},
        {IDC_RADIO_WMA, {false, false, false, true, true}}, // toggling the checked one
        {IDC_RADIO_WAV, {false, false, false, false, false}},
    };
    for (const auto& c : cases) {
        QAccessibleInterface* radio =
            QAccessible::queryAccessibleInterface(Item<QRadioButton>(dlg, c.radio));
        ASSERT_TRUE(radio && radio->actionInterface());
        radio->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        EXPECT_TRUE(Item<QRadioButton>(dlg, c.radio)->isChecked()) << c.radio;
        EXPECT_EQ(CompressionEnabled(dlg), c.enabled) << c.radio;
    }
}

TEST_F(CSelectOutputFileDlgTest, CompressionIsOfferedOnlyWhenAvailable) {
    {
        available.mp3 = false;
        CSelectOutputFileDlg dlg(nullptr, available);
        EXPECT_FALSE(dlg.GetDlgItem(IDC_RADIO_MP3)->isEnabled());
        EXPECT_TRUE(dlg.GetDlgItem(IDC_RADIO_WMA)->isEnabled());
        EXPECT_TRUE(dlg.GetDlgItem(IDC_RADIO_WAV)->isEnabled());
        Check(dlg, IDC_RADIO_MP3); // a click on a disabled button does nothing
        EXPECT_TRUE(Item<QRadioButton>(dlg, IDC_RADIO_WAV)->isChecked());
    }
    {
        // Codecs that are not available are not offered, even if listed.
        available.mp3 = true;
        available.wma = false;
        CSelectOutputFileDlg dlg(nullptr, available);
        EXPECT_TRUE(dlg.GetDlgItem(IDC_RADIO_MP3)->isEnabled());
        EXPECT_FALSE(dlg.GetDlgItem(IDC_RADIO_WMA)->isEnabled());
        EXPECT_EQ(Combo(dlg, IDC_CODEC)->count(), 0);
        EXPECT_EQ(Combo(dlg, IDC_FORMAT)->count(), 0);
        dlg.FillFormatList(0);
        EXPECT_EQ(Combo(dlg, IDC_FORMAT)->count(), 0);
    }
    {
        // No main window: only WAV.
        CSelectOutputFileDlg dlg(nullptr);
        EXPECT_FALSE(dlg.GetDlgItem(IDC_RADIO_MP3)->isEnabled());
        EXPECT_FALSE(dlg.GetDlgItem(IDC_RADIO_WMA)->isEnabled());
        EXPECT_TRUE(dlg.GetDlgItem(IDC_RADIO_WAV)->isEnabled());
        EXPECT_EQ(Combo(dlg, IDC_CODEC)->count(), 0);
        dlg.FillFormatList(0);
        EXPECT_EQ(Combo(dlg, IDC_FORMAT)->count(), 0);
        SetPath(dlg, "/tmp/out.wav");
        PressOk(dlg);
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(dlg.Choice()->outputKind, OutputKind::Wav);
    }
}

TEST_F(CSelectOutputFileDlgTest, FormatListFollowsTheChosenCodec) {
    CSelectOutputFileDlg dlg(nullptr, available);
    Check(dlg, IDC_RADIO_WMA);
    QComboBox* codec = Combo(dlg, IDC_CODEC);
    QComboBox* format = Combo(dlg, IDC_FORMAT);
    format->setCurrentIndex(1);

    QTest::keyClick(codec, Qt::Key_Down); // picks the second codec
    EXPECT_EQ(codec->currentIndex(), 1);
    EXPECT_EQ(Items(format),
              (QStringList{"48 kbps, 32 kHz, stereo CBR", "32 kbps, 22 kHz, mono CBR",
                           "20 kbps, 22 kHz, mono CBR"}));
    EXPECT_EQ(format->currentIndex(), 0);

    // Picking a codec again, even the same one, starts again at its first format.
    format->setCurrentIndex(2);
    emit codec->activated(1);
    EXPECT_EQ(format->currentIndex(), 0);
    EXPECT_EQ(format->count(), 3);

    dlg.FillFormatList(-1);
    EXPECT_EQ(format->count(), 0);
    dlg.FillFormatList(2);
    EXPECT_EQ(format->count(), 0);
    EXPECT_EQ(format->currentIndex(), -1);
}

TEST_F(CSelectOutputFileDlgTest, OkWithWmaAtOnceGivesTheFirstCodecAndFormat) {
    CSelectOutputFileDlg dlg(nullptr, available);
    Check(dlg, IDC_RADIO_WMA);
    SetPath(dlg, "/tmp/speech.wma");
    PressOk(dlg);
    EXPECT_TRUE(messages.Boxes().empty());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    // Codec 0 and format 0; the MP3 fields are not written.
    EXPECT_EQ(dlg.Choice(), (OutputFileChoice{u"/tmp/speech.wma", OutputKind::Wma}));
}

TEST_F(CSelectOutputFileDlgTest, OkWithMp3GivesBitrateQualityAndVbr) {
    const int kbps[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160};
    for (int position = 0; position < 10; ++position) {
        CSelectOutputFileDlg dlg(nullptr, available);
        Check(dlg, IDC_RADIO_MP3);
        Combo(dlg, IDC_BITRATE)->setCurrentIndex(position);
        Combo(dlg, IDC_MP3_QUALITY)->setCurrentIndex(9 - position);
        if (position % 2)
            Item<QCheckBox>(dlg, IDC_VBR)->click();
        SetPath(dlg, "speech");
        PressOk(dlg);
        ASSERT_EQ(dlg.result(), QDialog::Accepted) << position;
        // No extension is added; the WMA fields are not written.
        OutputFileChoice expected{u"speech", OutputKind::Mp3, kbps[position], 9 - position,
                                  position % 2 == 1};
        EXPECT_EQ(dlg.Choice(), expected) << position;
    }
    EXPECT_TRUE(messages.Boxes().empty());
}

TEST_F(CSelectOutputFileDlgTest, OkWithWavWritesOnlyPathAndKind) {
    CSelectOutputFileDlg dlg(nullptr, available);
    Check(dlg, IDC_RADIO_MP3); // settings of another kind are not carried over
    Item<QCheckBox>(dlg, IDC_VBR)->click();
    Check(dlg, IDC_RADIO_WAV);
    SetPath(dlg, "out.mp3");
    PressOk(dlg);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    // The kind is never taken from the path.
    EXPECT_EQ(dlg.Choice(), (OutputFileChoice{u"out.mp3", OutputKind::Wav}));
}

TEST_F(CSelectOutputFileDlgTest, PathIsTrimmedOfWhiteSpaceOnly) {
    struct Case {
        QString typed;
        std::u16string expected;
    };
    const Case cases[] = {
        {"  /tmp/out.wav  ", u"/tmp/out.wav"},
        {"\t\n\r\v\f/tmp/a b.wav \t", u"/tmp/a b.wav"},
        {QString::fromUtf16(u"\u3000/tmp/x\u2003"), u"/tmp/x"}, // wide spaces as well
        {"no extension", u"no extension"},
    };
    for (const Case& c : cases) {
        CSelectOutputFileDlg dlg(nullptr, available);
        SetPath(dlg, c.typed);
        PressOk(dlg);
        EXPECT_EQ(dlg.result(), QDialog::Accepted) << c.typed.toStdString();
        EXPECT_EQ(dlg.Choice()->outputPath, c.expected);
    }
    EXPECT_TRUE(messages.Boxes().empty());
}

// Every refused OK shows one box with its own message, OK only and the
// warning icon, under the application title, and leaves the dialog open with
// the results unwritten.
TEST_F(CSelectOutputFileDlgTest, RefusedOkShowsItsMessageAndKeepsTheDialogOpen) {
    auto expectRefused = [&](CSelectOutputFileDlg& dlg, UINT message) {
        messages.Clear();
        PressOk(dlg);
        EXPECT_EQ(messages.Ids(), std::vector<UINT>{message});
        ASSERT_EQ(messages.Boxes().size(), 1u);
        EXPECT_EQ(messages.Boxes()[0].type, MB_OK | MB_ICONWARNING);
        EXPECT_EQ(messages.Boxes()[0].caption, u"Vocalith");
        EXPECT_NE(dlg.result(), QDialog::Accepted);
        EXPECT_FALSE(dlg.Choice());
    };
    {
        CSelectOutputFileDlg dlg(nullptr, available);
        SetPath(dlg, " \t \n ");
        expectRefused(dlg, IDS_SPECIFY_OUTPUT_FILE);
        SetPath(dlg, "");
        expectRefused(dlg, IDS_SPECIFY_OUTPUT_FILE);
        EXPECT_EQ(Item<QLineEdit>(dlg, IDC_OUTPUT_FILE)->text(), "");
    }
    {
        // The kind's own check comes before the path's.
        CSelectOutputFileDlg dlg(nullptr, available);
        Check(dlg, IDC_RADIO_MP3);
        Combo(dlg, IDC_BITRATE)->setCurrentIndex(-1);
        expectRefused(dlg, IDS_SELECT_MP3_BITRATE);
        EXPECT_TRUE(Item<QRadioButton>(dlg, IDC_RADIO_MP3)->isChecked());
    }
    {
        available.wmaCodecs.clear(); // a catalogue without codecs
        CSelectOutputFileDlg dlg(nullptr, available);
        Check(dlg, IDC_RADIO_WMA);
        SetPath(dlg, "out.wma");
        expectRefused(dlg, IDS_SELECT_WMA_CODEC);
        EXPECT_EQ(Item<QLineEdit>(dlg, IDC_OUTPUT_FILE)->text(), "out.wma");
    }
    {
        available.wmaCodecs = {{{}, u"Codec without formats"}};
        CSelectOutputFileDlg dlg(nullptr, available);
        Check(dlg, IDC_RADIO_WMA);
        SetPath(dlg, "out.wma");
        expectRefused(dlg, IDS_SELECT_WMA_FORMAT);
    }
}

TEST_F(CSelectOutputFileDlgTest, BrowseOffersTheCheckedKindsFilter) {
    CSelectOutputFileDlg dlg(nullptr, available);
    std::vector<SaveAsRequest> requests;
    std::vector<QWidget*> owners;
    std::optional<QString> answer = QString("/home/user/speech.mp3");
    dlg.SetFileChooser([&](QWidget* owner, const SaveAsRequest& request) {
        owners.push_back(owner);
        requests.push_back(request);
        return answer;
    });
    SetPath(dlg, "typed before");

    Check(dlg, IDC_RADIO_MP3);
    Item<QPushButton>(dlg, IDC_BROWSE)->click();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(owners[0], &dlg);
    EXPECT_EQ(requests[0].title, "Save as");
    EXPECT_EQ(requests[0].nameFilters, QStringList{"MP3 files (*.mp3)"});
    EXPECT_EQ(requests[0].defaultSuffix, "mp3");
    EXPECT_EQ(Item<QLineEdit>(dlg, IDC_OUTPUT_FILE)->text(), "/home/user/speech.mp3");
    EXPECT_EQ(CompressionEnabled(dlg), (std::vector<bool>{true, true, true, false, false}));

    answer.reset(); // the user cancels: the field stays as it was
    Check(dlg, IDC_RADIO_WMA);
    Item<QPushButton>(dlg, IDC_BROWSE)->click();
    EXPECT_EQ(requests.back().nameFilters, QStringList{"WMA files (*.wma)"});
    EXPECT_EQ(requests.back().defaultSuffix, "wma");
    EXPECT_EQ(Item<QLineEdit>(dlg, IDC_OUTPUT_FILE)->text(), "/home/user/speech.mp3");

    Check(dlg, IDC_RADIO_WAV);
    std::u16string path = u"kept";
    EXPECT_FALSE(dlg.BrowseForOutputFile(path));
    EXPECT_EQ(path, u"kept");
    EXPECT_EQ(requests.back().nameFilters, QStringList{"Wave files (*.wav)"});
    EXPECT_EQ(requests.back().defaultSuffix, "wav");
    // The kind chosen later does not touch the path.
    EXPECT_EQ(Item<QLineEdit>(dlg, IDC_OUTPUT_FILE)->text(), "/home/user/speech.mp3");
}

TEST_F(CSelectOutputFileDlgTest, RunModalReportsHowTheDialogEnded) {
    {
        CSelectOutputFileDlg dlg(nullptr, available);
        QTimer::singleShot(0, &dlg, [&] {
            SetPath(dlg, "/tmp/run.wav");
            PressOk(dlg);
        });
        EXPECT_EQ(dlg.RunModal(), static_cast<int>(IDOK));
        EXPECT_EQ(dlg.Choice(), (OutputFileChoice{u"/tmp/run.wav"}));
    }
    {
        CSelectOutputFileDlg dlg(nullptr, available);
        QTimer::singleShot(0, &dlg, [&] {
            SetPath(dlg, "/tmp/run.wav");
            QTest::keyClick(&dlg, Qt::Key_Escape);
        });
        EXPECT_EQ(dlg.RunModal(), static_cast<int>(IDCANCEL));
        EXPECT_FALSE(dlg.Choice());
    }
}

} // namespace
