#include "src/dialogs/CSelectOutputFileDlg.h"

#include "src/resources/MessageService.h"
#include "src/resources/StringTable.h"
#include "src/resources/resource.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <array>
#include <cwctype>

namespace {

constexpr std::array<int, 10> kBitratesKbps{32, 40, 48, 56, 64, 80, 96, 112, 128, 160};
constexpr int kDefaultBitratePosition = 4; // 64 kbps
constexpr int kDefaultQualityPosition = 5;

// White space as the C library's wide-character test sees it, taken off the
// end first and then off the start.
std::u16string TrimWhiteSpace(std::u16string text) {
    auto isSpace = [](char16_t c) { return std::iswspace(static_cast<wint_t>(c)) != 0; };
    while (!text.empty() && isSpace(text.back()))
        text.pop_back();
    std::size_t start = 0;
    while (start < text.size() && isSpace(text[start]))
        ++start;
    return text.substr(start);
}

} // namespace

CSelectOutputFileDlg::CSelectOutputFileDlg(QWidget* parent, AvailableEncoders encoders)
    : QDialog(parent), m_encoders(std::move(encoders)),
      m_layout(this, *FindDialogTemplate(IDD_SELECT_OUTPUT_FILE)),
      m_cbBitrate(m_layout.Get<QComboBox>(IDC_BITRATE)), m_chkVbr(m_layout.Get<QCheckBox>(IDC_VBR)),
      m_cbQuality(m_layout.Get<QComboBox>(IDC_MP3_QUALITY)),
      m_cbCodec(m_layout.Get<QComboBox>(IDC_CODEC)),
      m_cbFormat(m_layout.Get<QComboBox>(IDC_FORMAT)),
      m_editOutputFile(m_layout.Get<QLineEdit>(IDC_OUTPUT_FILE)) {
    setWindowTitle(QString::fromUtf16(FindDialogTemplate(IDD_SELECT_OUTPUT_FILE)->caption));
    setFixedSize(m_layout.Size());

    // Checking one kind unchecks the other two. The lists follow the checked
    // kind however it came to be checked: a screen reader's toggle action
    // emits `toggled`, never `clicked`.
    auto* kinds = new QButtonGroup(this);
    kinds->setExclusive(true);
    for (int id : {IDC_RADIO_WAV, IDC_RADIO_MP3, IDC_RADIO_WMA})
        kinds->addButton(m_layout.Get<QRadioButton>(id), id);
    connect(kinds, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            UpdateControls();
    });

    OnInitDialog();

    connect(m_chkVbr, &QAbstractButton::toggled, this, [this] { UpdateControls(); });
    connect(m_layout.Get<QPushButton>(IDC_BROWSE), &QAbstractButton::clicked, this,
            [this] { OnBrowse(); });
    connect(m_layout.Get<QPushButton>(IDOK), &QAbstractButton::clicked, this, [this] { OnOK(); });
    connect(m_layout.Get<QPushButton>(IDCANCEL), &QAbstractButton::clicked, this, &QDialog::reject);
    connect(m_cbCodec, &QComboBox::currentIndexChanged, this, [this] { UpdateControls(); });
    // Qt's `activated` is the combo box's selection-end-OK: the user picked
    // an item, even the one already selected.
    connect(m_cbCodec, &QComboBox::activated, this, [this] { OnSelEndOkCodec(); });
    for (QWidget* w : {static_cast<QWidget*>(m_cbBitrate), static_cast<QWidget*>(m_cbQuality),
                       static_cast<QWidget*>(m_cbCodec), static_cast<QWidget*>(m_cbFormat),
                       static_cast<QWidget*>(m_editOutputFile)})
        w->installEventFilter(this);
}

int CSelectOutputFileDlg::RunModal() {
    return exec() == QDialog::Accepted ? static_cast<int>(IDOK) : static_cast<int>(IDCANCEL);
}

void CSelectOutputFileDlg::OnInitDialog() {
    m_layout.Get<QRadioButton>(IDC_RADIO_WAV)->setChecked(true);

    for (UINT i = 0; i < kBitratesKbps.size(); ++i)
        m_cbBitrate->addItem(QString::fromStdU16String(LoadResString(IDS_MP3_BITRATE_FIRST + i)));
    m_cbBitrate->setCurrentIndex(kDefaultBitratePosition);

    for (UINT i = 0; i < 10; ++i)
        m_cbQuality->addItem(QString::fromStdU16String(LoadResString(IDS_MP3_QUALITY_FIRST + i)));
    m_cbQuality->setCurrentIndex(kDefaultQualityPosition);

    m_layout.Control(IDC_RADIO_MP3)->setEnabled(m_encoders.mp3);
    m_layout.Control(IDC_RADIO_WMA)->setEnabled(m_encoders.wma);
    for (const auto& codec : WmaCodecs())
        m_cbCodec->addItem(QString::fromStdU16String(codec.name));
    m_cbCodec->setCurrentIndex(0);
    FillFormatList(m_cbCodec->currentIndex());

    UpdateControls();
}

void CSelectOutputFileDlg::FillFormatList(int codecIndex) {
    m_cbFormat->clear();
    const std::vector<WmaCodecEntry>& codecs = WmaCodecs();
    if (codecIndex < 0 || static_cast<std::size_t>(codecIndex) >= codecs.size())
        return;
    for (const auto& format : codecs[static_cast<std::size_t>(codecIndex)].formats)
        m_cbFormat->addItem(QString::fromStdU16String(format.description));
    m_cbFormat->setCurrentIndex(m_cbFormat->count() > 0 ? 0 : -1);
}

void CSelectOutputFileDlg::UpdateControls() {
    const bool mp3 = IsChecked(IDC_RADIO_MP3);
    const bool wma = IsChecked(IDC_RADIO_WMA);
    m_cbBitrate->setEnabled(mp3);
    m_chkVbr->setEnabled(mp3);
    m_cbQuality->setEnabled(mp3);
    m_cbCodec->setEnabled(wma);
    m_cbFormat->setEnabled(wma);
}

bool CSelectOutputFileDlg::BrowseForOutputFile(std::u16string& path) {
    UINT filterId = IDS_FILTER_WAV;
    QString suffix = QStringLiteral("wav");
    if (IsChecked(IDC_RADIO_MP3)) {
        filterId = IDS_FILTER_MP3;
        suffix = QStringLiteral("mp3");
    } else if (IsChecked(IDC_RADIO_WMA)) {
        filterId = IDS_FILTER_WMA;
        suffix = QStringLiteral("wma");
    }
    const SaveAsRequest request{QString::fromStdU16String(LoadResString(IDS_SAVE_AS)),
                                NameFiltersFromResource(LoadResString(filterId)), suffix};
    const std::optional<QString> chosen = m_fileChooser(this, request);
    if (!chosen)
        return false;
    path = chosen->toStdU16String();
    return true;
}

void CSelectOutputFileDlg::OnBrowse() {
    std::u16string path;
    if (BrowseForOutputFile(path))
        m_editOutputFile->setText(QString::fromStdU16String(path));
    UpdateControls();
}

void CSelectOutputFileDlg::OnSelEndOkCodec() {
    FillFormatList(m_cbCodec->currentIndex());
    UpdateControls();
}

void CSelectOutputFileDlg::OnOK() {
    // Built aside and kept only once every check has passed, so that a
    // refused OK leaves no result.
    OutputFileChoice choice;
    if (IsChecked(IDC_RADIO_MP3)) {
        choice.outputKind = OutputKind::Mp3;
        const int position = m_cbBitrate->currentIndex();
        if (position < 0 || position >= static_cast<int>(kBitratesKbps.size())) {
            AfxMessageBox(IDS_SELECT_MP3_BITRATE, MB_OK);
            return;
        }
        choice.mp3Kbps = kBitratesKbps[static_cast<std::size_t>(position)];
        choice.mp3Quality = m_cbQuality->currentIndex();
        choice.mp3Vbr = m_chkVbr->isChecked();
    } else if (IsChecked(IDC_RADIO_WMA)) {
        choice.outputKind = OutputKind::Wma;
        choice.wmaCodecIndex = m_cbCodec->currentIndex();
        if (choice.wmaCodecIndex < 0) {
            AfxMessageBox(IDS_SELECT_WMA_CODEC, MB_OK);
            return;
        }
        choice.wmaFormatIndex = m_cbFormat->currentIndex();
        if (choice.wmaFormatIndex < 0) {
            AfxMessageBox(IDS_SELECT_WMA_FORMAT, MB_OK);
            return;
        }
    }

    choice.outputPath = TrimWhiteSpace(m_editOutputFile->text().toStdU16String());
    if (choice.outputPath.empty()) {
        AfxMessageBox(IDS_SPECIFY_OUTPUT_FILE, MB_OK);
        return;
    }
    m_choice = std::move(choice);
    accept();
}

bool CSelectOutputFileDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
        UpdateControls();
    return QDialog::eventFilter(watched, event);
}

const std::vector<WmaCodecEntry>& CSelectOutputFileDlg::WmaCodecs() const {
    static const std::vector<WmaCodecEntry> kNone;
    return m_encoders.wma ? m_encoders.wmaCodecs : kNone;
}

bool CSelectOutputFileDlg::IsChecked(int id) const {
    auto* radio = m_layout.Get<QRadioButton>(id);
    return radio && radio->isChecked();
}
