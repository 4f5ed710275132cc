#pragma once
// Standard error of vocalith-cli: messages, each on a line of its own, and on
// a terminal a block of progress lines under them that is redrawn in place.
// Messages may come from worker threads.

#include <mutex>
#include <string>
#include <vector>

class Console {
public:
    // `showProgress`: standard error is a terminal and progress was not turned off.
    explicit Console(bool showProgress);
    bool ShowsProgress() const { return m_showProgress; }

    void Message(const std::string& line);
    // Replaces the progress block; ignored when progress is not shown.
    void Progress(const std::vector<std::string>& lines);
    // Leaves the last progress block on screen as it is.
    void EndProgress();

private:
    void EraseBlock();
    void DrawBlock();

    const bool m_showProgress;
    std::mutex m_mutex;
    std::vector<std::string> m_block;
    std::size_t m_drawnLines = 0;
};
