#include "src/documents/ZipArchive.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <zip.h>

struct ZipArchive::State {
    zip_t* archive = nullptr;
    std::string error;
    std::size_t inflated = 0; // bytes handed out so far, against kMaxTotalBytes
    ~State() {
        if (archive)
            zip_discard(archive); // read-only: nothing to write back
    }
};

namespace {

std::string OpenFailure(int code, std::string_view bytes) {
    switch (code) {
    case ZIP_ER_NOZIP:
        // A local header at the start but no directory at the end: the
        // archive lost its end.
        return bytes.starts_with("PK\x03\x04")
                   ? "its ZIP archive is truncated (it has no directory)"
                   : "it is not a ZIP archive";
    case ZIP_ER_MULTIDISK:
        return "it is one part of a multi-part ZIP archive";
    case ZIP_ER_MEMORY:
        return "there is not enough memory to open its ZIP archive";
    default:
        return "its ZIP archive is truncated or corrupt";
    }
}

std::string ReadFailure(int code, const std::string& name) {
    switch (code) {
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD:
    case ZIP_ER_ENCRNOTSUPP:
        return "\"" + name + "\" in its ZIP archive is encrypted";
    case ZIP_ER_COMPNOTSUPP:
        return "\"" + name + "\" in its ZIP archive uses a compression method that cannot be read";
    case ZIP_ER_MEMORY:
        return "there is not enough memory to read \"" + name + "\"";
    default:
        return "\"" + name + "\" in its ZIP archive is corrupt";
    }
}

std::string TooLarge(const std::string& name, std::size_t limit) {
    return "\"" + name + "\" in its ZIP archive inflates to more than " +
           std::to_string(limit >> 20) + " MB";
}

} // namespace

ZipArchive::ZipArchive(std::string_view bytes) : m_state(std::make_unique<State>()) {
    if (bytes.empty()) {
        m_state->error = "the file is empty";
        return;
    }
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (!source) {
        m_state->error = OpenFailure(zip_error_code_zip(&error), bytes);
        zip_error_fini(&error);
        return;
    }
    m_state->archive = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (!m_state->archive) {
        zip_source_free(source); // not taken when the open fails
        m_state->error = OpenFailure(zip_error_code_zip(&error), bytes);
        zip_error_fini(&error);
        return;
    }
    zip_error_fini(&error);
    const zip_int64_t count = zip_get_num_entries(m_state->archive, 0);
    if (count < 0 || static_cast<std::uint64_t>(count) > kMaxEntries) {
        zip_discard(m_state->archive);
        m_state->archive = nullptr;
        m_state->error =
            "its ZIP archive holds more than " + std::to_string(kMaxEntries) + " entries";
    }
}

ZipArchive::~ZipArchive() = default;

bool ZipArchive::Ok() const {
    return m_state->archive != nullptr;
}

const std::string& ZipArchive::Error() const {
    return m_state->error;
}

bool ZipArchive::Has(std::string_view name) const {
    return Ok() && zip_name_locate(m_state->archive, std::string(name).c_str(), 0) >= 0;
}

std::vector<std::string> ZipArchive::Names() const {
    std::vector<std::string> names;
    if (!Ok())
        return names;
    const zip_int64_t count = zip_get_num_entries(m_state->archive, 0);
    for (zip_int64_t i = 0; i < count; ++i)
        if (const char* name = zip_get_name(m_state->archive, static_cast<zip_uint64_t>(i), 0))
            names.emplace_back(name);
    return names;
}

std::optional<std::string> ZipArchive::Read(std::string_view entryName, std::size_t limit) {
    const std::string name(entryName);
    if (!Ok())
        return std::nullopt;
    const zip_int64_t index = zip_name_locate(m_state->archive, name.c_str(), 0);
    if (index < 0) {
        m_state->error = "its ZIP archive has no \"" + name + "\"";
        return std::nullopt;
    }
    // What is left of the whole archive's budget bounds this entry too: a
    // document naming one large entry many times costs the budget once.
    const std::size_t left = kMaxTotalBytes - m_state->inflated;
    if (left < limit)
        limit = left;
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(m_state->archive, static_cast<zip_uint64_t>(index), 0, &stat) != 0) {
        m_state->error = ReadFailure(zip_error_code_zip(zip_get_error(m_state->archive)), name);
        return std::nullopt;
    }
    if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE) {
        m_state->error = ReadFailure(ZIP_ER_NOPASSWD, name);
        return std::nullopt;
    }
    // Refused before anything is inflated when the entry says it is too large.
    if ((stat.valid & ZIP_STAT_SIZE) && stat.size > limit) {
        m_state->error = TooLarge(name, limit);
        return std::nullopt;
    }
    zip_file_t* file = zip_fopen_index(m_state->archive, static_cast<zip_uint64_t>(index), 0);
    if (!file) {
        m_state->error = ReadFailure(zip_error_code_zip(zip_get_error(m_state->archive)), name);
        return std::nullopt;
    }
    // The declared size may lie: read in chunks and stop one byte past the
    // limit, so that a bomb inflates no further than that.
    std::string bytes;
    std::array<char, 64 * 1024> chunk;
    bool failed = false;
    while (bytes.size() <= limit) {
        const std::size_t want = std::min(chunk.size(), limit + 1 - bytes.size());
        const zip_int64_t got = zip_fread(file, chunk.data(), want);
        if (got < 0) {
            m_state->error = ReadFailure(zip_error_code_zip(zip_file_get_error(file)), name);
            failed = true;
            break;
        }
        if (got == 0)
            break;
        bytes.append(chunk.data(), static_cast<std::size_t>(got));
    }
    zip_fclose(file);
    if (failed)
        return std::nullopt;
    if (bytes.size() > limit) {
        m_state->error = TooLarge(name, limit);
        return std::nullopt;
    }
    m_state->inflated += bytes.size();
    return bytes;
}

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A '%' not followed by two hex digits stays as it is: sloppy packagers leave
// them in file names.
std::optional<std::string> PercentDecoded(std::string_view text) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            const char c = static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            if (c == '\0')
                return std::nullopt;
            decoded += c;
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

bool HasScheme(std::string_view href) {
    const auto colon = href.find(':');
    if (colon == std::string_view::npos || colon == 0)
        return false;
    for (std::size_t i = 0; i < colon; ++i) {
        const auto c = static_cast<unsigned char>(href[i]);
        if (!(std::isalnum(c) || c == '+' || c == '-' || c == '.'))
            return false; // a colon after a '/' is part of a path
    }
    return true;
}

} // namespace

std::optional<std::string> ResolveInContainer(std::string_view base, std::string_view href) {
    href = href.substr(0, href.find('#'));
    href = href.substr(0, href.find('?'));
    if (HasScheme(href))
        return std::nullopt;
    const auto decoded = PercentDecoded(href);
    if (!decoded || decoded->starts_with('/') || decoded->starts_with('\\'))
        return std::nullopt;
    if (decoded->empty()) // a link to a place within the base itself
        return base.empty() ? std::nullopt : std::optional<std::string>(base);
    const auto slash = base.rfind('/');
    const std::string path =
        (slash == std::string_view::npos ? std::string() : std::string(base.substr(0, slash + 1))) +
        *decoded;
    std::vector<std::string_view> segments;
    const std::string_view whole(path);
    for (std::size_t start = 0; start <= whole.size();) {
        auto end = whole.find('/', start);
        if (end == std::string_view::npos)
            end = whole.size();
        const std::string_view segment = whole.substr(start, end - start);
        if (segment == "..") {
            if (segments.empty())
                return std::nullopt;
            segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        start = end + 1;
    }
    if (segments.empty())
        return std::nullopt;
    std::string resolved;
    for (const std::string_view segment : segments) {
        if (!resolved.empty())
            resolved += '/';
        resolved += segment;
    }
    return resolved;
}
