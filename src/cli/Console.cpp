#include "src/cli/Console.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace {

void Write(const std::string& text) {
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        ssize_t written = ::write(STDERR_FILENO, data, left);
        if (written <= 0)
            return; // nowhere left to report to
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

// A progress line that wrapped would throw the redrawing off by a line.
std::string FittedToTerminal(const std::string& line) {
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col < 2 ||
        line.size() < size.ws_col)
        return line;
    std::size_t cut = size.ws_col - 1u;
    while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
        --cut; // not inside a UTF-8 sequence
    return line.substr(0, cut);
}

} // namespace

Console::Console(bool showProgress) : m_showProgress(showProgress) {}

void Console::Message(const std::string& line) {
    std::lock_guard lock(m_mutex);
    EraseBlock();
    Write(line + "\n");
    DrawBlock();
}

void Console::Progress(const std::vector<std::string>& lines) {
    if (!m_showProgress)
        return;
    std::lock_guard lock(m_mutex);
    EraseBlock();
    m_block = lines;
    DrawBlock();
}

void Console::EndProgress() {
    std::lock_guard lock(m_mutex);
    m_block.clear();
    m_drawnLines = 0;
}

void Console::EraseBlock() {
    if (m_drawnLines > 0) // to the start of the block's first line, then clear below
        Write("\x1b[" + std::to_string(m_drawnLines) + "F\x1b[J");
    m_drawnLines = 0;
}

void Console::DrawBlock() {
    std::string text;
    for (const std::string& line : m_block)
        text += FittedToTerminal(line) + "\n";
    Write(text);
    m_drawnLines = m_block.size();
}
