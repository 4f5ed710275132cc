#include "src/app/CMyDialogBar.h"

#include "src/app/CApp.h"
#include "src/app/CMainFrame.h"
#include "src/dialogs/TemplateLayout.h"
#include "src/resources/resource.h"
#include "src/speech/CSAPI4VoiceInfo.h"

#include <QComboBox>
#include <QEvent>
#include <QPushButton>
#include <QSlider>

CMyDialogBar::CMyDialogBar(QWidget* parent) : CInitDialogBar(parent) {}

CMyDialogBar::~CMyDialogBar() = default;

bool CMyDialogBar::DoDataExchange() {
    const TemplateLayout* layout = Layout();
    if (!layout)
        return false;
    m_btnWrite = layout->Get<QPushButton>(IDC_WRITE);
    m_btnSpeak = layout->Get<QPushButton>(IDC_SPEAK);
    m_cbVoice = layout->Get<QComboBox>(IDC_VOICE);
    m_sliderSpeed = layout->Get<QSlider>(IDC_SPEED);
    m_sliderVolume = layout->Get<QSlider>(IDC_VOLUME);
    m_sliderPitch = layout->Get<QSlider>(IDC_PITCH);
    m_cbQuality = layout->Get<QComboBox>(IDC_QUALITY);
    if (!m_btnWrite || !m_btnSpeak || !m_cbVoice || !m_sliderSpeed || !m_sliderVolume ||
        !m_sliderPitch || !m_cbQuality)
        return false;

    connect(m_btnSpeak, &QPushButton::clicked, this, &CMyDialogBar::OnSpeak);
    connect(m_btnWrite, &QPushButton::clicked, this, &CMyDialogBar::OnWrite);
    connect(m_cbVoice, &QComboBox::activated, this, &CMyDialogBar::UpdateBarControls);
    m_cbVoice->installEventFilter(this);
    return true;
}

bool CMyDialogBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_cbVoice &&
        (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        UpdateBarControls();
    return CInitDialogBar::eventFilter(watched, event);
}

void CMyDialogBar::OnSpeak() {
    if (CMainFrame* frame = AfxGetMainWnd())
        frame->StartJob(true, false);
}

void CMyDialogBar::OnWrite() {
    if (CMainFrame* frame = AfxGetMainWnd())
        frame->StartJob(false, false);
}

void CMyDialogBar::OnUpdateCmdUI(bool speakWriteEnabled) {
    if (!m_btnSpeak)
        return;
    m_btnSpeak->setEnabled(speakWriteEnabled);
    m_btnWrite->setEnabled(speakWriteEnabled);
    UpdateBarControls();
}

void CMyDialogBar::UpdateBarControls() {
    CMainFrame* frame = AfxGetMainWnd();
    if (!frame || !m_cbVoice)
        return;
    if (frame->IsJobRunning()) {
        m_cbVoice->setEnabled(false);
        m_sliderSpeed->setEnabled(false);
        m_sliderVolume->setEnabled(false);
        m_sliderPitch->setEnabled(false);
        m_cbQuality->setEnabled(false);
        return;
    }
    const int p = m_cbVoice->currentIndex();
    if (p < 0 || static_cast<std::size_t>(p) >= frame->Sapi4VoiceCount()) {
        m_cbQuality->setEnabled(true);
        m_sliderSpeed->setEnabled(true);
        m_sliderVolume->setEnabled(true);
        m_sliderPitch->setEnabled(true);
    } else {
        // A SAPI 4 voice writes in its own format and has only the
        // attributes its tags can change.
        const CSAPI4VoiceInfo& voice = frame->Sapi4Voice(static_cast<std::size_t>(p));
        m_cbQuality->setEnabled(false);
        m_sliderSpeed->setEnabled(voice.canSetSpeed != 0);
        m_sliderVolume->setEnabled(voice.canSetVolume != 0);
        m_sliderPitch->setEnabled(voice.canSetPitch != 0);
    }
    m_cbVoice->setEnabled(true);
}
