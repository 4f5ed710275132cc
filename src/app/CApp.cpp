#include "src/app/CApp.h"

#include "platform/com/com.h"
#include "src/app/AccessibleApplication.h"
#include "src/app/CAboutDlg.h"
#include "src/app/CMainFrame.h"
#include "src/app/QtMessageService.h"
#include "src/resources/MessageService.h"
#include "src/resources/resource.h"

#include <QApplication>
#include <exception>

namespace {
CApp* g_app = nullptr;
}

CApp* AfxGetApp() {
    return g_app;
}

CMainFrame* AfxGetMainWnd() {
    return g_app ? g_app->m_pMainWnd : nullptr;
}

CApp::CApp() {
    g_app = this;
}

CApp::~CApp() {
    ExitInstance();
    if (g_app == this)
        g_app = nullptr;
}

bool CApp::InitInstance() {
    // Qt's widgets need no registration of control classes. The message
    // service comes first, as start-up may already have something to say; one
    // installed before (a test's) stays.
    if (!GetMessageService()) {
        m_messageService = std::make_unique<QtMessageService>();
        SetMessageService(m_messageService.get());
    }

    InstallAccessibleApplication();

    if (FAILED(OleInitialize(nullptr))) {
        AfxMessageBox(IDP_OLE_INIT_FAILED, MB_OK);
        return false;
    }
    m_oleInitialized = true;

    try {
        m_frame = std::make_unique<CMainFrame>();
    } catch (const std::exception&) {
        // Out of memory, or a voice list the runtimes could not give: no frame.
        return false;
    }
    m_pMainWnd = m_frame.get();
    if (m_messageService)
        m_messageService->SetOwner(m_frame.get());

    if (!m_frame->LoadFrame()) {
        m_pMainWnd = nullptr;
        if (m_messageService)
            m_messageService->SetOwner(nullptr);
        m_frame.reset();
        return false;
    }
    m_frame->show();
    m_frame->update();
    m_frame->setFocus();
    return true;
}

int CApp::Run() {
    const int code = QApplication::exec();
    ExitInstance();
    return code;
}

int CApp::ExitInstance() {
    if (m_messageService) {
        // From here no box can be answered: a worker that raises one while the
        // window goes away gets its answer at once instead of holding up EndJob.
        m_messageService->Shutdown();
        m_messageService->SetOwner(nullptr);
    }
    if (m_frame) {
        m_pMainWnd = nullptr;
        m_frame.reset();
    }
    if (m_messageService && GetMessageService() == m_messageService.get())
        SetMessageService(nullptr);
    if (m_oleInitialized) {
        OleUninitialize();
        m_oleInitialized = false;
    }
    return 0;
}

void CApp::OnAppAbout() {
    CAboutDlg aboutDlg(m_pMainWnd);
    aboutDlg.exec();
}
