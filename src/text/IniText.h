// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file as the core reads it without Qt: the window writes it with QSettings
// (an INI file whose values may be quoted), penwick-cli and the core only read it.
#pragma once

#include "TextLines.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace penwick {

// A value as QSettings writes it: plain, or in double quotes with backslash escapes.
inline std::string IniUnquoted(std::string_view v)
{
    if (v.size() < 2 || v.front() != '"' || v.back() != '"')
        return std::string(v);
    std::string out;
    for (std::size_t i = 1; i + 1 < v.size(); ++i) {
        if (v[i] == '\\' && i + 2 < v.size()) {
            const char c = v[++i];
            out += c == 'n' ? '\n' : c == 't' ? '\t' : c;
        } else {
            out += v[i];
        }
    }
    return out;
}

// The key=value lines of [section], in order, keys trimmed and values unquoted. Lines
// without '=' are handed to onBadLine (when given); comments (; #) and blank lines skipped.
template <class OnBadLine>
std::vector<std::pair<std::string, std::string>> IniSection(std::string_view ini, std::string_view section,
                                                            OnBadLine&& onBadLine)
{
    std::vector<std::pair<std::string, std::string>> entries;
    bool inside = false;
    ForEachLine(ini, [&](std::string_view line) {
        if (line.empty() || line.front() == ';' || line.front() == '#')
            return;
        if (line.front() == '[') {
            inside = line.size() == section.size() + 2 && line.substr(1, section.size()) == section
                     && line.back() == ']';
            return;
        }
        if (!inside)
            return;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            onBadLine(line);
        else
            entries.emplace_back(std::string(Trimmed(line.substr(0, eq))), IniUnquoted(Trimmed(line.substr(eq + 1))));
    });
    return entries;
}

inline std::vector<std::pair<std::string, std::string>> IniSection(std::string_view ini, std::string_view section)
{
    return IniSection(ini, section, [](std::string_view) {});
}

// The value of key in [section], or fallback.
inline std::string IniValue(std::string_view ini, std::string_view section, std::string_view key,
                            std::string fallback = {})
{
    for (auto& [k, v] : IniSection(ini, section))
        if (k == key)
            fallback = std::move(v);
    return fallback;
}

}  // namespace penwick
