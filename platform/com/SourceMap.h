#pragma once
// Where the characters of a text made from another (markup read, escapes
// undone, tags dropped) came from in that other text, so that a runtime can
// tell its caller a position in the caller's own string. Kept as the few
// points where the correspondence changes, whatever the text's length.

#include <algorithm>
#include <cstddef>
#include <vector>

class SourceMap {
public:
    // The characters from `at` on are copies, one for one, of the source's
    // characters from `source` on.
    void Copied(std::size_t at, std::size_t source) { Mark({at, source, true}); }
    // The characters from `at` on were written for the source's character at
    // `source`: markup or an escape standing for it.
    void WrittenFor(std::size_t at, std::size_t source) { Mark({at, source, false}); }

    // The source position of the character at `at`; 0 before the first mark.
    std::size_t SourceOf(std::size_t at) const {
        auto after = std::upper_bound(m_points.begin(), m_points.end(), at,
                                      [](std::size_t a, const Point& p) { return a < p.at; });
        if (after == m_points.begin())
            return 0;
        const Point& p = *(after - 1);
        return p.copied ? p.source + (at - p.at) : p.source;
    }

private:
    struct Point {
        std::size_t at;
        std::size_t source;
        bool copied;
    };

    void Mark(const Point& point) {
        if (!m_points.empty()) {
            Point& last = m_points.back();
            if (last.copied == point.copied &&
                (point.copied ? last.source + (point.at - last.at) : last.source) == point.source)
                return;
            if (last.at == point.at) {
                last = point;
                return;
            }
        }
        m_points.push_back(point);
    }

    std::vector<Point> m_points;
};
