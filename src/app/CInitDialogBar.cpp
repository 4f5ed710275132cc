#include "src/app/CInitDialogBar.h"

#include "src/dialogs/TemplateLayout.h"
#include "src/resources/DialogTemplates.h"

CInitDialogBar::CInitDialogBar(QWidget* parent) : QWidget(parent) {}

CInitDialogBar::~CInitDialogBar() = default;

bool CInitDialogBar::Create(QWidget* parent, UINT nIDTemplate) {
    const DialogTemplate* tmpl = FindDialogTemplate(nIDTemplate);
    if (!tmpl)
        return false;
    setParent(parent);
    m_layout = std::make_unique<TemplateLayout>(this, *tmpl);
    setFixedSize(m_layout->Size());
    return OnInitBar();
}

bool CInitDialogBar::OnInitBar() {
    return DoDataExchange();
}

bool CInitDialogBar::DoDataExchange() {
    return true;
}
