#pragma once
// Running heads, running feet and page numbers: print furniture that a
// listener should not hear on every page.

#include "src/documents/PdfLines.h"

#include <string>
#include <vector>

// Which lines are furniture. A line counts when it sits in its page's top or
// bottom band, is no larger than the body text, and either is a page number,
// or repeats on another page once its numbers are ignored ("Page 3", "Page
// 4"), or names the book or one of its chapters (`titles`, as TitleKey gives
// them: a chapter's name heads its pages). Lines marked in `keep` (the
// headings chapters start at) never count.
std::vector<bool> FindRunningLines(const std::vector<PdfLine>& lines, double bodySize,
                                   const std::vector<std::string>& titles,
                                   const std::vector<bool>& keep);
