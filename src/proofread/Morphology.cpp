// SPDX-License-Identifier: GPL-3.0-or-later
#include "Morphology.h"

#include <mecab.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace penwick::proof {

std::string_view FeatureField(std::string_view feature, int n)
{
    for (; n > 0; --n) {
        const std::size_t comma = feature.find(',');
        if (comma == std::string_view::npos)
            return {};
        feature.remove_prefix(comma + 1);
    }
    return feature.substr(0, feature.find(','));
}

namespace {

// Whether a model reads words with the IPA dictionary's features (base form, reading).
bool HasIpaFeatures(MeCab::Model& model)
{
    std::unique_ptr<MeCab::Tagger> tagger(model.createTagger());
    std::unique_ptr<MeCab::Lattice> lattice(model.createLattice());
    if (!tagger || !lattice)
        return false;
    const std::string probe = "出来る";
    lattice->set_sentence(probe.c_str(), probe.size());
    if (!tagger->parse(lattice.get()))
        return false;
    const MeCab::Node* word = lattice->bos_node() ? lattice->bos_node()->next : nullptr;
    return word && word->stat == MECAB_NOR_NODE && word->feature && FeatureField(word->feature, 6) == "出来る"
           && FeatureField(word->feature, 7) == "デキル";
}

}  // namespace

std::unique_ptr<Morphology> Morphology::Open(std::string* error)
{
    std::vector<std::string> folders;
    if (const char* own = std::getenv("PENWICK_MECAB_DIC"); own && *own)
        folders.emplace_back(own);
    for (const char* f : {"/var/lib/mecab/dic/ipadic-utf8", "/var/lib/mecab/dic/naist-jdic",
                          "/usr/lib/x86_64-linux-gnu/mecab/dic/ipadic-utf8"})
        folders.emplace_back(f);
    folders.emplace_back();   // MeCab's own configuration
    std::error_code ec;
    for (const std::string& folder : folders) {
        if (!folder.empty() && !std::filesystem::exists(folder + "/sys.dic", ec))
            continue;
        // An empty resource file: the folder alone says where the dictionary is.
        const std::string args = folder.empty() ? std::string() : "-r /dev/null -d " + folder;
        std::unique_ptr<MeCab::Model> model(MeCab::createModel(args.c_str()));
        if (!model || !HasIpaFeatures(*model))
            continue;
        std::unique_ptr<Morphology> m(new Morphology);
        m->m_dictionary = folder;
        m->m_tagger.reset(model->createTagger());
        m->m_model = std::move(model);
        if (!m->m_tagger)
            continue;
        m->m_reader = std::make_unique<Reader>(m->reader());
        if (m->m_reader->m_lattice)
            return m;
    }
    if (error)
        *error = "形態素解析の辞書が見つかりません（MeCab と mecab-ipadic-utf8 を入れると、文体の混在と表記ゆれも調べます）";
    return nullptr;
}

Morphology::~Morphology() = default;

Morphology::Reader::Reader(const MeCab::Tagger* tagger, MeCab::Lattice* lattice) : m_tagger(tagger), m_lattice(lattice) {}
Morphology::Reader::Reader(Reader&&) noexcept = default;
Morphology::Reader::~Reader() = default;

Morphology::Reader Morphology::reader() const
{
    return Reader(m_tagger.get(), m_model->createLattice());
}

// MeCab's Tagger::parse(Lattice*) is safe from several threads, each with its lattice.
void Morphology::Reader::analyse(std::string_view text, const std::function<void(const Morph&)>& visit) const
{
    if (text.empty() || !m_lattice)
        return;
    m_lattice->set_sentence(text.data(), text.size());
    if (!m_tagger->parse(m_lattice.get()))
        return;
    for (const MeCab::Node* n = m_lattice->bos_node(); n; n = n->next) {
        if (n->stat == MECAB_BOS_NODE || n->stat == MECAB_EOS_NODE || !n->feature)
            continue;
        Morph m;
        m.start = std::size_t(n->surface - text.data());
        m.end = m.start + n->length;
        m.surface = std::string_view(n->surface, n->length);
        m.feature = n->feature;
        visit(m);
    }
}

}  // namespace penwick::proof
