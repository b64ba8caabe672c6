// SPDX-License-Identifier: GPL-3.0-or-later
// penwick-cli grep: the search panel's results on standard output, one matching line each.
#include "CliCommands.h"

#include "ProjectSearch.h"

#include <iostream>

namespace penwick::cli {

int Grep(const Args& args)
{
    SearchOptions options;
    std::vector<std::string> operands;
    for (const std::string& a : args) {
        if (a == "--word")
            options.wholeWord = true;
        else if (a == "--case")
            options.matchCase = true;
        else if (a.size() > 1 && a[0] == '-' && a != "-")
            return Usage();
        else
            operands.push_back(a);
    }
    if (operands.size() != 2 || operands[0].empty())
        return Usage();
    DomDocument doc;
    if (!LoadProject(operands[1], doc))
        return 2;
    const std::vector<SearchHit> hits = SearchProject(doc, operands[0], options);
    const SearchHit* last = nullptr;
    for (const SearchHit& hit : hits) {
        if (last && last->node == hit.node && last->line == hit.line)
            continue;   // one output line per matching line, as grep
        std::cout << hit.path << '\t' << hit.line << '\t' << hit.lineText << '\n';
        last = &hit;
    }
    return Flushed(hits.empty() ? 1 : 0);
}

}  // namespace penwick::cli
