#pragma once
// A message service for tests: records every box (with its string-table id)
// and every opened address, and answers with a preset button. Installed while the
// object lives.

#include "src/resources/MessageService.h"
#include "src/resources/UserMessage.h"

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

    RecordingMessageService() : previous_(GetMessageService()) { SetMessageService(this); }
    ~RecordingMessageService() override { SetMessageService(previous_); }

    int ShowMessageBox(UINT id, const std::u16string& text, const std::u16string& caption,
                       UINT type) override {
        std::lock_guard lock(mutex_);
        boxes_.push_back({id, text, caption, type});
        return answer_;
    }
    void OpenUrl(const std::u16string& url) override {
        std::lock_guard lock(mutex_);
        urls_.push_back(url);
    }

    void SetAnswer(int answer) {
        std::lock_guard lock(mutex_);
        answer_ = answer;
    }
    std::vector<Box> Boxes() const {
        std::lock_guard lock(mutex_);
        return boxes_;
    }
    std::vector<std::u16string> Urls() const {
        std::lock_guard lock(mutex_);
        return urls_;
    }
    // How many boxes showed string `id`.
    int Count(UINT id) const {
        std::lock_guard lock(mutex_);
        int n = 0;
        for (const auto& b : boxes_)
            n += b.id == id;
        return n;
    }
    // The ids of all boxes shown so far, in order.
    std::vector<UINT> Ids() const {
        std::lock_guard lock(mutex_);
        std::vector<UINT> ids;
        for (const auto& b : boxes_)
            ids.push_back(b.id);
        return ids;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        boxes_.clear();
        urls_.clear();
    }

private:
    mutable std::mutex mutex_;
    MessageService* previous_;
    std::vector<Box> boxes_;
    std::vector<std::u16string> urls_;
    int answer_ = 1; // IDOK
};

// Shows the message an operation handed back, as the worker does; true when
// the operation succeeded.
inline bool ShowIfFailed(const Result<>& result) {
    if (!result)
        ShowMessage(result.Message());
    return static_cast<bool>(result);
}
