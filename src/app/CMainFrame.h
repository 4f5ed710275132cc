#pragma once
// The main frame: owns the whole program state for the run (the voice lists
// through the job control, the job, the MP3 encoder
// library and the WMA codec catalogue) and the window parts: menu, toolbar,
// the control bar in its band, the editor and the status bar. It routes every
// command, greys out what cannot run while a job runs, shows the caret's line
// and column, and asks before it closes during a job.

#include "src/audio/AvailableEncoders.h"
#include "src/audio/Mp3Encoder.h"
#include "src/audio/WmaCodecCatalogue.h"
#include "src/jobs/JobHost.h"

#include <QIcon>
#include <QMainWindow>
#include <QTimer>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>

class CChildView;
class CMyDialogBar;
class JobControl;
class QAction;
class QLabel;
class QMenu;
class QToolBar;
struct CSAPI4VoiceInfo;

class CMainFrame : public QMainWindow, public JobHost {
    Q_OBJECT
public:
    static constexpr int kUndoLimit = 10;
    static constexpr int kTextLimit = 0x1000000;
    static constexpr int kTimerPeriodMs = 1000;

    // Builds the voice catalogue: the SAPI 4 voices, then the SAPI 5 voices.
    CMainFrame();
    ~CMainFrame() override;

    // Menu 128, accelerators 128, the title and the window parts; false when
    // any part cannot be made (or there is no voice), and then the window
    // must not be shown.
    bool LoadFrame();

    // Command routing: the editor first, then the frame. A command that is
    // greyed out does nothing.
    void OnCommand(UINT id);
    bool IsCommandEnabled(UINT id) const;
    // The idle refresh: menu and toolbar states, the control bar, the lock keys.
    void UpdateCommandUI();

    void StartJob(bool speak, bool selectionOnly);
    bool IsJobRunning() const;
    // Speak and Write (and the control bar's buttons): no job runs and the
    // editor holds at least one character.
    bool CanSpeakOrWrite() const;
    void UpdateLineColumnPane();

    std::size_t Sapi4VoiceCount() const;
    const CSAPI4VoiceInfo& Sapi4Voice(std::size_t index) const;
    // What the output file dialog offers.
    AvailableEncoders Encoders() const { return AvailableEncoders::Of(m_mp3, m_wma); }

    CChildView* View() const { return m_wndView; }
    CMyDialogBar* DialogBar() const { return m_wndDlgBar; }
    QToolBar* ToolBar() const { return m_wndToolBar; }
    QAction* CommandAction(UINT id) const;
    // Status bar panes 0 to 4.
    QLabel* Pane(int index) const;

    // JobHost
    std::shared_ptr<const JobText> EditorText() override;
    bool SelectionHasText() override;
    std::shared_ptr<const JobText> SelectedText() override;
    int VoicePosition() override;
    int QualityPosition() override;
    int VolumePosition() override;
    int SpeedPosition() override;
    int PitchPosition() override;
    bool RunOutputFileDialog(OutputFileChoice& choice) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool OnCreate();
    void OnDestroy();
    void OnTimer();
    bool PreTranslateMessage(QObject* watched, QEvent* event);
    void ScheduleIdleUpdate();
    void UpdateIndicators();

    bool CreateMenuBar();
    bool CreateToolBar();
    bool CreateStatusBar();
    void FillVoiceList();

    // Program state, in the order the frame acquires it.
    QIcon m_hIcon;
    Mp3Encoder m_mp3;
    WmaCodecCatalogue m_wma;
    std::unique_ptr<JobControl> m_jobs;
    bool m_destroyed = false;

    // Window parts; the window owns them.
    QLabel* m_wndStatusPanes[5] = {};
    QToolBar* m_wndToolBar = nullptr;
    QToolBar* m_wndReBar = nullptr;
    CMyDialogBar* m_wndDlgBar = nullptr;
    CChildView* m_wndView = nullptr;

    std::map<UINT, QAction*> m_commands;
    QTimer m_timer1;
    bool m_idleUpdatePending = false;
    // The line and column pane shows a pair only when it differs from the last.
    std::uint16_t m_lastLine = 0;
    std::uint16_t m_lastColumn = 0;
};
