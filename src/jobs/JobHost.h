#pragma once
// What StartJob reads from the window: the editor, the control bar and the
// output file dialog. The main frame implements it; tests fake it.

#include "src/jobs/JobText.h"
#include "src/jobs/OutputFileChoice.h"

#include <memory>
#include <string>

class JobHost {
public:
    virtual ~JobHost() = default;
    virtual std::shared_ptr<const JobText> EditorText() = 0;
    virtual bool SelectionHasText() = 0;
    // The characters from the selection start to the selection end.
    virtual std::shared_ptr<const JobText> SelectedText() = 0;
    // -1: nothing selected.
    virtual int VoicePosition() = 0;
    // -1: nothing selected.
    virtual int QualityPosition() = 0;
    // 0..100
    virtual int VolumePosition() = 0;
    // -10..10
    virtual int SpeedPosition() = 0;
    // -10..10
    virtual int PitchPosition() = 0;
    // Modal; false unless the user left the dialog with OK. `choice` is
    // written only on OK.
    virtual bool RunOutputFileDialog(OutputFileChoice& choice) = 0;
};
