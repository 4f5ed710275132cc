#include "src/jobs/WorkerGuard.h"

#include "src/resources/MessageService.h"
#include "src/resources/resource.h"

#include <exception>
#include <new>

void RunGuarded(const std::function<void()>& work) {
    try {
        work();
    } catch (const std::bad_alloc&) {
        AfxMessageBox(IDS_OUT_OF_MEMORY, MB_OK | MB_ICONERROR);
    } catch (...) {
        AfxMessageBox(IDS_UNKNOWN_EXCEPTION, MB_OK | MB_ICONERROR);
    }
}
