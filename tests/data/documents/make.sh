#!/usr/bin/env bash
# Makes the documents the reader tests read, from book.md (the shared test
# book: four chapters, a section inside the second, two footnotes, a
# non-breaking space, an entity and SAPI markup written as text) with the
# tools that write such documents in the wild. Run from anywhere; the outputs
# are committed, so the tests need none of these tools.
set -euo pipefail
cd "$(dirname "$0")"

# HTML: pandoc's standalone page (its title block, endnotes section and note
# references as pandoc writes them). page.html is written by hand.
pandoc -s -t html5 book.md -o book.html
