#pragma once
// The voice control bar: voice, output quality, speed, volume and pitch, and
// the Speak and Write... buttons. It holds no settings of its own: the frame
// fills it, StartJob reads it.

#include "src/app/CInitDialogBar.h"

class QComboBox;
class QPushButton;
class QSlider;

class CMyDialogBar : public CInitDialogBar {
    Q_OBJECT
public:
    explicit CMyDialogBar(QWidget* parent = nullptr);
    ~CMyDialogBar() override;

    // Enables the controls for the selected voice, or disables them while a job runs.
    void UpdateBarControls();
    // The idle refresh: the buttons follow the frame's Speak/Write rule, then
    // the other controls follow UpdateBarControls().
    void OnUpdateCmdUI(bool speakWriteEnabled);

    QComboBox* m_cbVoice = nullptr;
    QComboBox* m_cbQuality = nullptr;
    QSlider* m_sliderSpeed = nullptr;
    QSlider* m_sliderVolume = nullptr;
    QSlider* m_sliderPitch = nullptr;
    QPushButton* m_btnWrite = nullptr;
    QPushButton* m_btnSpeak = nullptr;

protected:
    bool DoDataExchange() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnSpeak();
    void OnWrite();
};
