// The frame's making and unmaking: the program state it holds for the run,
// the window parts and their layout, and closing during a job.
#include "src/app/CMainFrame.h"

#include "src/app/ArtPainter.h"
#include "src/app/CChildView.h"
#include "src/app/CMyDialogBar.h"
#include "src/app/MenuItemText.h"
#include "src/app/ResString.h"
#include "src/app/WebPages.h"
#include "src/jobs/JobControl.h"
#include "src/resources/IconArt.h"
#include "src/resources/Menus.h"
#include "src/resources/MessageService.h"
#include "src/resources/ToolbarArt.h"
#include "src/resources/resource.h"
#include "src/speech/AudioFormatTable.h"
#include "src/speech/Sapi4Engine.h"
#include "src/speech/Sapi5Engine.h"
#include "src/speech/VoiceCatalogue.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QMenuBar>
#include <QScreen>
#include <QSlider>
#include <QToolBar>
#include <algorithm>

namespace {

// "prompt\ntooltip": the status bar prompt is the part before the line break.
QString PromptOf(UINT id) {
    return ResString(id).section(u'\n', 0, 0);
}
QString TipOf(UINT id) {
    return ResString(id).section(u'\n', 1, 1);
}

} // namespace

CMainFrame::CMainFrame() {
    if (const ArtPicture* icon = FindIconPicture(IDR_MAINFRAME))
        m_hIcon = ArtPainter::Icon(*icon);
    // The catalogue: SAPI 4 voices first, then SAPI 5 voices.
    auto sapi4 = std::make_unique<Sapi4Engine>();
    auto sapi5 = std::make_unique<Sapi5Engine>();
    m_jobs = std::make_unique<JobControl>(*this, std::move(sapi4), std::move(sapi5));
    m_timer1.setInterval(kTimerPeriodMs);
    connect(&m_timer1, &QTimer::timeout, this, [this] { OnTimer(); });
}

CMainFrame::~CMainFrame() {
    OnDestroy();
}

bool CMainFrame::LoadFrame() {
    setWindowTitle(ResString(IDR_MAINFRAME));
    if (!CreateMenuBar())
        return false;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        resize(available.width() * 3 / 4, available.height() * 3 / 4);
    }
    qApp->installEventFilter(this);
    return OnCreate();
}

bool CMainFrame::CreateMenuBar() {
    const MenuTemplate* menu = FindMenuTemplate(IDR_MAINFRAME);
    if (!menu)
        return false;
    for (const MenuPopup& popup : menu->popups) {
        QMenu* qmenu = menuBar()->addMenu(QString::fromUtf16(popup.text));
        connect(qmenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
        for (const MenuItem& item : popup.items) {
            if (item.id == 0) {
                qmenu->addSeparator();
                continue;
            }
            const UINT id = item.id;
            auto* action = new QAction(this);
            ApplyMenuItemText(*action, QString::fromUtf16(item.text));
            action->setStatusTip(PromptOf(id));
            if (!TipOf(id).isEmpty()) {
                action->setToolTip(TipOf(id));
                action->setIconText(TipOf(id));
            }
            if (const ArtPicture* picture = FindToolbarPicture(id))
                action->setIcon(ArtPainter::Icon(*picture));
            if (id == ID_VIEW_TOOLBAR || id == ID_VIEW_STATUS_BAR)
                action->setCheckable(true);
            connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
            m_commands[id] = action;
            qmenu->addAction(action);
        }
    }
    return true;
}

bool CMainFrame::OnCreate() {
    // The editor fills the client area.
    m_wndView = new CChildView(this);
    setCentralWidget(m_wndView);
    setFocusProxy(m_wndView);

    if (!CreateToolBar())
        return false;

    m_wndDlgBar = new CMyDialogBar(this);
    if (!m_wndDlgBar->Create(this, IDD_CONTROLBAR))
        return false;

    // The rebar: one movable band with a gripper, under the toolbar.
    m_wndReBar = new QToolBar(QStringLiteral("Voice"), this);
    m_wndReBar->setObjectName(QStringLiteral("ReBar"));
    m_wndReBar->setMovable(true);
    m_wndReBar->setFloatable(false);
    m_wndReBar->setAllowedAreas(Qt::TopToolBarArea);
    m_wndReBar->addWidget(m_wndDlgBar);
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, m_wndReBar);

    if (!CreateStatusBar())
        return false;

    m_timer1.start();

    m_jobs->CreateStopEvent();

    if (m_jobs->Sapi4().VoiceCount() < 1 && m_jobs->Sapi5().VoiceCount() < 1) {
        AfxMessageBox(IDS_NO_VOICES, MB_OK);
        WebPages::Open(WebPages::HomePage());
        return false;
    }

    FillVoiceList();
    m_wndDlgBar->m_cbQuality->clear();
    for (int i = 0; i < AudioFormatTable::kCount; ++i)
        m_wndDlgBar->m_cbQuality->addItem(QString::fromUtf16(AudioFormatTable::Row(i).name));

    m_wndDlgBar->m_sliderVolume->setRange(0, 100);
    m_wndDlgBar->m_sliderSpeed->setRange(-10, 10);
    m_wndDlgBar->m_sliderPitch->setRange(-10, 10);

    m_wndDlgBar->m_cbVoice->setCurrentIndex(0);
    m_wndDlgBar->m_cbQuality->setCurrentIndex(AudioFormatTable::kDefaultIndex);
    m_wndDlgBar->m_sliderVolume->setValue(100);
    m_wndDlgBar->m_sliderSpeed->setValue(0);
    m_wndDlgBar->m_sliderPitch->setValue(0);

    setWindowIcon(m_hIcon);

    m_wndView->SetUndoLimit(kUndoLimit);
    m_wndView->SetLimitText(kTextLimit);

    // Both quietly: without them the output dialog simply does not offer MP3 or WMA.
    if (!m_mp3.loadLibrary())
        m_mp3.unloadLibrary();
    if (!m_wma.enumerate())
        m_wma.close();

    UpdateCommandUI();
    // Never so narrow that the control bar's sliders and buttons are cut off.
    const QSize least = minimumSizeHint();
    setMinimumSize(std::max(least.width(), m_wndReBar->sizeHint().width()), least.height());
    return true;
}

bool CMainFrame::CreateToolBar() {
    m_wndToolBar = new QToolBar(QStringLiteral("Toolbar"), this);
    m_wndToolBar->setObjectName(QStringLiteral("ToolBar"));
    m_wndToolBar->setMovable(false);
    m_wndToolBar->setFloatable(false);
    m_wndToolBar->setIconSize(QSize(kArtSize, kArtSize));
    m_wndToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (UINT id : ToolbarButtons()) {
        if (id == 0) {
            m_wndToolBar->addSeparator();
            continue;
        }
        QAction* action = CommandAction(id);
        if (!action)
            return false;
        m_wndToolBar->addAction(action);
    }
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
    return true;
}

void CMainFrame::FillVoiceList() {
    QComboBox* voices = m_wndDlgBar->m_cbVoice;
    voices->clear();
    const VoiceCatalogue catalogue(m_jobs->Sapi4(), m_jobs->Sapi5());
    for (std::size_t p = 0; p < catalogue.Count(); ++p)
        voices->addItem(QString::fromStdU16String(catalogue.DisplayString(static_cast<int>(p))));
}

void CMainFrame::OnDestroy() {
    if (m_destroyed)
        return;
    m_destroyed = true;
    qApp->removeEventFilter(this);
    m_timer1.stop();
    m_jobs->EndJob();
    m_mp3.unloadLibrary();
    m_wma.close();
    m_jobs->CloseStopEvent();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (IsJobRunning() &&
        AfxMessageBox(IDS_CANCEL_PROCESSING, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
        event->ignore();
        return;
    }
    m_jobs->EndJob();
    event->accept();
}
