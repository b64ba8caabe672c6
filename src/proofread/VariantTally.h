// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How often each word of the project is written in each form, kept as paragraphs come and
// go, and the groups worth reporting as spelling variants: two forms at least (the
// writer's intended ones left out) that differ in more than which kanji they use (会う and
// 合う are different words) and are one word (OneWord). The groups are kept between calls:
// only the words an edit counted again are looked at again.

#include "LanguageRules.h"

#include <map>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace penwick::proof {

class VariantTally {
public:
    // Forms with their counts, the most used first (ties by text).
    using Group = std::vector<std::pair<std::uint32_t, int>>;

    void add(std::uint32_t key, std::uint32_t form, int delta);
    void clear();
    void setIntended(std::unordered_set<std::uint32_t> forms);
    bool isIntended(std::uint32_t form) const { return m_intended.contains(form); }

    // The groups by key; keys and forms are the lexicon's.
    const std::map<std::uint32_t, Group>& groups(const Lexicon& lexicon) const;

private:
    std::optional<Group> groupOf(const std::unordered_map<std::uint32_t, int>& forms, const Lexicon& lexicon) const;

    std::unordered_map<std::uint32_t, std::unordered_map<std::uint32_t, int>> m_counts;   // key → form → count
    std::unordered_set<std::uint32_t> m_intended;
    mutable std::map<std::uint32_t, Group> m_groups;
    mutable std::unordered_set<std::uint32_t> m_dirty;
    mutable bool m_allDirty = true;
};

}  // namespace penwick::proof
