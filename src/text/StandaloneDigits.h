// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where a number is set upright in one cell (縦中横): a run of half-width digits with no
// half-width letter or digit on either side. One rule for the editor (UTF-16) and the
// e-book (UTF-8); only ASCII is looked at, so any code unit type serves.

#include <cstddef>
#include <string_view>

namespace penwick {

template <class Char>
constexpr bool IsAsciiDigit(Char c)
{
    return c >= Char('0') && c <= Char('9');
}

template <class Char>
constexpr bool IsAsciiAlnum(Char c)
{
    return IsAsciiDigit(c) || (c >= Char('a') && c <= Char('z')) || (c >= Char('A') && c <= Char('Z'));
}

// The length of the digit run starting at text[at] when it stands on its own and holds
// 2 to maxDigits digits; 0 otherwise.
template <class Char>
constexpr std::size_t StandaloneDigitRun(std::basic_string_view<Char> text, std::size_t at, std::size_t maxDigits)
{
    if (at >= text.size() || !IsAsciiDigit(text[at]) || (at > 0 && IsAsciiAlnum(text[at - 1])))
        return 0;
    std::size_t end = at;
    while (end < text.size() && IsAsciiDigit(text[end]))
        ++end;
    const std::size_t digits = end - at;
    const bool alone = end == text.size() || !IsAsciiAlnum(text[end]);
    return alone && digits >= 2 && digits <= maxDigits ? digits : 0;
}

}  // namespace penwick
