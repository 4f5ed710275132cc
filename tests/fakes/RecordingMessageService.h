#pragma once
// A message service for tests: records every box (with its string-table id)
// and every opened address, and answers with a preset button. Installed while the
// object lives.

#include "src/resources/MessageService.h"
#include "src/resources/UserMessage.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

class RecordingMessageService : public MessageService {
public:
    struct Box {
        UINT id; // 0 for a text not from the string table
        std::u16string text;
        std::u16string caption;
        UINT type;
    };

    RecordingMessageService() : m_previous(GetMessageService()) { SetMessageService(this); }
    ~RecordingMessageService() override { SetMessageService(m_previous); }

    int ShowMessageBox(UINT id, const std::u16string& text, const std::u16string& caption,
                       UINT type) override {
        std::function<void(const Box&)> onShow;
        Box box{id, text, caption, type};
        int answer;
        {
            std::lock_guard lock(m_mutex);
            m_boxes.push_back(box);
            onShow = m_onShow;
            answer = m_answer;
        }
        // Outside the lock, so that it may ask the recorder too.
        if (onShow)
            onShow(box);
        return answer;
    }
    void OpenUrl(const std::u16string& url) override {
        std::lock_guard lock(m_mutex);
        m_urls.push_back(url);
    }

    // Called with each box while it is on the screen, on the thread that shows
    // it: what a test sees there is what the user sees with the box open.
    void OnShow(std::function<void(const Box&)> onShow) {
        std::lock_guard lock(m_mutex);
        m_onShow = std::move(onShow);
    }
    void SetAnswer(int answer) {
        std::lock_guard lock(m_mutex);
        m_answer = answer;
    }
    std::vector<Box> Boxes() const {
        std::lock_guard lock(m_mutex);
        return m_boxes;
    }
    std::vector<std::u16string> Urls() const {
        std::lock_guard lock(m_mutex);
        return m_urls;
    }
    // How many boxes showed string `id`.
    int Count(UINT id) const {
        std::lock_guard lock(m_mutex);
        int n = 0;
        for (const auto& b : m_boxes)
            n += b.id == id;
        return n;
    }
    // The ids of all boxes shown so far, in order.
    std::vector<UINT> Ids() const {
        std::lock_guard lock(m_mutex);
        std::vector<UINT> ids;
        for (const auto& b : m_boxes)
            ids.push_back(b.id);
        return ids;
    }
    void Clear() {
        std::lock_guard lock(m_mutex);
        m_boxes.clear();
        m_urls.clear();
    }

private:
    mutable std::mutex m_mutex;
    MessageService* m_previous;
    std::vector<Box> m_boxes;
    std::vector<std::u16string> m_urls;
    std::function<void(const Box&)> m_onShow;
    int m_answer = 1; // IDOK
};

// Shows the message an operation handed back, as the worker does; true when
// the operation succeeded.
inline bool ShowIfFailed(const Result<>& result) {
    if (!result)
        ShowMessage(result.Message());
    return static_cast<bool>(result);
}
