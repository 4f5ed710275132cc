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
    // Called on reaching an element with an id, after the paragraph before it
    // has been closed and before the element's own text: an EPUB's table of
    // contents starts its entries there.
    std::function<void(std::string_view id)> onAnchor;
};

// `root` is the document's root element (or the body).
void WalkHtml(const xmlNode* root, ChapterBuilder& builder, const HtmlWalk& walk);
