// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The morphological analyser the language rules read the text with: MeCab over a
// dictionary in the IPA dictionary's format (Debian's mecab-ipadic-utf8, or naist-jdic).
// Each word comes with its dictionary features:
//   品詞,品詞細分類1,品詞細分類2,品詞細分類3,活用型,活用形,原形,読み,発音

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace MeCab {
class Model;
class Tagger;
class Lattice;
}

namespace penwick::proof {

struct Morph {
    std::size_t start = 0, end = 0;   // bytes into the analysed text
    std::string_view surface;
    std::string_view feature;          // the comma-separated features
};

// Field n (0-based) of a feature string; empty past the last.
std::string_view FeatureField(std::string_view feature, int n);

class Morphology {
public:
    // The analyser over the first usable dictionary: $PENWICK_MECAB_DIC, then Debian's
    // ipadic-utf8 and naist-jdic, then MeCab's configured one. Null, with the reason in
    // *error, when none is installed or none has the IPA dictionary's format.
    static std::unique_ptr<Morphology> Open(std::string* error);
    ~Morphology();

    // The dictionary's folder (or "" for MeCab's configured one).
    const std::string& dictionary() const { return m_dictionary; }

    // A reader with a lattice of its own: one per thread, all sharing the dictionary.
    class Reader {
    public:
        ~Reader();
        Reader(Reader&&) noexcept;
        // Calls visit for each word of text in order (not for the sentence's ends).
        void analyse(std::string_view text, const std::function<void(const Morph&)>& visit) const;

    private:
        friend class Morphology;
        Reader(const MeCab::Tagger* tagger, MeCab::Lattice* lattice);
        const MeCab::Tagger* m_tagger;
        std::unique_ptr<MeCab::Lattice> m_lattice;
    };
    Reader reader() const;

    // With the morphology's own reader: not to be called from two threads at once.
    void analyse(std::string_view text, const std::function<void(const Morph&)>& visit) const
    {
        m_reader->analyse(text, visit);
    }

private:
    Morphology() = default;
    std::string m_dictionary;
    std::unique_ptr<MeCab::Model> m_model;
    std::unique_ptr<MeCab::Tagger> m_tagger;
    std::unique_ptr<Reader> m_reader;
};

}  // namespace penwick::proof
