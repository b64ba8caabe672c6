// SPDX-License-Identifier: GPL-3.0-or-later
#include "VariantTally.h"

#include <algorithm>
#include <optional>
#include <set>

namespace penwick::proof {

void VariantTally::add(std::uint32_t key, std::uint32_t form, int delta)
{
    m_dirty.insert(key);
    auto& forms = m_counts[key];
    if ((forms[form] += delta) == 0) {
        forms.erase(form);
        if (forms.empty())
            m_counts.erase(key);
    }
}

void VariantTally::clear()
{
    m_counts.clear();
    m_allDirty = true;
}

void VariantTally::setIntended(std::unordered_set<std::uint32_t> forms)
{
    m_intended = std::move(forms);
    m_allDirty = true;
}

std::optional<VariantTally::Group> VariantTally::groupOf(const std::unordered_map<std::uint32_t, int>& forms,
                                                         const Lexicon& lexicon) const
{
    if (forms.size() < 2)
        return std::nullopt;
    Group list;
    std::set<std::string> shapes;
    std::vector<std::u32string> kanji;
    for (const auto& [form, n] : forms)
        if (!m_intended.contains(form)) {
            list.emplace_back(form, n);
            shapes.insert(FormShape(lexicon.text(form)));
            kanji.push_back(KanjiOf(lexicon.text(form)));
        }
    if (list.size() < 2 || shapes.size() < 2 || !OneWord(kanji))
        return std::nullopt;
    std::sort(list.begin(), list.end(), [&](const auto& a, const auto& b) {
        return a.second != b.second ? a.second > b.second : lexicon.text(a.first) < lexicon.text(b.first);
    });
    return list;
}

const std::map<std::uint32_t, VariantTally::Group>& VariantTally::groups(const Lexicon& lexicon) const
{
    if (m_allDirty) {
        m_groups.clear();
        for (const auto& [key, forms] : m_counts)
            if (auto g = groupOf(forms, lexicon))
                m_groups.emplace(key, std::move(*g));
    } else {
        for (const std::uint32_t key : m_dirty) {
            const auto it = m_counts.find(key);
            auto g = it == m_counts.end() ? std::nullopt : groupOf(it->second, lexicon);
            if (g)
                m_groups[key] = std::move(*g);
            else
                m_groups.erase(key);
        }
    }
    m_allDirty = false;
    m_dirty.clear();
    return m_groups;
}

}  // namespace penwick::proof
