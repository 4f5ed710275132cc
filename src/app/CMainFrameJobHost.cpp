// The frame as the jobs' host: starting a job, and the text, voice and
// settings a job reads from the window.
#include "src/app/CChildView.h"
#include "src/app/CMainFrame.h"
#include "src/app/CMyDialogBar.h"
#include "src/app/EditorJobText.h"
#include "src/dialogs/CSelectOutputFileDlg.h"
#include "src/jobs/JobControl.h"
#include "src/resources/resource.h"
#include "src/speech/Sapi4Engine.h"

#include <QComboBox>
#include <QSlider>

bool CMainFrame::IsJobRunning() const {
    return m_jobs->IsJobRunning();
}

bool CMainFrame::CanSpeakOrWrite() const {
    return !IsJobRunning() && m_wndView && m_wndView->GetTextLength() > 0;
}

void CMainFrame::StartJob(bool speak, bool selectionOnly) {
    m_jobs->StartJob(speak, selectionOnly);
    ScheduleIdleUpdate();
}

std::size_t CMainFrame::Sapi4VoiceCount() const {
    return m_jobs->Sapi4().VoiceCount();
}

const CSAPI4VoiceInfo& CMainFrame::Sapi4Voice(std::size_t index) const {
    return m_jobs->Sapi4().Voice(index);
}

std::shared_ptr<const JobText> CMainFrame::EditorText() {
    // One copy of the characters; toPlainText would also map every separator
    // here, on the largest text longer than the window may stall.
    return std::make_shared<EditorJobText>(m_wndView->document()->toRawText());
}

bool CMainFrame::SelectionHasText() {
    return m_wndView->SelectionHasText();
}

std::shared_ptr<const JobText> CMainFrame::SelectedText() {
    return std::make_shared<EditorJobText>(m_wndView->textCursor().selectedText());
}

int CMainFrame::VoicePosition() {
    return m_wndDlgBar->m_cbVoice->currentIndex();
}

int CMainFrame::QualityPosition() {
    return m_wndDlgBar->m_cbQuality->currentIndex();
}

int CMainFrame::VolumePosition() {
    return m_wndDlgBar->m_sliderVolume->value();
}

int CMainFrame::SpeedPosition() {
    return m_wndDlgBar->m_sliderSpeed->value();
}

int CMainFrame::PitchPosition() {
    return m_wndDlgBar->m_sliderPitch->value();
}

bool CMainFrame::RunOutputFileDialog(OutputFileChoice& choice) {
    CSelectOutputFileDlg dlg(this, Encoders());
    if (dlg.RunModal() != static_cast<int>(IDOK))
        return false;
    choice = *dlg.Choice();
    return true;
}
