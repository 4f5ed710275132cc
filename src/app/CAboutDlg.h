#pragma once
// The about box: the program icon and the version line.

#include <QDialog>
#include <memory>

class TemplateLayout;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;

    // The version line as it stands.
    QString VersionText() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool OnInitDialog();

    std::unique_ptr<TemplateLayout> m_layout;
    bool m_initialised = false;
};
