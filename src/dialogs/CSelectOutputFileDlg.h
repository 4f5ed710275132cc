#pragma once
// The modal dialog of the Write commands: the output file, its kind (WAV, MP3
// or WMA) and the compression settings of that kind. MP3 is offered only when
// the frame's encoder library is loaded, WMA only when its codec catalogue is
// enumerated.

#include "platform/com/types.h"
#include "src/dialogs/SaveAsChooser.h"
#include "src/dialogs/TemplateLayout.h"

#include <QDialog>
#include <string>

class Mp3Encoder;
class WmaCodecCatalogue;
class QCheckBox;
class QComboBox;
class QLineEdit;

class CSelectOutputFileDlg : public QDialog {
    Q_OBJECT

public:
    // `mp3` and `wma` are the frame's; null when there is no main window, and
    // then neither compression is offered. Both must outlive the dialog.
    CSelectOutputFileDlg(QWidget* parent, const Mp3Encoder* mp3, const WmaCodecCatalogue* wma);

    // Runs the dialog modally: IDOK when the user accepted, IDCANCEL otherwise.
    int RunModal();

    // The widget of a template control; nullptr when there is none.
    QWidget* GetDlgItem(int id) const { return m_layout.control(id); }

    // Replaces the desktop's Save-As chooser that "Browse..." runs.
    void SetFileChooser(SaveAsChooser chooser) { m_fileChooser = std::move(chooser); }

    // The enable rules of the compression controls, from the checked radio button.
    void UpdateControls();
    // Lists the formats of the catalogue's codec at `codecIndex` and selects
    // the first; leaves the list empty for a position the catalogue has not.
    void FillFormatList(int codecIndex);
    // Runs the chooser for the checked kind; true and `path` set when the
    // user chose a file.
    bool BrowseForOutputFile(std::u16string& path);

    // Results, written only when the user presses OK; those that do not belong
    // to the chosen kind are left as they were.
    std::u16string m_strOutputFile;
    int m_nOutputKind = 0;
    int m_nBitrate = 0;
    int m_nQuality = 0;
    BOOL m_bVbr = FALSE;
    int m_nCodec = 0;
    int m_nFormat = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnInitDialog();
    void OnOK();
    void OnBrowse();
    void OnSelEndOkCodec();
    bool IsChecked(int id) const;

    const Mp3Encoder* m_mp3;
    const WmaCodecCatalogue* m_wma;
    TemplateLayout m_layout;
    QComboBox* m_cbBitrate;
    QCheckBox* m_chkVbr;
    QComboBox* m_cbQuality;
    QComboBox* m_cbCodec;
    QComboBox* m_cbFormat;
    QLineEdit* m_editOutputFile;
    SaveAsChooser m_fileChooser = RunSaveAsChooser;
};
