#include "platform/sapi4/NotifySinkList.h"

#include "platform/sync/sync.h"

NotifySinkList::~NotifySinkList() {
    for (auto& [key, sink] : m_sinks)
        sink->Release();
}

DWORD NotifySinkList::Add(ITTSNotifySinkW* sink) {
    sink->AddRef();
    std::lock_guard lock(m_mutex);
    const DWORD key = m_nextKey++;
    if (m_nextKey == 0)
        m_nextKey = 1;
    m_sinks[key] = sink;
    return key;
}

bool NotifySinkList::Remove(DWORD key) {
    ITTSNotifySinkW* sink = nullptr;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_sinks.find(key);
        if (it == m_sinks.end())
            return false;
        sink = it->second;
        m_sinks.erase(it);
    }
    sink->Release();
    return true;
}

std::vector<ITTSNotifySinkW*> NotifySinkList::Snapshot() {
    std::lock_guard lock(m_mutex);
    std::vector<ITTSNotifySinkW*> sinks;
    for (auto& [key, sink] : m_sinks) {
        sink->AddRef();
        sinks.push_back(sink);
    }
    return sinks;
}

bool NotifySinkList::Post(const std::shared_ptr<NotifySinkList>& list, DWORD threadId,
                          std::function<void(ITTSNotifySinkW*)> call) {
    return PostThreadTask(threadId, [list, call = std::move(call)] {
        // A sink may unregister itself from within the call: work on a copy.
        for (ITTSNotifySinkW* sink : list->Snapshot()) {
            call(sink);
            sink->Release();
        }
    });
}
