#!/usr/bin/python3
"""Writes a PDF book laid out as the PDF reader's test documents are (running
heads, page numbers, an outline):

    make_pdf_book.py SOURCE.md OUT.pdf   # a Markdown book: "% title", "% author", "# chapter", paragraphs
    make_pdf_book.py OUT.pdf [CHARS]     # generated prose, 1 MB by default, in parts and chapters"""

import os
import random
import sys

try:
    import cairo  # noqa: F401
except ImportError:
    # python3-cairo is Debian's: a python3 of another installation runs this
    # script again with the system's.
    if os.path.realpath(sys.executable) != os.path.realpath("/usr/bin/python3"):
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    raise

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "data", "documents"))
import make_pdf  # noqa: E402

WORDS = ("the sea wind light tower keeper harbour ship stone night morning lamp water rock "
         "gull boat rope door stair glass oil winter summer island coast reef tide cloud "
         "rain storm calm brother sister letter city road field bird tree garden house "
         "walked watched climbed waited counted mended painted wrote read slept spoke "
         "slowly quietly always never before after under over beyond beside towards "
         "remarkable ordinary distant careful patient tired bright heavy narrow").split()


def sentence(rng):
    words = [rng.choice(WORDS) for _ in range(rng.randint(6, 18))]
    return " ".join(words).capitalize() + rng.choice([".", ".", ".", "?", "!"])


def from_markdown(source, out):
    with open(source) as f:
        text = f.read()
    meta = [line[1:].strip() for line in text.splitlines() if line.startswith("%")]
    title = meta[0] if meta else None
    pages = make_pdf.Pages(out, title=title, author=meta[1] if len(meta) > 1 else None)
    pages.folio = str
    for block in text.split("\n\n"):
        block = block.strip()
        if not block or block.startswith("%"):
            continue
        if block.startswith("# "):
            heading = block[2:].strip()
            pages.head = title
            pages.y = None
            pages.new_page(head=False)
            pages.heading(heading, 16, make_pdf.cairo.PDF_OUTLINE_ROOT, gap=False)
            pages.head = heading
        else:
            pages.paragraph(" ".join(block.split()))
    pages.finish()


def main():
    if len(sys.argv) > 2 and sys.argv[1].endswith(".md"):
        from_markdown(sys.argv[1], sys.argv[2])
        return
    out = sys.argv[1]
    target = int(sys.argv[2]) if len(sys.argv) > 2 else 1_000_000
    rng = random.Random(7)
    pages = make_pdf.Pages(out, title="A Generated Book", author="Nobody")
    pages.folio = str
    written = 0
    part = None
    chapter = 0
    while written < target:
        if chapter % 10 == 0:
            pages.head = None
            pages.new_page(head=False)
            title = "Part %d" % (chapter // 10 + 1)
            pages.centred(title, 22, 160)
            part = pages.surface.add_outline(make_pdf.cairo.PDF_OUTLINE_ROOT, title, "page=%d" % pages.page, 0)
        chapter += 1
        title = "Chapter %d" % chapter
        pages.head = "A Generated Book"
        pages.y = None
        pages.new_page(head=False)
        pages.heading(title, 16, part, gap=False)
        pages.head = title
        for _ in range(12):
            text = " ".join(sentence(rng) for _ in range(rng.randint(2, 7)))
            pages.paragraph(text)
            written += len(text)
    pages.finish()


if __name__ == "__main__":
    main()
