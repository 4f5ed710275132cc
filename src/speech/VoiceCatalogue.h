#pragma once
// The one index space of the voice combo box: positions 0..k-1 are the SAPI 4
// voices in list order, positions k..k+m-1 the SAPI 5 voices (SAPI 5 index =
// position - k). The combo box is not sorted, so positions and lists stay
// aligned.

#include <cstddef>
#include <string>

class Sapi4Engine;
class Sapi5Engine;

class VoiceCatalogue {
public:
    // Reads the lists of both engines; they must outlive the catalogue.
    VoiceCatalogue(const Sapi4Engine& sapi4, const Sapi5Engine& sapi5);

    std::size_t Sapi4Count() const; // k
    std::size_t Sapi5Count() const; // m
    std::size_t Count() const;      // k + m

    bool IsSapi4(int position) const;
    // The SAPI 5 list index of a position at or beyond k; an index outside the
    // list is replaced by 0. Only meaningful when the SAPI 5 list is not empty.
    int Sapi5Index(int position) const;

    // "<mode name>, SAPI4" or "<display name>, SAPI5"; the position must lie
    // within 0..Count()-1.
    std::u16string DisplayString(int position) const;

private:
    const Sapi4Engine& m_sapi4;
    const Sapi5Engine& m_sapi5;
};
