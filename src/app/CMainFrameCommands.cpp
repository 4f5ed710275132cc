// The frame's commands: what each does, when it is greyed out, and the idle
// refresh that keeps menu, toolbar and control bar states current.
#include "src/app/AcceleratorTable.h"
#include "src/app/CAboutDlg.h"
#include "src/app/CApp.h"
#include "src/app/CChildView.h"
#include "src/app/CMainFrame.h"
#include "src/app/CMyDialogBar.h"
#include "src/app/WebPages.h"
#include "src/jobs/JobControl.h"
#include "src/resources/resource.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QStatusBar>
#include <QToolBar>

namespace {

bool IsInputEvent(QEvent::Type type) {
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::FocusIn:
        return true;
    default:
        return false;
    }
}

} // namespace

void CMainFrame::OnTimer() {
    m_wndView->SetReadOnly(IsJobRunning());
    // The tick also wakes the idle refresh, so the window follows the end of
    // a job without any input.
    UpdateCommandUI();
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (PreTranslateMessage(watched, event))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

bool CMainFrame::PreTranslateMessage(QObject* watched, QEvent* event) {
    if (!IsInputEvent(event->type()))
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this)
        return false;
    ScheduleIdleUpdate();
    if (event->type() != QEvent::KeyPress)
        return false;
    static const AcceleratorTable accelerators(IDR_MAINFRAME);
    const UINT id = accelerators.Translate(*static_cast<QKeyEvent*>(event));
    if (id == 0)
        return false;
    OnCommand(id);
    return true;
}

void CMainFrame::ScheduleIdleUpdate() {
    if (m_idleUpdatePending)
        return;
    m_idleUpdatePending = true;
    QTimer::singleShot(0, this, [this] {
        m_idleUpdatePending = false;
        UpdateCommandUI();
    });
}

QAction* CMainFrame::CommandAction(UINT id) const {
    auto it = m_commands.find(id);
    return it == m_commands.end() ? nullptr : it->second;
}

bool CMainFrame::IsCommandEnabled(UINT id) const {
    if (!m_wndView)
        return false;
    switch (id) {
    case ID_FILE_WRITE:
    case ID_FILE_SPEAK:
        return CanSpeakOrWrite();
    case ID_FILE_WRITE_SELECTED:
    case ID_FILE_SPEAK_SELECTED:
    case ID_EDIT_CUT:
    case ID_EDIT_COPY:
        return !IsJobRunning() && m_wndView->SelectionHasText();
    case ID_FILE_STOP:
        return IsJobRunning();
    case ID_EDIT_UNDO:
        return !IsJobRunning() && m_wndView->CanUndo();
    case ID_EDIT_REDO:
        return !IsJobRunning() && m_wndView->CanRedo();
    case ID_EDIT_PASTE:
        return !IsJobRunning() && m_wndView->CanPaste();
    case ID_FILE_DOWNLOAD_VOICES:
    case ID_APP_EXIT:
    case ID_VIEW_TOOLBAR:
    case ID_VIEW_STATUS_BAR:
    case ID_HELP_WEBSITE:
    case ID_APP_ABOUT:
        return true;
    default:
        // Nothing handles the pane keys (F6, Shift+F6) or anything else.
        return false;
    }
}

void CMainFrame::OnCommand(UINT id) {
    if (!IsCommandEnabled(id))
        return;
    if (m_wndView->OnCmdMsg(id)) {
        ScheduleIdleUpdate();
        return;
    }
    switch (id) {
    case ID_FILE_WRITE:
        StartJob(false, false);
        break;
    case ID_FILE_SPEAK:
        StartJob(true, false);
        break;
    case ID_FILE_STOP:
        m_jobs->RequestStop();
        break;
    case ID_FILE_DOWNLOAD_VOICES:
        WebPages::Open(WebPages::VoicesPage());
        break;
    case ID_HELP_WEBSITE:
        WebPages::Open(WebPages::HomePage());
        break;
    case ID_APP_EXIT:
        close();
        break;
    case ID_VIEW_TOOLBAR:
        m_wndToolBar->setVisible(!m_wndToolBar->isVisible());
        break;
    case ID_VIEW_STATUS_BAR:
        statusBar()->setVisible(!statusBar()->isVisible());
        break;
    case ID_APP_ABOUT:
        if (CApp* app = AfxGetApp()) {
            app->OnAppAbout();
        } else {
            CAboutDlg dlg(this);
            dlg.exec();
        }
        break;
    default:
        break;
    }
    ScheduleIdleUpdate();
}

void CMainFrame::UpdateCommandUI() {
    if (m_destroyed || !m_wndView)
        return;
    for (const auto& [id, action] : m_commands)
        action->setEnabled(IsCommandEnabled(id));
    if (QAction* toolbar = CommandAction(ID_VIEW_TOOLBAR))
        toolbar->setChecked(m_wndToolBar && !m_wndToolBar->isHidden());
    if (QAction* status = CommandAction(ID_VIEW_STATUS_BAR))
        status->setChecked(!statusBar()->isHidden());
    if (m_wndDlgBar)
        m_wndDlgBar->OnUpdateCmdUI(CanSpeakOrWrite());
    UpdateIndicators();
}
