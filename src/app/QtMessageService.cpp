#include "src/app/QtMessageService.h"

#include "src/app/ResString.h"
#include "src/resources/resource.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>

QtMessageService::QtMessageService() : m_shared(std::make_shared<Shared>()) {}

QtMessageService::~QtMessageService() {
    Shutdown();
}

void QtMessageService::SetOwner(QWidget* owner) {
    m_owner = owner;
}

void QtMessageService::Shutdown() {
    std::lock_guard lock(m_shared->mutex);
    m_shared->closed = true;
    m_shared->answered.notify_all();
}

int QtMessageService::UnansweredResult(UINT type) {
    return (type & MB_TYPEMASK) == MB_YESNO ? IDNO : static_cast<int>(IDOK);
}

bool QtMessageService::OnUiThread() const {
    return QThread::currentThread() == thread();
}

int QtMessageService::ShowMessageBox(UINT, const std::u16string& text,
                                     const std::u16string& caption, UINT type) {
    const QString qtext = QString::fromStdU16String(text);
    const QString qcaption = QString::fromStdU16String(caption);
    // Copies: the waiting below must not depend on this object, which the
    // program may destroy while a given-up worker still waits.
    const std::shared_ptr<Shared> shared = m_shared;
    {
        std::lock_guard lock(shared->mutex);
        if (shared->closed || !QCoreApplication::instance())
            return UnansweredResult(type);
    }
    if (OnUiThread())
        return RunBox(qtext, qcaption, type);

    auto request = std::make_shared<Request>();
    // Queued to this object: if it is gone before the UI thread gets there,
    // the call is dropped and Shutdown has already woken the worker.
    QMetaObject::invokeMethod(
        this,
        [this, shared, request, qtext, qcaption, type] {
            {
                std::lock_guard lock(shared->mutex);
                if (shared->closed)
                    return;
            }
            const int answer = RunBox(qtext, qcaption, type);
            std::lock_guard lock(shared->mutex);
            request->answer = answer;
            request->done = true;
            shared->answered.notify_all();
        },
        Qt::QueuedConnection);

    std::unique_lock lock(shared->mutex);
    shared->answered.wait(lock, [&] { return request->done || shared->closed; });
    return request->done ? request->answer : UnansweredResult(type);
}

int QtMessageService::RunBox(const QString& text, const QString& caption, UINT type) {
    QWidget* owner = m_owner && m_owner->isVisible() ? m_owner.data() : nullptr;
    QMessageBox box(owner);
    box.setWindowTitle(caption);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    switch (type & MB_ICONMASK) {
    case MB_ICONERROR:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONWARNING:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    if ((type & MB_TYPEMASK) == MB_YESNO) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton((type & MB_DEFBUTTON2) ? QMessageBox::No : QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    const int pressed = box.exec();
    if ((type & MB_TYPEMASK) == MB_YESNO)
        return pressed == QMessageBox::Yes ? IDYES : IDNO;
    return static_cast<int>(IDOK);
}

void QtMessageService::OpenUrl(const std::u16string& url) {
    const QUrl address(QString::fromStdU16String(url));
    if (OnUiThread()) {
        Open(address);
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, address] { Open(address); }, Qt::QueuedConnection);
}

void QtMessageService::Open(const QUrl& address) {
    if (DesktopHasHandlerFor(address) && QDesktopServices::openUrl(address))
        return;
    // Nothing on this desktop opens it: say where the page is, so that it can
    // still be read.
    const QString where = address.isLocalFile() ? address.toLocalFile() : address.toString();
    RunBox(QStringLiteral("No program on this desktop opens the page. It is at:\n%1").arg(where),
           ResString(AFX_IDS_APP_TITLE), MB_OK | MB_ICONINFORMATION);
}

bool QtMessageService::DesktopHasHandlerFor(const QUrl& address) {
    // xdg-open starts without complaint and then finds nothing to run when
    // the desktop has no program for the page; ask its database first. It
    // falls back to $BROWSER and Debian's browser alternatives.
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty())
        return false;
    if (!qEnvironmentVariableIsEmpty("BROWSER") ||
        !QStandardPaths::findExecutable(QStringLiteral("x-www-browser")).isEmpty() ||
        !QStandardPaths::findExecutable(QStringLiteral("www-browser")).isEmpty())
        return true;
    const QString type = address.isLocalFile()
                             ? QMimeDatabase().mimeTypeForUrl(address).name()
                             : QStringLiteral("x-scheme-handler/") + address.scheme();
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), type});
    if (!query.waitForFinished(3000)) {
        query.kill();
        query.waitForFinished();
        return true; // no answer in time: let xdg-open try
    }
    return !query.readAllStandardOutput().trimmed().isEmpty();
}
