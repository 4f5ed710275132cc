#pragma once
// The window's controls as the command line set them: the document's text in
// place of the editor, the resolved positions in place of the control bar,
// and the settings' output choice as the output dialog's answer.

#include "src/cli/DocumentSettings.h"
#include "src/jobs/JobHost.h"

class ConsoleHost : public JobHost {
public:
    ConsoleHost(std::u16string text, const DocumentSettings& settings)
        : m_text(std::make_shared<StringJobText>(std::move(text))), m_settings(settings) {}

    std::shared_ptr<const JobText> EditorText() override { return m_text; }
    bool SelectionHasText() override { return false; }
    std::shared_ptr<const JobText> SelectedText() override { return nullptr; }
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
    const std::shared_ptr<const JobText> m_text;
    const DocumentSettings m_settings;
};
