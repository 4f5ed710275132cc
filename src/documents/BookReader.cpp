#include "src/documents/BookReader.h"

#include "src/documents/Readers.h"
#include "src/documents/ZipArchive.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace {

constexpr std::size_t kSniffBytes = 64 * 1024;

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::ranges::transform(lower, lower.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string Extension(std::string_view name) {
    const auto slash = name.find_last_of('/');
    const std::string_view base = slash == std::string_view::npos ? name : name.substr(slash + 1);
    const auto dot = base.rfind('.');
    return dot == std::string_view::npos || dot == 0 ? std::string() : Lower(base.substr(dot + 1));
}

struct Signature {
    std::string_view magic;
    std::size_t offset;
    const char* looksLike;
};

// What people mistake for a document most often, by the bytes it starts with.
constexpr std::array kSignatures = {
    Signature{"\x89PNG", 0, "a PNG image"},
    Signature{"\xFF\xD8\xFF", 0, "a JPEG image"},
    Signature{"GIF8", 0, "a GIF image"},
    Signature{"RIFF", 0, "a RIFF file (WAV audio or AVI video)"},
    Signature{"ID3", 0, "an MP3 audio file"},
    Signature{"OggS", 0, "an Ogg audio file"},
    Signature{"fLaC", 0, "a FLAC audio file"},
    Signature{"ftyp", 4, "an MP4 audio or video file"},
    Signature{"\x30\x26\xB2\x75", 0, "a Windows Media (ASF) file"},
    Signature{"\x1F\x8B", 0, "gzip-compressed data"},
    Signature{"BZh", 0, "bzip2-compressed data"},
    Signature{"\xFD"
              "7zXZ",
              0, "xz-compressed data"},
    Signature{"7z\xBC\xAF", 0, "a 7-Zip archive"},
    Signature{"Rar!", 0, "a RAR archive"},
    Signature{"\xD0\xCF\x11\xE0", 0,
              "a Microsoft Office 97-2003 document (.doc), which it does not read"},
    Signature{"{\\rtf", 0, "an RTF document, which it does not read"},
    Signature{"\x7F"
              "ELF",
              0, "a program (ELF executable)"},
};

// NUL bytes and the control characters no text file holds mean binary data,
// whatever a Latin-1 reading would accept. A stray control character in a
// long text is tolerated.
bool LooksBinary(std::string_view head) {
    std::size_t controls = 0;
    for (const char c : head) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == 0)
            return true;
        if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r' && byte != '\f' &&
            byte != '\v' && byte != 0x1B)
            ++controls;
    }
    return controls > 0 && controls * 1000 >= head.size();
}

// The name of the first element, past the XML declaration, comments,
// processing instructions and the document type; empty when the text does not
// start with markup.
std::string RootElement(std::string_view text) {
    std::size_t i = 0;
    for (;;) {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
            ++i;
        if (i >= text.size() || text[i] != '<')
            return {};
        const std::string_view rest = text.substr(i);
        std::size_t end;
        if (rest.starts_with("<!--"))
            end = rest.find("-->");
        else if (rest.starts_with("<?") || rest.starts_with("<!"))
            end = rest.find('>');
        else
            break;
        if (end == std::string_view::npos)
            return {};
        i += end + 1;
    }
    std::size_t end = i + 1;
    while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) ||
                                 text[end] == ':' || text[end] == '-' || text[end] == '_'))
        ++end;
    return std::string(text.substr(i + 1, end - i - 1));
}

std::string ZipContent(std::string_view bytes, std::string_view extension,
                       std::optional<DocumentFormat>& format) {
    ZipArchive zip(bytes);
    if (zip.Ok()) {
        std::string mimetype = zip.Read("mimetype", 256).value_or("");
        while (!mimetype.empty() && std::isspace(static_cast<unsigned char>(mimetype.back())))
            mimetype.pop_back();
        if (mimetype == "application/epub+zip")
            format = DocumentFormat::Epub;
        else if (mimetype == "application/vnd.oasis.opendocument.text")
            format = DocumentFormat::Odt;
        else if (zip.Has("word/document.xml"))
            format = DocumentFormat::Docx;
        else if (zip.Has("META-INF/container.xml"))
            format = DocumentFormat::Epub; // an EPUB whose mimetype entry went missing
        else if (std::ranges::any_of(zip.Names(),
                                     [](const std::string& n) { return n.ends_with(".fb2"); }))
            format = DocumentFormat::Fb2; // FictionBook is often passed around zipped
        if (format)
            return {};
        if (mimetype.starts_with("application/vnd.oasis.opendocument."))
            return "an OpenDocument file that is not a text document (" + mimetype + ")";
        return "a ZIP archive that is not an EPUB, ODT or DOCX document";
    }
    // A damaged container: its reader says what is wrong with it.
    if (extension == "epub")
        format = DocumentFormat::Epub;
    else if (extension == "odt")
        format = DocumentFormat::Odt;
    else if (extension == "docx")
        format = DocumentFormat::Docx;
    return format ? std::string() : "a damaged ZIP archive (" + zip.Error() + ")";
}

// A text with no other sign of its kind is Markdown when its name says so, or
// when it has nothing but a name to go by and opens with a Markdown heading.
bool LooksLikeMarkdown(std::string_view head, std::string_view extension) {
    static constexpr std::array kMarkdown = {"md", "markdown", "mdown", "mkd", "mkdn"};
    if (std::ranges::find(kMarkdown, extension) != kMarkdown.end())
        return true;
    if (!extension.empty())
        return false;
    const auto start = head.find_first_not_of(" \t\r\n");
    return start != std::string_view::npos &&
           (head.substr(start).starts_with("# ") || head.substr(start).starts_with("---\ntitle:"));
}

} // namespace

FormatGuess DetectFormat(std::string_view bytes, std::string_view nameHint) {
    const std::string extension = Extension(nameHint);
    const std::string_view head = bytes.substr(0, kSniffBytes);
    if (head.starts_with("\xFF\xFE") || head.starts_with("\xFE\xFF"))
        return {DocumentFormat::Text, {}};
    if (head.starts_with("PK\x03\x04") || head.starts_with("PK\x05\x06")) {
        FormatGuess guess;
        guess.unreadable = ZipContent(bytes, extension, guess.format);
        return guess;
    }
    if (head.substr(0, 1024).find("%PDF-") != std::string_view::npos)
        return {DocumentFormat::Pdf, {}};
    for (const Signature& signature : kSignatures)
        if (head.substr(std::min(signature.offset, head.size())).starts_with(signature.magic))
            return {std::nullopt, signature.looksLike};
    if (LooksBinary(head))
        return {std::nullopt, "binary data, not a text or a document"};

    std::string_view text = head;
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    const std::string root = Lower(RootElement(text));
    if (root == "fictionbook")
        return {DocumentFormat::Fb2, {}};
    if (root == "html" || extension == "html" || extension == "htm" || extension == "xhtml")
        return {DocumentFormat::Html, {}};
    const std::string lowerHead = Lower(text.substr(0, 1024));
    if (lowerHead.find("<!doctype html") != std::string::npos ||
        lowerHead.find("<html") != std::string::npos ||
        lowerHead.find("<body") != std::string::npos)
        return {DocumentFormat::Html, {}};
    if (text.starts_with("<?xml") && !root.empty())
        return {std::nullopt, "an XML document of a kind it does not read (<" + root + ">)"};
    if (extension == "fb2")
        return {DocumentFormat::Fb2, {}};
    // Anything else that starts with markup is a text carrying SAPI markup.
    return {LooksLikeMarkdown(text, extension) ? DocumentFormat::Markdown : DocumentFormat::Text,
            {}};
}

BookResult ReadBook(std::string_view bytes, const ReadOptions& options) {
    const FormatGuess guess = DetectFormat(bytes, options.nameHint);
    if (!guess.format)
        return {std::nullopt, "this is " + guess.unreadable};
    BookResult result;
    switch (*guess.format) {
    case DocumentFormat::Text:
        result = ReadText(bytes, options);
        break;
    case DocumentFormat::Markdown:
        result = ReadMarkdown(bytes, options);
        break;
    case DocumentFormat::Html:
        result = ReadHtml(bytes, options);
        break;
    case DocumentFormat::Epub:
        result = ReadEpub(bytes, options);
        break;
    case DocumentFormat::Fb2:
        result = ReadFb2(bytes, options);
        break;
    case DocumentFormat::Odt:
        result = ReadOdt(bytes, options);
        break;
    case DocumentFormat::Docx:
        result = ReadDocx(bytes, options);
        break;
    case DocumentFormat::Pdf:
        result = ReadPdf(bytes, options);
        break;
    }
    if (result.book) {
        const auto& chapters = result.book->chapters;
        if (std::ranges::none_of(chapters, [](const Chapter& c) { return !c.text.empty(); }))
            return {std::nullopt, "it holds no text to speak"};
    }
    return result;
}
