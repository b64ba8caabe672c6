// SPDX-License-Identifier: GPL-3.0-or-later
#include "KinsokuSet.h"

#include "CharKind.h"
#include "Utf8.h"

#include <unicode/uchar.h>

#include <algorithm>

namespace penwick::counter {

KinsokuSet::KinsokuSet(const char* utf8, std::size_t len)
{
    Utf8Decoder in(utf8, len);
    while (!in.atEnd()) {
        const char32_t cp = in.next();
        const CharKind kind = charKind(cp);
        if (kind == CharKind::Break || kind == CharKind::CarriageReturn)
            continue;
        const std::int8_t type = u_charType(static_cast<UChar32>(cp));
        if (type == U_CONTROL_CHAR || type == U_FORMAT_CHAR)
            continue;
        const bool opening = type == U_START_PUNCTUATION || type == U_INITIAL_PUNCTUATION;
        m_entries.emplace_back(cp, opening ? KinsokuClass::NoLineEnd : KinsokuClass::NoLineStart);
    }
    std::sort(m_entries.begin(), m_entries.end());
    m_entries.erase(std::unique(m_entries.begin(), m_entries.end()), m_entries.end());
    for (const auto& entry : m_entries)
        m_filter[(entry.first >> 6) & 3] |= std::uint64_t{1} << (entry.first & 63);
}

KinsokuClass KinsokuSet::lookUp(char32_t cp) const
{
    const auto it = std::lower_bound(m_entries.begin(), m_entries.end(), cp,
                                     [](const auto& entry, char32_t c) { return entry.first < c; });
    return it != m_entries.end() && it->first == cp ? it->second : KinsokuClass::None;
}

} // namespace penwick::counter
