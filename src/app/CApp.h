#pragma once
// The application object: starts the program, creates its only window and
// handles the About command.

#include <memory>

class CMainFrame;
class QtMessageService;

class CApp {
public:
    CApp();
    ~CApp();
    CApp(const CApp&) = delete;
    CApp& operator=(const CApp&) = delete;

    // Start-up; false when the program may not run, and then no window exists.
    bool InitInstance();
    // Runs the message loop until the window has closed, then ExitInstance().
    int Run();
    // Destroys the window and uninitialises OLE; harmless when repeated.
    int ExitInstance();

    void OnAppAbout();

    CMainFrame* m_pMainWnd = nullptr;

private:
    std::unique_ptr<QtMessageService> m_messageService;
    std::unique_ptr<CMainFrame> m_frame;
    bool m_oleInitialized = false;
};

// The running application and its main window; nullptr when there is none.
CApp* AfxGetApp();
CMainFrame* AfxGetMainWnd();
