#pragma once
// The modal dialog of the Write commands: the output file, its kind (WAV, MP3
// or WMA) and the compression settings of that kind. MP3 and WMA are offered
// only when they are available.

#include "src/audio/AvailableEncoders.h"
#include "src/dialogs/SaveAsChooser.h"
#include "src/dialogs/TemplateLayout.h"
#include "src/jobs/OutputFileChoice.h"

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;

class CSelectOutputFileDlg : public QDialog {
    Q_OBJECT

public:
    // Without a main window nothing is available and only WAV is offered.
    CSelectOutputFileDlg(QWidget* parent, AvailableEncoders encoders = {});

    // Runs the dialog modally: IDOK when the user accepted, IDCANCEL otherwise.
    int RunModal();

    // The widget of a template control; nullptr when there is none.
    QWidget* GetDlgItem(int id) const { return m_layout.Control(id); }

    // Replaces the desktop's Save-As chooser that "Browse..." runs.
    void SetFileChooser(SaveAsChooser chooser) { m_fileChooser = std::move(chooser); }

    // The enable rules of the compression controls, from the checked radio button.
    void UpdateControls();
    // Lists the formats of the codec at `codecIndex` and selects the first;
    // leaves the list empty for a position the codec list has not.
    void FillFormatList(int codecIndex);
    // Runs the chooser for the checked kind; true and `path` set when the
    // user chose a file.
    bool BrowseForOutputFile(std::u16string& path);

    // The user's choice once OK has been accepted; empty before and after a
    // refused OK or a Cancel.
    const std::optional<OutputFileChoice>& Choice() const { return m_choice; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnInitDialog();
    void OnOK();
    void OnBrowse();
    void OnSelEndOkCodec();
    bool IsChecked(int id) const;
    // The codecs offered: none unless WMA is available.
    const std::vector<WmaCodecEntry>& WmaCodecs() const;

    const AvailableEncoders m_encoders;
    std::optional<OutputFileChoice> m_choice;
    TemplateLayout m_layout;
    QComboBox* m_cbBitrate;
    QCheckBox* m_chkVbr;
    QComboBox* m_cbQuality;
    QComboBox* m_cbCodec;
    QComboBox* m_cbFormat;
    QLineEdit* m_editOutputFile;
    SaveAsChooser m_fileChooser = RunSaveAsChooser;
};
