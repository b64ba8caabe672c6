// SPDX-License-Identifier: GPL-3.0-or-later
// The small text files Penwick keeps beside its own (settings, targets, history): lines cut
// at LF, each without the blanks around it (a CR before the LF included), and the numbers
// in them.
#pragma once

#include <charconv>
#include <string_view>

namespace penwick {

inline std::string_view Trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// The whole of s as a decimal integer of type T (a leading '-' only where T is signed; no
// '+', no blanks); false, value unspecified, otherwise.
template <class T>
bool ParseInteger(std::string_view s, T* value)
{
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), *value);
    return ec == std::errc() && end == s.data() + s.size() && !s.empty();
}

// Calls onLine(trimmed line) for every line of text, in order.
template <class OnLine>
void ForEachLine(std::string_view text, OnLine&& onLine)
{
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        onLine(Trimmed(text.substr(0, nl)));
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    }
}

}  // namespace penwick
