#include "src/app/CMainFrame.h"

#include "src/app/AcceleratorTable.h"
#include "src/app/ArtPainter.h"
#include "src/app/CAboutDlg.h"
#include "src/app/CApp.h"
#include "src/app/CChildView.h"
#include "src/app/CMyDialogBar.h"
#include "src/app/EditorJobText.h"
#include "src/app/LockKeyState.h"
#include "src/app/MenuItemText.h"
#include "src/app/WebPages.h"
#include "src/dialogs/CSelectOutputFileDlg.h"
#include "src/jobs/JobControl.h"
#include "src/resources/IconArt.h"
#include "src/resources/Menus.h"
#include "src/resources/MessageService.h"
#include "src/resources/StringTable.h"
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
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QSlider>
#include <QStatusBar>
#include <QToolBar>
#include <algorithm>

namespace {

QString ResString(UINT id) {
    return QString::fromStdU16String(LoadResString(id));
}

// "prompt\ntooltip": the status bar prompt is the part before the line break.
QString PromptOf(UINT id) {
    return ResString(id).section(u'\n', 0, 0);
}
QString TipOf(UINT id) {
    return ResString(id).section(u'\n', 1, 1);
}

// Fills each "%d" of a format from the string table in turn.
QString FormatInts(QString format, std::initializer_list<int> values) {
    qsizetype from = 0;
    for (int value : values) {
        const qsizetype at = format.indexOf(QStringLiteral("%d"), from);
        if (at < 0)
            break;
        const QString digits = QString::number(value);
        format.replace(at, 2, digits);
        from = at + digits.size();
    }
    return format;
}

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

constexpr int kPaneMessage = 0, kPaneLineColumn = 1, kPaneCaps = 2, kPaneNum = 3, kPaneScroll = 4;

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

bool CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    for (int i = 0; i < 5; ++i) {
        m_wndStatusPanes[i] = new QLabel(bar);
        m_wndStatusPanes[i]->setTextFormat(Qt::PlainText);
    }
    m_wndStatusPanes[kPaneMessage]->setText(ResString(AFX_IDS_IDLEMESSAGE));
    bar->addWidget(m_wndStatusPanes[kPaneMessage], 1);

    QLabel* lineColumn = m_wndStatusPanes[kPaneLineColumn];
    const QScreen* screen = QGuiApplication::primaryScreen();
    lineColumn->setFixedWidth(screen ? screen->geometry().width() / 4 : 200);
    // Announced as it reads: "Line: 1, Col: 50".
    lineColumn->setAccessibleDescription(QStringLiteral("Line and column"));
    bar->addPermanentWidget(lineColumn);

    const UINT indicators[] = {ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};
    for (int i = 0; i < 3; ++i) {
        QLabel* pane = m_wndStatusPanes[kPaneCaps + i];
        const QString text = ResString(indicators[i]);
        pane->setProperty("indicatorText", text);
        pane->setAlignment(Qt::AlignCenter);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(text) +
                              2 * pane->fontMetrics().averageCharWidth());
        bar->addPermanentWidget(pane);
    }
    for (QLabel* pane : m_wndStatusPanes)
        pane->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    m_wndStatusPanes[kPaneMessage]->setFrameStyle(QFrame::NoFrame);
    UpdateIndicators();
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

QLabel* CMainFrame::Pane(int index) const {
    return index >= 0 && index < 5 ? m_wndStatusPanes[index] : nullptr;
}

bool CMainFrame::IsJobRunning() const {
    return m_jobs->IsJobRunning();
}

bool CMainFrame::CanSpeakOrWrite() const {
    return !IsJobRunning() && m_wndView && m_wndView->GetTextLength() > 0;
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

void CMainFrame::UpdateIndicators() {
    if (!m_wndStatusPanes[kPaneCaps])
        return;
    const std::optional<LockKeyState> keys = LockKeyState::Query();
    const bool on[3] = {keys && keys->capsLock, keys && keys->numLock, keys && keys->scrollLock};
    static const QString kLocks[3] = {QStringLiteral("Caps Lock"), QStringLiteral("Num Lock"),
                                      QStringLiteral("Scroll Lock")};
    for (int i = 0; i < 3; ++i) {
        QLabel* pane = m_wndStatusPanes[kPaneCaps + i];
        const QString text = pane->property("indicatorText").toString();
        // Unknown: the text stays, greyed; known: shown only while the lock is on.
        pane->setEnabled(keys.has_value());
        pane->setText(!keys || on[i] ? text : QString());
        // A screen reader hears what the pane tells: whether the lock is on.
        const QString name =
            !keys ? kLocks[i]
                  : kLocks[i] + (on[i] ? QStringLiteral(" on") : QStringLiteral(" off"));
        if (pane->accessibleName() != name)
            pane->setAccessibleName(name);
    }
}

void CMainFrame::UpdateLineColumnPane() {
    if (!m_wndView || !m_wndStatusPanes[kPaneLineColumn])
        return;
    const auto [line, column] = m_wndView->CaretLineAndColumn();
    const auto line16 = static_cast<std::uint16_t>(line);
    const auto column16 = static_cast<std::uint16_t>(column);
    if (line16 == m_lastLine && column16 == m_lastColumn)
        return;
    m_wndStatusPanes[kPaneLineColumn]->setText(
        FormatInts(ResString(IDS_LINE_COLUMN), {line16 + 1, column16 + 1}));
    m_lastLine = line16;
    m_lastColumn = column16;
}

void CMainFrame::StartJob(bool speak, bool selectionOnly) {
    m_jobs->StartJob(speak, selectionOnly);
    ScheduleIdleUpdate();
}

std::size_t CMainFrame::Sapi4VoiceCount() const {
    return m_jobs->Sapi4().VoiceCount();
}

const CSAPI4VoiceInfo& CMainFrame::Sapi4Voice(std::size_t index) const {
    return m_jobs->Sapi4().Voice(index);
}

std::shared_ptr<const JobText> CMainFrame::EditorText() {
    // One copy of the characters; toPlainText would also map every separator
    // here, on the largest text longer than the window may stall.
    return std::make_shared<EditorJobText>(m_wndView->document()->toRawText());
}

bool CMainFrame::SelectionHasText() {
    return m_wndView->SelectionHasText();
}

std::shared_ptr<const JobText> CMainFrame::SelectedText() {
    return std::make_shared<EditorJobText>(m_wndView->textCursor().selectedText());
}

int CMainFrame::VoicePosition() {
    return m_wndDlgBar->m_cbVoice->currentIndex();
}

int CMainFrame::QualityPosition() {
    return m_wndDlgBar->m_cbQuality->currentIndex();
}

int CMainFrame::VolumePosition() {
    return m_wndDlgBar->m_sliderVolume->value();
}

int CMainFrame::SpeedPosition() {
    return m_wndDlgBar->m_sliderSpeed->value();
}

int CMainFrame::PitchPosition() {
    return m_wndDlgBar->m_sliderPitch->value();
}

bool CMainFrame::RunOutputFileDialog(OutputFileChoice& choice) {
    CSelectOutputFileDlg dlg(this, Encoders());
    if (dlg.RunModal() != static_cast<int>(IDOK))
        return false;
    choice = *dlg.Choice();
    return true;
}
