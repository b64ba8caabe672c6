// SPDX-License-Identifier: GPL-3.0-or-later
// Builds large, realistic project files from the Japanese corpus for benchmarks.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace penwick::bench {

// The corpus paragraphs (one per line), in file order of the three stories.
inline std::vector<std::string> LoadCorpusParagraphs(const std::string& dir)
{
    std::vector<std::string> out;
    for (const char* name : {"rashomon.txt", "hashire_merosu.txt", "kumo_no_ito.txt"}) {
        std::ifstream in(dir + "/" + name, std::ios::binary);
        for (std::string line; std::getline(in, line);)
            if (!line.empty())
                out.push_back(line);
    }
    return out;
}

inline std::size_t CodePoints(const std::string& s)
{
    std::size_t n = 0;
    for (char c : s)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

// chapters x paragraphs outline nodes; the node texts together hold about totalChars
// characters, taken from the corpus paragraphs in turn (cut at character boundaries).
inline std::string GenerateProjectXml(const std::vector<std::string>& corpus, int chapters,
                                      int paragraphs, std::size_t totalChars)
{
    const std::size_t nodes = static_cast<std::size_t>(chapters) * (paragraphs + 1);
    const std::size_t perNode = totalChars / nodes;
    std::size_t next = 0;
    auto nodeText = [&] {
        std::string t;
        std::size_t n = 0;
        while (n < perNode) {
            const std::string& p = corpus[next++ % corpus.size()];
            std::size_t i = 0;
            for (; i < p.size() && n < perNode; ++n) {
                ++i;
                while (i < p.size() && (static_cast<unsigned char>(p[i]) & 0xC0) == 0x80)
                    ++i;
            }
            t.append(p, 0, i);
            if (n < perNode) {
                t += '\n';
                ++n;
            }
        }
        return t;
    };
    std::ostringstream xml;
    xml << "<?xml version=\"1.0\" encoding=\"UTF-8\"?><project title=\"ベンチマーク\">";
    for (int c = 1; c <= chapters; ++c) {
        xml << "<chapter title=\"第" << c << "章\" textout=\"yes\" type=\"Basic\"><text>" << nodeText()
            << "</text>";
        for (int p = 1; p <= paragraphs; ++p)
            xml << "<paragraph title=\"" << c << "-" << p << "\" textout=\"yes\" type=\"Basic\"><text>"
                << nodeText() << "</text></paragraph>";
        xml << "</chapter>";
    }
    xml << "</project>";
    return xml.str();
}

// The benchmark project: 300 chapters x 10 paragraphs, 1,000,000 characters, times scale
// (scale 10: 3,000 chapters, 33,000 nodes, 10,000,000 characters).
inline std::string GenerateLargeProject(const std::string& corpusDir, int scale = 1)
{
    return GenerateProjectXml(LoadCorpusParagraphs(corpusDir), 300 * scale, 10, std::size_t(1000000) * scale);
}

// The benchmark project written to fileName (the scale added to it) in the temporary
// folder; its path.
inline std::string WriteLargeProjectFile(const std::string& corpusDir, const char* fileName, int scale = 1)
{
    std::string name = fileName;
    if (scale != 1)
        name.insert(name.rfind('.'), "-x" + std::to_string(scale));
    const std::string path = (std::filesystem::temp_directory_path() / name).string();
    std::ofstream(path, std::ios::binary) << GenerateLargeProject(corpusDir, scale);
    return path;
}

}  // namespace penwick::bench
