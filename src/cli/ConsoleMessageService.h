#pragma once
// The message boxes of a job as lines on standard error, each prefixed by the
// document's name. Nobody is there to answer a question, so every question
// is answered No.

#include "src/resources/MessageService.h"

#include <atomic>
#include <string>

class Console;

class ConsoleMessageService : public MessageService {
public:
    ConsoleMessageService(Console& console, std::string documentName);

    int ShowMessageBox(UINT id, const std::u16string& text, const std::u16string& caption,
                       UINT type) override;
    void OpenUrl(const std::u16string& url) override;

    // Every box stands for a failure: a job that succeeds shows none.
    int MessageCount() const { return m_count.load(); }

private:
    Console& m_console;
    const std::string m_documentName;
    std::atomic<int> m_count{0};
};
