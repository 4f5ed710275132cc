#pragma once
// The message service of the Qt user interface. Boxes are shown on the UI
// thread; a worker thread that asks for one waits until it has been answered.
// A worker is never left waiting for a box that can no longer be shown: after
// Shutdown() (the window is gone) every waiting and later request gets the
// answer a box without a user gives.

#include "src/resources/MessageService.h"

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <condition_variable>
#include <memory>
#include <mutex>

class QtMessageService final : public QObject, public MessageService {
    Q_OBJECT
public:
    // Created on the UI thread, which is where its boxes appear.
    QtMessageService();
    ~QtMessageService() override;

    // The window that owns the boxes; none is fine.
    void SetOwner(QWidget* owner);
    void Shutdown();

    int ShowMessageBox(UINT id, const std::u16string& text, const std::u16string& caption,
                       UINT type) override;
    void OpenUrl(const std::u16string& url) override;

    // What a box of this type answers when nobody can answer it.
    static int UnansweredResult(UINT type);
    // Whether the desktop has a program that opens the address.
    static bool DesktopHasHandlerFor(const QUrl& address);

private:
    struct Shared {
        std::mutex mutex;
        std::condition_variable answered;
        bool closed = false;
    };
    struct Request {
        bool done = false;
        int answer = 0;
    };

    bool OnUiThread() const;
    // Opens the address on the desktop, or says where the page is.
    void Open(const QUrl& address);
    int RunBox(const QString& text, const QString& caption, UINT type);

    std::shared_ptr<Shared> m_shared;
    QPointer<QWidget> m_owner;
};
