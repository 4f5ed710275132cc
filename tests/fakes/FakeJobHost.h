#pragma once
// A window for StartJob: editor text, selection, control bar positions and an
// output file dialog whose answer the test presets. Counts the dialog runs.

#include "src/jobs/JobHost.h"

#include <memory>
#include <string>

class FakeJobHost : public JobHost {
public:
    std::u16string editorText = u"Hello";
    std::u16string selectedText;
    int voicePosition = 0;
    int qualityPosition = 18;
    int volumePosition = 100;
    int speedPosition = 0;
    int pitchPosition = 0;
    bool dialogAccepted = true;
    OutputFileChoice dialogChoice;
    int dialogRuns = 0;

    std::shared_ptr<const JobText> EditorText() override {
        return std::make_shared<StringJobText>(editorText);
    }
    bool SelectionHasText() override { return !selectedText.empty(); }
    std::shared_ptr<const JobText> SelectedText() override {
        return std::make_shared<StringJobText>(selectedText);
    }
    int VoicePosition() override { return voicePosition; }
    int QualityPosition() override { return qualityPosition; }
    int VolumePosition() override { return volumePosition; }
    int SpeedPosition() override { return speedPosition; }
    int PitchPosition() override { return pitchPosition; }
    bool RunOutputFileDialog(OutputFileChoice& choice) override {
        ++dialogRuns;
        if (dialogAccepted)
            choice = dialogChoice;
        return dialogAccepted;
    }

    // A Write dialog answered with OK for this path and kind.
    void ChooseOutput(const std::u16string& path, OutputKind kind = OutputKind::Wav) {
        dialogAccepted = true;
        dialogChoice = OutputFileChoice{};
        dialogChoice.outputPath = path;
        dialogChoice.outputKind = kind;
    }
};
