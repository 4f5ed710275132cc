#pragma once
// A ZIP container (EPUB, ODT, DOCX) read from memory through libzip. Entries
// are read into memory only, never extracted to disk, and each is bounded:
// an entry that claims or inflates to more than the bound is refused, so a
// ZIP bomb costs at most the bound.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class ZipArchive {
public:
    static constexpr std::size_t kMaxEntryBytes = 64u << 20;
    // All the entries read from one archive together: a document that names
    // the same large entry over and over still costs at most this much.
    static constexpr std::size_t kMaxTotalBytes = 512u << 20;
    // More entries than any book has: the central directory is refused
    // beyond this.
    static constexpr std::size_t kMaxEntries = 10000;

    // The bytes must outlive the archive. !Ok() and Error() on a file that is
    // not a ZIP, or a corrupt or truncated one.
    explicit ZipArchive(std::string_view bytes);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    bool Ok() const;
    const std::string& Error() const; // why the last call failed, as a reason for a message

    bool Has(std::string_view name) const;
    std::vector<std::string> Names() const;
    // The entry's bytes; nullopt (and Error()) when it is missing, corrupt,
    // encrypted, or larger than the limit as declared or as inflated.
    std::optional<std::string> Read(std::string_view name, std::size_t limit = kMaxEntryBytes);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// The entry a link in `base` names ("OEBPS/text/ch1.xhtml" and "../img/a.png"
// give "OEBPS/img/a.png"): percent-escapes decoded, the fragment and query
// dropped. nullopt for a link that leaves the container or is absolute.
std::optional<std::string> ResolveInContainer(std::string_view base, std::string_view href);
