#pragma once
// A message service for tests: records every box (id found by its text) and
// every opened address, and answers with a preset button. Installed while the
// object lives.

#include "src/resources/MessageService.h"
#include "src/resources/StringTable.h"

#include <mutex>
#include <string>
#include <vector>

class RecordingMessageService : public MessageService {
public:
    struct Box {
        std::u16string text;
        std::u16string caption;
        UINT type;
    };

    RecordingMessageService() : previous_(GetMessageService()) { SetMessageService(this); }
    ~RecordingMessageService() override { SetMessageService(previous_); }

    int ShowMessageBox(const std::u16string& text, const std::u16string& caption,
                       UINT type) override {
        std::lock_guard lock(mutex_);
        boxes_.push_back({text, caption, type});
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
    // How many boxes showed the text of string `id`.
    int Count(UINT id) const {
        std::lock_guard lock(mutex_);
        int n = 0;
        for (const auto& b : boxes_)
            n += b.text == LoadResString(id);
        return n;
    }
    // The ids of all boxes shown so far, in order (0 for a text not in the table).
    std::vector<UINT> Ids() const;
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

inline std::vector<UINT> RecordingMessageService::Ids() const {
    std::lock_guard lock(mutex_);
    std::vector<UINT> ids;
    for (const auto& b : boxes_) {
        UINT found = 0;
        for (UINT id = 100; id < 200 && !found; ++id)
            if (LoadResString(id) == b.text)
                found = id;
        ids.push_back(found);
    }
    return ids;
}
