#!/usr/bin/python3
"""Makes the PDF reader's test documents with cairo (text, outline, metadata)
and qpdf (encryption). The PDFs are committed; run this again only to change
them:  tests/data/documents/make_pdf.py [folder]

The page layout is also importable (bench/documents/make_pdf_book.py uses it)."""

import os
import subprocess
import sys

import cairo

WIDTH, HEIGHT = 420, 360
LEFT, RIGHT = 50, 370
BODY = 11
PITCH = 14
INDENT = 15


class Pages:
    """Lays out headings and paragraphs on A5 pages: running heads, page
    numbers, first-line indents, explicit line breaks ("\\n") where a test
    wants one (a hyphenated word at a line end)."""

    def __init__(self, path, title=None, author=None):
        self.surface = cairo.PDFSurface(path, WIDTH, HEIGHT)
        if title:
            self.surface.set_metadata(cairo.PDF_METADATA_TITLE, title)
        if author:
            self.surface.set_metadata(cairo.PDF_METADATA_AUTHOR, author)
        self.cr = cairo.Context(self.surface)
        self.page = 0
        self.head = None       # running head of the pages that follow
        self.folio = str       # how a page number is printed (None: not at all)
        self.y = None

    def font(self, size, bold=False):
        weight = cairo.FONT_WEIGHT_BOLD if bold else cairo.FONT_WEIGHT_NORMAL
        self.cr.select_font_face("DejaVu Serif", cairo.FONT_SLANT_NORMAL, weight)
        self.cr.set_font_size(size)

    def text(self, x, y, s):
        self.cr.move_to(x, y)
        self.cr.show_text(s)

    def width(self, s):
        return self.cr.text_extents(s).x_advance

    def new_page(self, head=True):
        if self.page:
            self.cr.show_page()
        self.page += 1
        self.y = 80
        if head and self.head:
            self.font(9)
            self.text((WIDTH - self.width(self.head)) / 2, 35, self.head)
        if self.folio:
            self.font(9)
            number = self.folio(self.page)
            self.text((WIDTH - self.width(number)) / 2, HEIGHT - 30, number)

    def heading(self, s, size, outline_parent=None, gap=True):
        """Returns the outline id when outline_parent is given."""
        if self.y is None or self.y > HEIGHT - 120:
            self.new_page()
        if gap:
            self.y += size
        self.font(size, bold=True)
        self.text(LEFT, self.y, s)
        self.y += size + PITCH
        if outline_parent is not None:
            return self.surface.add_outline(outline_parent, s, "page=%d pos=[%d %d]" % (self.page, LEFT, self.y), 0)
        return None

    def paragraph(self, s):
        self.font(BODY)
        lines = []
        for forced in s.split("\n"):
            line = ""
            for word in forced.split():
                trial = (line + " " + word) if line else word
                room = RIGHT - LEFT - (INDENT if not lines else 0)
                if line and self.width(trial) > room:
                    lines.append(line)
                    line = word
                else:
                    line = trial
            lines.append(line)
        for i, line in enumerate(lines):
            if self.y is None or self.y > HEIGHT - 60:
                self.new_page()
                self.font(BODY)
            self.text(LEFT + (INDENT if i == 0 else 0), self.y, line)
            self.y += PITCH

    def centred(self, s, size, y):
        self.font(size, bold=True)
        self.text((WIDTH - self.width(s)) / 2, y, s)

    def finish(self):
        self.surface.finish()


def roman(n):
    return ["i", "ii", "iii", "iv", "v", "vi", "vii", "viii", "ix", "x"][n - 1]


STORM = [
    "The wind rose before dawn and the sea turned the colour of slate. Mara climbed the "
    "ninety steps of the tower with the oil can in one hand and the lamp glass in the "
    "other, counting them as her father had taught her.",
    "At the top she trimmed the wick and looked out. Three ships were running for the "
    "harbour, and the first of them was already past the reef, its sails torn to ribbons "
    "by the gusts that came down from the cliffs without warning.",
    "She had seen storms like this one before, though never so early in the year. The "
    "logbook recorded every one of them in her father's careful hand, each entry an "
    "exam-\nple of patience: the hour, the wind, the ships, the light kept burning until "
    "the morning came and the water lay flat again.",
    "The old Anglo-\nSaxon chronicle on the shelf below spoke of a tower on this rock a "
    "thousand years ago, and of keepers who had tended a fire where the lamp now stood. "
    "Mara liked to think of them at night, when the beam swept the water and the light-\n"
    "house hummed with the turning of its lens. Nobody else remembered them.",
    "By noon the last ship was safe inside the harbour wall. Mara wrote the entry, blew "
    "on the ink and went down the ninety steps to sleep.",
]

CALM = [
    "The calm that followed lasted nine days. The sea lay so still that the gulls sat on "
    "it like corks, and the fishermen rowed out past the reef to lines they had not "
    "dared to set all winter.",
    "Mara painted the gallery rail and mended the shutters. In the evenings she read the "
    "letters her brother sent from the city, which spoke of trams and theatres and "
    "nothing at all about the weather.",
]

RETURN = [
    "Her brother came home in the autumn, thinner than she remembered and quieter. He "
    "stood at the foot of the tower for a long time before he climbed it.",
    "From the gallery they watched the boats come in with the evening tide. Neither of "
    "them spoke until the lamp was lit, and then only to agree that the light was good.",
]


def make_book(path):
    pages = Pages(path, title="The Lighthouse Keeper", author="Ada Lovelace; Charles Babbage")
    pages.folio = roman
    pages.new_page(head=False)
    pages.heading("Contents", 18, cairo.PDF_OUTLINE_ROOT, gap=False)
    for entry in ["Part One", "The Storm", "The Calm", "Part Two", "The Return"]:
        pages.paragraph(entry)
    pages.folio = str
    pages.head = None
    pages.new_page(head=False)
    pages.centred("Part One", 22, 160)
    one = pages.surface.add_outline(cairo.PDF_OUTLINE_ROOT, "Part One", "page=2", 0)
    pages.head = "The Lighthouse Keeper"
    pages.new_page(head=False)
    pages.heading("The Storm", 16, one, gap=False)
    for i, paragraph in enumerate(STORM):
        if i == 2:
            pages.head = "The Storm"
        pages.paragraph(paragraph)
        if i == 0:
            # A footnote at the foot of the page, above its number.
            pages.font(8)
            pages.text(LEFT, HEIGHT - 44, "1 The tower was built in 1791 by the harbour board.")
    pages.head = "The Lighthouse Keeper"
    pages.y = None
    pages.new_page(head=False)
    pages.heading("The Calm", 16, one, gap=False)
    for paragraph in CALM:
        pages.paragraph(paragraph)
    pages.head = None
    pages.new_page(head=False)
    pages.centred("Part Two", 22, 160)
    two = pages.surface.add_outline(cairo.PDF_OUTLINE_ROOT, "Part Two", "page=%d" % pages.page, 0)
    pages.head = "The Lighthouse Keeper"
    pages.new_page(head=False)
    pages.heading("The Return", 16, two, gap=False)
    for paragraph in RETURN:
        pages.paragraph(paragraph)
    pages.paragraph("The End.")
    pages.finish()


def make_headings(path):
    """No outline: chapters come from the headings' font sizes."""
    pages = Pages(path, title="A Field Guide")
    pages.head = "A Field Guide"
    pages.new_page(head=False)
    pages.heading("A Field Guide", 22, gap=False)
    pages.heading("Birds", 16)
    pages.paragraph("Birds are everywhere in the garden if one knows where to look: in the "
                    "hedge, under the eaves, on the lawn after rain.")
    pages.heading("Sparrows", 13)
    pages.paragraph("Sparrows live in noisy flocks and nest in any hole they can find.")
    pages.heading("Insects", 16)
    pages.paragraph("Insects outnumber everything else put together. Beetles alone make up a "
                    "quarter of all the animal species that have been described. Their \ufb01ne "
                    "wings \ufb02y far.")
    pages.finish()


def make_listed(path):
    """Headings in the body's size, and a contents page listing them first."""
    pages = Pages(path, title="Two Walks")
    pages.new_page()
    pages.heading("Contents", BODY, gap=False)
    pages.paragraph("Morning")
    pages.paragraph("Evening")
    for title, text in [("Morning", "The sun came up over the hill as we set out."),
                        ("Evening", "We came home in the dark, tired and happy.")]:
        pages.y = None
        pages.new_page()
        pages.heading(title, BODY, cairo.PDF_OUTLINE_ROOT, gap=False)
        pages.paragraph(text)
    pages.finish()


def make_language(path):
    """The language in XMP metadata, which cairo does not write: a PDF of raw
    objects, one page in a standard font."""
    xmp = (b'<?xpacket begin="" id="W5M0MpCehiHzreSzNTczkc9d"?>'
           b'<x:xmpmeta xmlns:x="adobe:ns:meta/"><rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#">'
           b'<rdf:Description rdf:about="" xmlns:dc="http://purl.org/dc/elements/1.1/">'
           b'<dc:language><rdf:Bag><rdf:li>de-AT</rdf:li></rdf:Bag></dc:language>'
           b'</rdf:Description></rdf:RDF></x:xmpmeta><?xpacket end="w"?>')
    text = b"BT /F1 12 Tf 72 700 Td (Guten Morgen, liebe Leute.) Tj ET"

    def stream(data, keys=b""):
        return b"<< " + keys + b" /Length %d >>\nstream\n" % len(data) + data + b"\nendstream"

    objects = [
        b"<< /Type /Catalog /Pages 2 0 R /Metadata 5 0 R /Lang (de-AT) >>",
        b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] "
        b"/Resources << /Font << /F1 4 0 R >> >> /Contents 6 0 R >>",
        b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
        stream(xmp, b"/Type /Metadata /Subtype /XML"),
        stream(text),
        b"<< /Title (Guten Morgen) >>",
    ]
    out = b"%PDF-1.7\n"
    offsets = []
    for number, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % number + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    out += b"".join(b"%010d 00000 n \n" % offset for offset in offsets)
    out += b"trailer\n<< /Size %d /Root 1 0 R /Info 7 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
    with open(path, "wb") as f:
        f.write(out)


def make_long(path):
    """Enough pages to be read on more than one thread: numbered paragraphs
    in seven chapters, with running heads and page numbers."""
    pages = Pages(path, title="Numbers")
    pages.folio = str
    number = 0
    for chapter in range(1, 8):
        pages.head = None
        pages.y = None
        pages.new_page(head=False)
        pages.heading("Chapter %d" % chapter, 16, cairo.PDF_OUTLINE_ROOT, gap=False)
        pages.head = "Chapter %d" % chapter
        while pages.page < chapter * 10:
            number += 1
            pages.paragraph("This is paragraph %d of the book of numbers, which goes on for a "
                            "while so that it fills a line or two." % number)
    pages.finish()


def make_plain(path):
    """One page, no outline, no headings: a single chapter."""
    pages = Pages(path, title="A Note")
    pages.new_page()
    pages.paragraph("Please water the tomatoes every evening while I am away, and close the "
                    "greenhouse door at night.")
    pages.finish()


def make_scanned(path):
    """Pages that are pictures of text: no text layer."""
    surface = cairo.PDFSurface(path, WIDTH, HEIGHT)
    image = cairo.ImageSurface(cairo.FORMAT_RGB24, 200, 100)
    draw = cairo.Context(image)
    draw.set_source_rgb(1, 1, 1)
    draw.paint()
    draw.set_source_rgb(0, 0, 0)
    for row in range(10, 100, 12):
        draw.rectangle(10, row, 180, 6)
    draw.fill()
    cr = cairo.Context(surface)
    for _ in range(2):
        cr.set_source_surface(image, 50, 80)
        cr.paint()
        cr.show_page()
    surface.finish()


def make_numbers_only(path):
    """Text, but nothing to speak: page numbers alone."""
    pages = Pages(path)
    for _ in range(3):
        pages.new_page()
    pages.finish()


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    pdf = lambda name: os.path.join(folder, name)
    make_book(pdf("book.pdf"))
    # The same book with its pages turned by /Rotate: 90, 180 and 270 degrees.
    subprocess.run(["qpdf", "--rotate=+90:1-3", "--rotate=180:4-5", "--rotate=270:6-7",
                    pdf("book.pdf"), pdf("rotated.pdf")], check=True)
    make_headings(pdf("headings.pdf"))
    make_listed(pdf("listed.pdf"))
    make_long(pdf("long.pdf"))
    make_language(pdf("language.pdf"))
    make_plain(pdf("plain-source.pdf"))
    # An owner password only: anyone may open it, and poppler reads its text.
    subprocess.run(["qpdf", "--encrypt", "", "owner", "256", "--", pdf("plain-source.pdf"),
                    pdf("owner-password.pdf")], check=True)
    subprocess.run(["qpdf", "--encrypt", "user", "owner", "256", "--", pdf("plain-source.pdf"),
                    pdf("password.pdf")], check=True)
    os.remove(pdf("plain-source.pdf"))
    make_scanned(pdf("scanned.pdf"))
    make_numbers_only(pdf("numbers-only.pdf"))
    with open(pdf("book.pdf"), "rb") as whole:
        data = whole.read()
    with open(pdf("truncated.pdf"), "wb") as cut:
        cut.write(data[: len(data) // 3])


if __name__ == "__main__":
    main()
