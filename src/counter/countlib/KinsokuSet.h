// SPDX-License-Identifier: GPL-3.0-or-later
// The user's kinsoku characters, each classed by its general category: opening brackets
// and initial quotes (Ps, Pi) may not end a line, everything else may not start a wrapped
// line. Hard breaks, controls and format characters in the set are ignored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace penwick::counter {

enum class KinsokuClass : std::uint8_t { None, NoLineStart, NoLineEnd };

class KinsokuSet {
public:
    KinsokuSet() = default;
    // Decodes `len` bytes of UTF-8; may throw std::bad_alloc.
    KinsokuSet(const char* utf8, std::size_t len);

    bool empty() const { return m_entries.empty(); }

    KinsokuClass classOf(char32_t cp) const
    {
        // A 256-bit filter on the low byte turns away almost every ordinary character
        // before the binary search.
        if (!(m_filter[(cp >> 6) & 3] >> (cp & 63) & 1))
            return KinsokuClass::None;
        return lookUp(cp);
    }

private:
    KinsokuClass lookUp(char32_t cp) const;

    std::uint64_t m_filter[4] = {0, 0, 0, 0};
    std::vector<std::pair<char32_t, KinsokuClass>> m_entries; // sorted by code point
};

} // namespace penwick::counter
