#include "src/resources/MessageService.h"

#include "src/resources/StringTable.h"
#include "src/resources/resource.h"

#include <atomic>

namespace {
std::atomic<MessageService*> g_service{nullptr};
}

void SetMessageService(MessageService* service) { g_service = service; }
MessageService* GetMessageService() { return g_service; }

int AfxMessageBox(const std::u16string& text, UINT type) {
    if ((type & MB_ICONMASK) == 0)
        type |= (type & MB_TYPEMASK) == MB_YESNO ? MB_ICONQUESTION : MB_ICONWARNING;
    MessageService* service = g_service;
    if (!service) // no user interface: nobody can answer
        return (type & MB_TYPEMASK) == MB_YESNO ? IDNO : static_cast<int>(IDOK);
    return service->ShowMessageBox(text, LoadResString(AFX_IDS_APP_TITLE), type);
}

int AfxMessageBox(UINT stringId, UINT type) { return AfxMessageBox(LoadResString(stringId), type); }
