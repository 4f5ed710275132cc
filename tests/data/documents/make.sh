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

# Containers: pandoc's EPUB 3 and EPUB 2 (with a cover; a title page and a
# landmarks nav of pandoc's own), Word, OpenDocument and FictionBook (with a
# cover), a zipped FictionBook, a ZIP with a password; then the hand-made and
# damaged ones (make_containers.py). The cover is an 8x8 PNG written there.
python3 make_containers.py cover > cover.png
pandoc -t epub3 --epub-cover-image=cover.png book.md -o book3.epub
pandoc -t epub2 --epub-cover-image=cover.png book.md -o book2.epub
pandoc book.md -o book.docx
pandoc book.md -o book.odt
pandoc -t fb2 --metadata cover-image=cover.png book.md -o book.fb2
rm -f book.fb2.zip password.zip && zip -q book.fb2.zip book.fb2
zip -q -P secret password.zip book.md
rm cover.png
python3 make_containers.py
