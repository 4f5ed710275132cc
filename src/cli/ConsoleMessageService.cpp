#include "src/cli/ConsoleMessageService.h"

#include "platform/com/strings.h"
#include "src/cli/Console.h"
#include "src/resources/resource.h"

ConsoleMessageService::ConsoleMessageService(Console& console, std::string documentName)
    : m_console(console), m_documentName(std::move(documentName)) {}

int ConsoleMessageService::ShowMessageBox(UINT, const std::u16string& text, const std::u16string&,
                                          UINT type) {
    ++m_count;
    const bool question = (type & MB_TYPEMASK) == MB_YESNO;
    m_console.Message(m_documentName + ": " + ToUtf8(text) + (question ? " (answered No)" : ""));
    return question ? IDNO : IDOK;
}

void ConsoleMessageService::OpenUrl(const std::u16string& url) {
    m_console.Message(m_documentName + ": see " + ToUtf8(url));
}
