#pragma once
// The notification sinks registered with one engine. Notifications are
// posted to the message queue of the thread that handed the engine its text
// and reach the sinks that are still registered when that thread dispatches
// them; a sink unregistered in between hears nothing more.

#include "platform/sapi4/sapi4.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

class NotifySinkList {
public:
    NotifySinkList() = default;
    ~NotifySinkList();
    NotifySinkList(const NotifySinkList&) = delete;
    NotifySinkList& operator=(const NotifySinkList&) = delete;

    // Holds a reference to the sink; gives its key, never 0.
    DWORD Add(ITTSNotifySinkW* sink);
    bool Remove(DWORD key);
    // Delivers `call` to every registered sink on thread `threadId`, once it
    // dispatches its messages. False when that thread has no message queue.
    static bool Post(const std::shared_ptr<NotifySinkList>& list, DWORD threadId,
                     std::function<void(ITTSNotifySinkW*)> call);

private:
    std::vector<ITTSNotifySinkW*> Snapshot();

    std::mutex m_mutex;
    std::map<DWORD, ITTSNotifySinkW*> m_sinks;
    DWORD m_nextKey = 1;
};
