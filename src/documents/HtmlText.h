#pragma once
// Walks an (X)HTML body into a ChapterBuilder: what a listener should hear,
// in reading order. Block elements are paragraphs; headings down to the
// chapter level start chapters (when asked to) and are paragraphs as well;
// footnotes, endnotes and their reference marks, page-break markers, asides,
// navigation, scripts, styles and image placeholders are left out (HTML
// semantics, EPUB's epub:type and ARIA role values).

#include "src/documents/ChapterBuilder.h"

#include <functional>
#include <libxml/tree.h>
#include <string_view>

struct HtmlWalk {
    int chapterLevel = 2;
    bool headingsStartChapters = true;
    // Called on reaching an element with an id, before the element's own
    // text: an EPUB's table of contents starts its entries there. At a block
    // element the paragraph before it has been closed; at an inline one
    // (<a id>, <span id>, which some books put on every line) the paragraph
    // runs on, so that ids alone never split a sentence; a chapter started
    // there closes the paragraph itself (StartChapter does). Elements left out
    // report their own id, not those inside them.
    std::function<void(std::string_view id)> onAnchor;
};

// `root` is the document's root element, the body, or the document node
// itself (cast to xmlNode: libxml2's HTML parser may leave several top-level
// nodes). Front and back matter (epub:type cover, titlepage, toc,
// copyright-page, index, colophon, ...; role doc-index, doc-colophon) marks
// the chapters its headings start, and, when met before any text of this
// walk, the chapter being built: a caller walking one file of a book starts
// that file's chapter first (or lets onAnchor start it), or the chapter before
// it would be marked.
void WalkHtml(const xmlNode* root, ChapterBuilder& builder, const HtmlWalk& walk);
