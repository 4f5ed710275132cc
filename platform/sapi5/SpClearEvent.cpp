// The SDK routine the voice's clients free their events with, beside the
// interfaces: a client of the voice needs no runtime to call it.

#include "platform/com/com.h"
#include "platform/sapi5/sapi5.h"

void SpClearEvent(SPEVENT* event) {
    if (!event)
        return;
    if (event->elParamType == SPET_LPARAM_IS_STRING)
        CoTaskMemFree(reinterpret_cast<void*>(event->lParam));
    *event = SPEVENT{};
}
