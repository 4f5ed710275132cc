#pragma once
// The window's controls as the command line set them: the document's text in
// place of the editor, the resolved positions in place of the control bar,
// and the settings' output choice as the output dialog's answer.

#include "src/cli/DocumentSettings.h"
#include "src/jobs/JobHost.h"

class ConsoleHost : public JobHost {
public:
    ConsoleHost(std::u16string text, const DocumentSettings& settings)
        : m_text(std::move(text)), m_settings(settings) {}

    std::u16string EditorText() override { return m_text; }
    bool SelectionHasText() override { return false; }
    std::u16string SelectedText() override { return {}; }
    int VoicePosition() override { return m_settings.voicePosition; }
    int QualityPosition() override { return m_settings.qualityPosition; }
    int VolumePosition() override { return m_settings.volume; }
    int SpeedPosition() override { return m_settings.speed; }
    int PitchPosition() override { return m_settings.pitch; }
    bool RunOutputFileDialog(OutputFileChoice& choice) override {
        choice = m_settings.output;
        return true;
    }

private:
    const std::u16string m_text;
    const DocumentSettings m_settings;
};
