#include "src/app/CAboutDlg.h"

#include "src/app/ArtPainter.h"
#include "src/dialogs/TemplateLayout.h"
#include "src/resources/DialogTemplates.h"
#include "src/resources/IconArt.h"
#include "src/resources/resource.h"

#include <QLabel>
#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    const DialogTemplate* tmpl = FindDialogTemplate(IDD_ABOUTBOX);
    if (!tmpl)
        return;
    m_layout = std::make_unique<TemplateLayout>(this, *tmpl);
    setWindowTitle(QString::fromUtf16(tmpl->caption));
    setFixedSize(m_layout->Size());

    for (std::size_t i = 0; i < tmpl->controls.size(); ++i) {
        if (tmpl->controls[i].kind != ControlKind::Icon)
            continue;
        auto* icon = qobject_cast<QLabel*>(m_layout->Widgets()[i]);
        const ArtPicture* picture = FindIconPicture(IDR_MAINFRAME);
        if (icon && picture) {
            icon->setPixmap(ArtPainter::Render(*picture, kArtSize, devicePixelRatioF()));
            icon->setAccessibleName(QStringLiteral("Vocalith"));
        }
    }
    if (auto* ok = m_layout->Get<QPushButton>(IDOK))
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

CAboutDlg::~CAboutDlg() = default;

void CAboutDlg::showEvent(QShowEvent* event) {
    // Initialised once per dialog object, when it first appears.
    if (!m_initialised) {
        m_initialised = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

bool CAboutDlg::OnInitDialog() {
    auto* version = m_layout ? m_layout->Get<QLabel>(IDC_VERSION) : nullptr;
    if (version)
        version->setText(version->text() + QStringLiteral(" (Unicode)"));
    return true;
}

QString CAboutDlg::VersionText() const {
    auto* version = m_layout ? m_layout->Get<QLabel>(IDC_VERSION) : nullptr;
    return version ? version->text() : QString();
}
