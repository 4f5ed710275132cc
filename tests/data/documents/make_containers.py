#!/usr/bin/env python3
"""Writes the hand-made container documents the reader tests read: EPUBs
whose table of contents points into the middle of a file, whose chapter runs
on into an untitled file, or that have no table of contents; a Word and an
OpenDocument file with revisions, notes and fields; and the damaged ones
(DRM, a truncated archive, a malformed package, a manifest leaving the
container, ...). Run by make.sh after pandoc has written book3.epub."""
import struct
import sys
import zipfile
import zlib


def png():
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
    raw = b''.join(b'\x00' + b'\x1a\x4d\x99' * 8 for _ in range(8))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', 8, 8, 8, 2, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


CONTAINER = '''<?xml version="1.0"?>
<container version="1.0" xmlns="urn:oasis:names:tc:opendocument:xmlns:container">
  <rootfiles><rootfile full-path="OEBPS/content.opf" media-type="application/oebps-package+xml"/></rootfiles>
</container>'''


def xhtml(title, body, lang='en'):
    return f'''<?xml version="1.0" encoding="utf-8"?>
<html xmlns="http://www.w3.org/1999/xhtml" xmlns:epub="http://www.idpf.org/2007/ops" xml:lang="{lang}">
<head><title>{title}</title></head>
<body>{body}</body>
</html>'''


def write(z, path, data, compression=zipfile.ZIP_DEFLATED):
    """An entry dated 1980, so that the files come out the same every time."""
    z.writestr(zipfile.ZipInfo(path), data, compression)


def epub(name, files, container=CONTAINER):
    with zipfile.ZipFile(name, 'w') as z:
        write(z, 'mimetype', 'application/epub+zip', zipfile.ZIP_STORED)
        if container is not None:
            write(z, 'META-INF/container.xml', container)
        for path, data in files.items():
            write(z, path, data)


def opf(metadata, manifest, spine, version='3.0', extra=''):
    return f'''<?xml version="1.0" encoding="utf-8"?>
<package xmlns="http://www.idpf.org/2007/opf" xmlns:opf="http://www.idpf.org/2007/opf" version="{version}" unique-identifier="id">
<metadata xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:identifier id="id">urn:uuid:1</dc:identifier>{metadata}</metadata>
<manifest>{manifest}</manifest>
{spine}
{extra}
</package>'''


def item(id, href, media='application/xhtml+xml', properties=''):
    props = f' properties="{properties}"' if properties else ''
    return f'<item id="{id}" href="{href}" media-type="{media}"{props}/>'


def main():
    # The table of contents points into the middle of a file; a part heading
    # without a link of its own; an entry below the chapter level; the nav in the
    # spine; a non-linear notes file nothing points to; a copyright landmark.
    nav = xhtml('Contents', '''<nav epub:type="toc"><h1>Contents</h1><ol>
    <li><span>Part One</span><ol>
      <li><a href="stories.xhtml#quay">The Quay</a></li>
      <li><a href="stories.xhtml#lantern">The Lantern</a><ol><li><a href="stories.xhtml#boats">The Boats</a></li></ol></li>
    </ol></li></ol></nav>
    <nav epub:type="landmarks"><ol><li><a epub:type="copyright-page" href="rights.xhtml">Copyright</a></li></ol></nav>''')
    stories = xhtml('Stories', '''<h1 id="quay">The Quay</h1><p>Boats rest at the quay in the evening.</p>
    <p>The nets dry on the <span id="mid">wall</span> until dawn.</p>
    <h1 id="lantern">The Lantern</h1><p>A lantern swings above the door.</p>
    <h2 id="boats">The Boats</h2><p>Three boats sail out before the storm.</p>''')
    epub('nav-fragment.epub', {
        'OEBPS/content.opf': opf(
            '<dc:title>Harbour Stories</dc:title><dc:language>de-AT</dc:language>'
            '<dc:creator id="c1">Jonas Weber</dc:creator><meta refines="#c1" property="role">aut</meta>'
            '<dc:creator id="c2">Ada Lind</dc:creator><meta refines="#c2" property="role">ill</meta>',
            item('nav', 'nav.xhtml', properties='nav') + item('stories', 'stories.xhtml') +
            item('notes', 'notes.xhtml') + item('rights', 'rights.xhtml') +
            item('cover', 'cover.png', 'image/png', 'cover-image'),
            '<spine><itemref idref="nav"/><itemref idref="stories"/><itemref idref="notes" linear="no"/>'
            '<itemref idref="rights"/></spine>'),
        'OEBPS/nav.xhtml': nav,
        'OEBPS/stories.xhtml': stories,
        'OEBPS/notes.xhtml': xhtml('Notes', '<p>A note on the harbour.</p>'),
        'OEBPS/rights.xhtml': xhtml('Rights', '<p>All rights reserved.</p>'),
        'OEBPS/cover.png': png(),
    })

    # EPUB 2 with an NCX only: chapter one runs on into an untitled file; chapter
    # two is sloppy HTML (no closing tags, an HTML entity); a guide copyright
    # page; an obfuscated font, which is no DRM.
    ncx = '''<?xml version="1.0" encoding="utf-8"?>
    <ncx xmlns="http://www.daisy.org/z3986/2005/ncx/" version="2005-1"><navMap>
    <navPoint id="p1"><navLabel><text>One</text></navLabel><content src="text/one.xhtml"/></navPoint>
    <navPoint id="p2"><navLabel><text>Two</text></navLabel><content src="text/two.xhtml"/></navPoint>
    </navMap></ncx>'''
    encryption = '''<?xml version="1.0"?>
    <encryption xmlns="urn:oasis:names:tc:opendocument:xmlns:container" xmlns:enc="http://www.w3.org/2001/04/xmlenc#">
    <enc:EncryptedData><enc:EncryptionMethod Algorithm="{algorithm}"/>
    <enc:CipherData><enc:CipherReference URI="{uri}"/></enc:CipherData></enc:EncryptedData>
    </encryption>'''
    continuation = {
        'META-INF/encryption.xml': encryption.format(algorithm='http://www.idpf.org/2008/embedding',
                                                     uri='OEBPS/fonts/serif.otf'),
        'OEBPS/content.opf': opf(
            '<dc:title>The Long Road</dc:title><dc:language>sv</dc:language>'
            '<dc:creator opf:role="aut">Tove Berg</dc:creator><meta name="cover" content="cover-img"/>',
            item('ncx', 'toc.ncx', 'application/x-dtbncx+xml') + item('one', 'text/one.xhtml') +
            item('one-b', 'text/one-b.xhtml') + item('two', 'text/two.xhtml') +
            item('rights', 'text/rights.xhtml') + item('cover-img', 'images/cover.png', 'image/png') +
            item('font', 'fonts/serif.otf', 'application/vnd.ms-opentype'),
            '<spine toc="ncx"><itemref idref="one"/><itemref idref="one-b"/><itemref idref="two"/>'
            '<itemref idref="rights"/></spine>', '2.0',
            '<guide><reference type="copyright-page" title="Rights" href="text/rights.xhtml"/></guide>'),
        'OEBPS/toc.ncx': ncx,
        'OEBPS/text/one.xhtml': xhtml('The Long Road', '<h1>One</h1><p>The road begins at the river.</p>'),
        'OEBPS/text/one-b.xhtml': xhtml('The Long Road', '<p>It climbs into the hills by noon.</p>'),
        'OEBPS/text/two.xhtml': '<html><head><title>Two</title></head><body><h1>Two<p>Night falls&nbsp;early<p>They camp by the lake.</body></html>',
        'OEBPS/text/rights.xhtml': xhtml('Rights', '<p>Printed in Sweden.</p>'),
        'OEBPS/images/cover.png': png(),
        'OEBPS/fonts/serif.otf': b'\x00\x01\x00\x00scrambled',
    }
    epub('continuation.epub', continuation)

    # No table of contents at all: h2 headings, each file titled.
    epub('no-toc.epub', {
        'OEBPS/content.opf': opf(
            '<dc:title>Days</dc:title><dc:language>en</dc:language>',
            item('a', 'a.xhtml') + item('b', 'b.xhtml'),
            '<spine><itemref idref="a"/><itemref idref="b"/></spine>'),
        'OEBPS/a.xhtml': xhtml('Morning', '<h2>Morning</h2><p>The sun rises over the fields.</p>'),
        'OEBPS/b.xhtml': xhtml('Evening', '<h2>Evening</h2><p>The lamps are lit one by one.</p>'),
    })

    # A story whose one entry is named as the book: its text, not a title page.
    story = ' '.join(['The tide came in over the flats and the birds rose with it.'] * 8)
    epub('story.epub', {
        'OEBPS/content.opf': opf(
            '<dc:title>The Tide</dc:title><dc:language>en</dc:language>',
            item('nav', 'nav.xhtml', properties='nav') + item('story', 'story.xhtml'),
            '<spine><itemref idref="story"/></spine>'),
        'OEBPS/nav.xhtml': xhtml('Contents', '<nav epub:type="toc"><ol><li><a href="story.xhtml">'
                                 'The Tide</a></li></ol></nav>'),
        'OEBPS/story.xhtml': xhtml('The Tide', f'<h1>The Tide</h1><p>{story}</p>'),
    })

    # The damaged ones.
    simple_opf = opf('<dc:title>Bad</dc:title>', item('ch', 'ch.xhtml'),
                     '<spine><itemref idref="ch"/></spine>')
    chapter = xhtml('Bad', '<p>Words that must not be read.</p>')
    epub('drm.epub', {
        'META-INF/encryption.xml': encryption.format(algorithm='http://www.w3.org/2001/04/xmlenc#aes128-cbc',
                                                     uri='OEBPS/ch.xhtml'),
        'OEBPS/content.opf': simple_opf, 'OEBPS/ch.xhtml': chapter})
    epub('adept.epub', {
        'META-INF/rights.xml': '<adept:rights xmlns:adept="http://ns.adobe.com/adept"/>',
        'OEBPS/content.opf': simple_opf, 'OEBPS/ch.xhtml': chapter})
    epub('malformed-opf.epub', {'OEBPS/content.opf': simple_opf.replace('</manifest>', ''),
                                'OEBPS/ch.xhtml': chapter})
    epub('escape.epub', {'OEBPS/content.opf': simple_opf.replace('ch.xhtml', '../../etc/passwd'),
                         'OEBPS/ch.xhtml': chapter})
    epub('no-container.epub', {'OEBPS/content.opf': simple_opf, 'OEBPS/ch.xhtml': chapter}, container=None)
    epub('silent.epub', {'OEBPS/content.opf': simple_opf,
                         'OEBPS/ch.xhtml': xhtml('Bad', '<img src="a.png" alt=""/>')})
    # An OpenDocument spreadsheet, an ODT with a password, and a Word file
    # with one (an OLE compound file, as .doc is).
    with zipfile.ZipFile('spreadsheet.ods', 'w') as z:
        write(z, 'mimetype', 'application/vnd.oasis.opendocument.spreadsheet', zipfile.ZIP_STORED)
        write(z, 'content.xml', '<office:document-content/>')
    with zipfile.ZipFile('encrypted.odt', 'w') as z:
        write(z, 'mimetype', 'application/vnd.oasis.opendocument.text', zipfile.ZIP_STORED)
        write(z, 'content.xml', 'scrambled')
        write(z, 'META-INF/manifest.xml',
              '<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0">'
              '<manifest:file-entry manifest:full-path="content.xml"><manifest:encryption-data/>'
              '</manifest:file-entry></manifest:manifest>')
    with open('protected.docx', 'wb') as ole:
        ole.write(b'\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1' + bytes(504))
    with open('book3.epub', 'rb') as whole:
        data = whole.read()
    with open('truncated.epub', 'wb') as part:
        part.write(data[:len(data) * 2 // 3])

    # Word: a title by a localised style's English name, a heading by a custom
    # style's outline level, tracked changes, a field, hidden text, a footnote
    # mark, tabs and breaks.
    W = 'xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"'
    with zipfile.ZipFile('revisions.docx', 'w') as z:
        write(z, '[Content_Types].xml', '''<?xml version="1.0"?>
    <Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">
    <Override PartName="/word/main.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/>
    <Override PartName="/word/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml"/>
    </Types>''')
        write(z, 'word/styles.xml', f'''<?xml version="1.0"?>
    <w:styles {W}><w:docDefaults><w:rPrDefault><w:rPr><w:lang w:val="de-DE"/></w:rPr></w:rPrDefault></w:docDefaults>
    <w:style w:styleId="Kapitel"><w:name w:val="Kapitel"/><w:pPr><w:outlineLvl w:val="0"/></w:pPr></w:style>
    <w:style w:styleId="Titel"><w:name w:val="Title"/></w:style>
<w:style w:styleId="Verzeichnis1"><w:name w:val="toc 1"/></w:style></w:styles>''')
        write(z, 'word/main.xml', f'''<?xml version="1.0"?>
    <w:document {W}><w:body>
<w:p><w:pPr><w:pStyle w:val="Titel"/></w:pPr><w:r><w:t>Die Reise</w:t></w:r></w:p>
    <w:p><w:pPr><w:pStyle w:val="Verzeichnis1"/></w:pPr><w:r><w:t>Erstes Kapitel 1</w:t></w:r></w:p>
    <w:p><w:pPr><w:pStyle w:val="Kapitel"/></w:pPr><w:r><w:t>Erstes Kapitel</w:t></w:r></w:p>
    <w:p><w:r><w:t>Der Zug</w:t></w:r><w:del><w:r><w:delText>DELETED</w:delText></w:r></w:del><w:ins><w:r><w:t xml:space="preserve"> fährt</w:t></w:r></w:ins>
    <w:r><w:tab/><w:t>ab.</w:t></w:r><w:r><w:footnoteReference w:id="1"/></w:r><w:r><w:rPr><w:vanish/></w:rPr><w:t>HIDDEN</w:t></w:r></w:p>
    <w:p><w:r><w:fldChar w:fldCharType="begin"/></w:r><w:r><w:instrText>PAGE \\* MERGEFORMAT</w:instrText></w:r><w:r><w:fldChar w:fldCharType="separate"/></w:r><w:r><w:t>Seite</w:t></w:r><w:r><w:fldChar w:fldCharType="end"/></w:r>
    <w:r><w:br/><w:t>Ende.</w:t></w:r></w:p>
    </w:body></w:document>''')

    # A letter: a title and no headings, all of it text.
    with zipfile.ZipFile('letter.docx', 'w') as z:
        write(z, '[Content_Types].xml', '<Types xmlns="http://schemas.openxmlformats.org/package/'
              '2006/content-types"/>')
        write(z, 'word/document.xml', f'''<w:document {W}><w:body>
<w:p><w:pPr><w:pStyle w:val="Title"/></w:pPr><w:r><w:t>A Letter</w:t></w:r></w:p>
<w:p><w:r><w:t>Dear Elin, the light is yours.</w:t></w:r></w:p></w:body></w:document>''')

    # OpenDocument: a tracked deletion, an annotation, a note, a soft page break,
    # spaces, and an image frame with a caption.
    with zipfile.ZipFile('revisions.odt', 'w') as z:
        write(z, 'mimetype', 'application/vnd.oasis.opendocument.text', zipfile.ZIP_STORED)
        write(z, 'content.xml', '''<?xml version="1.0"?>
    <office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" xmlns:dc="http://purl.org/dc/elements/1.1/">
    <office:body><office:text>
    <text:tracked-changes><text:changed-region text:id="c1"><text:deletion><text:p>DELETED</text:p></text:deletion></text:changed-region></text:tracked-changes>
    <text:h text:outline-level="1">Le Port</text:h>
    <text:p>Les bateaux<text:s text:c="3"/>rentrent<text:change text:change-id="c1"/><office:annotation><dc:creator>X</dc:creator><text:p>ANNOTATION</text:p></office:annotation> au port.<text:note text:note-class="footnote"><text:note-citation>1</text:note-citation><text:note-body><text:p>NOTE</text:p></text:note-body></text:note></text:p>
    <text:soft-page-break/>
    <text:p>Avant<draw:frame><draw:text-box><text:p>Une carte<draw:frame><draw:image/><svg:title>IMAGE</svg:title></draw:frame> du port</text:p></draw:text-box></draw:frame>après.</text:p>
    </office:text></office:body></office:document-content>''')


if __name__ == '__main__':
    if sys.argv[1:] == ['cover']:
        sys.stdout.buffer.write(png())
    else:
        main()
