#include "src/resources/MessageService.h"

#include "src/resources/StringTable.h"
#include "src/resources/UserMessage.h"
#include "src/resources/resource.h"

#include <condition_variable>
#include <mutex>

namespace {

// The service in use and the number of boxes being shown through it. A worker
// that was given up may raise a box while the program replaces or removes
// the service, so replacing it waits until no call still uses the old one.
struct Installed {
    std::mutex mutex;
    std::condition_variable idle;
    MessageService* service = nullptr;
    int callsInFlight = 0;
};

// Never destroyed: a given-up worker may still raise a box while the
// process exits.
Installed& InstalledService() {
    static auto* i = new Installed;
    return *i;
}

int ShowBox(UINT id, const std::u16string& text, UINT type) {
    if ((type & MB_ICONMASK) == 0)
        type |= (type & MB_TYPEMASK) == MB_YESNO ? MB_ICONQUESTION : MB_ICONWARNING;
    // Holds the service for the length of one box.
    struct InUse {
        Installed& i = InstalledService();
        MessageService* service;
        InUse() {
            std::lock_guard lock(i.mutex);
            service = i.service;
            if (service)
                ++i.callsInFlight;
        }
        ~InUse() {
            if (!service)
                return;
            {
                std::lock_guard lock(i.mutex);
                --i.callsInFlight;
            }
            i.idle.notify_all();
        }
    } use;
    if (!use.service) // no user interface: nobody can answer
        return (type & MB_TYPEMASK) == MB_YESNO ? IDNO : static_cast<int>(IDOK);
    return use.service->ShowMessageBox(id, text, LoadResString(AFX_IDS_APP_TITLE), type);
}

} // namespace

void SetMessageService(MessageService* service) {
    Installed& i = InstalledService();
    std::unique_lock lock(i.mutex);
    i.service = service;
    i.idle.wait(lock, [&] { return i.callsInFlight == 0; });
}

MessageService* GetMessageService() {
    std::lock_guard lock(InstalledService().mutex);
    return InstalledService().service;
}

int AfxMessageBox(const std::u16string& text, UINT type) {
    return ShowBox(0, text, type);
}

int AfxMessageBox(UINT stringId, UINT type) {
    return ShowBox(stringId, LoadResString(stringId), type);
}

int ShowMessage(const UserMessage& message) {
    if (message.id == 0)
        return IDOK;
    return AfxMessageBox(message.id, message.type);
}
