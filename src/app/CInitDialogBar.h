#pragma once
// A dialog bar laid out from a dialog template, with a hook that runs right
// after its controls exist, in which a derived bar binds its members.

#include "platform/com/types.h"

#include <QWidget>
#include <memory>

class TemplateLayout;

class CInitDialogBar : public QWidget {
    Q_OBJECT
public:
    explicit CInitDialogBar(QWidget* parent = nullptr);
    ~CInitDialogBar() override;

    // Lays the bar out from the template and runs OnInitBar(); false when the
    // template is missing or the bar cannot be initialised.
    bool Create(QWidget* parent, UINT nIDTemplate);

protected:
    virtual bool OnInitBar();
    // Binds members to the controls; the base binds nothing.
    virtual bool DoDataExchange();

    const TemplateLayout* Layout() const { return m_layout.get(); }

private:
    std::unique_ptr<TemplateLayout> m_layout;
};
