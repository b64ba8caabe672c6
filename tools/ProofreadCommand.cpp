// SPDX-License-Identifier: GPL-3.0-or-later
// penwick-cli proofread: the 校正 panel's findings on standard output, one a line.
#include "CliCommands.h"

#include "GridPresets.h"
#include "Morphology.h"
#include "ProofChecker.h"

#include <iostream>

namespace penwick::cli {

namespace {

std::string RuleList()
{
    std::string list;
    for (std::size_t i = 0; i < proof::kRuleCount; ++i)
        list += std::string(i ? ", " : "") + std::string(proof::RuleId(proof::Rule(i)));
    return list;
}

}  // namespace

int Proofread(const Args& args)
{
    std::string path;
    bool json = false;
    std::vector<proof::Rule> only;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--json") {
            json = true;
        } else if (args[i] == "--rule" && i + 1 < args.size()) {
            const std::optional<proof::Rule> rule = proof::RuleFromId(args[++i]);
            if (!rule) {
                std::cerr << "penwick-cli: 規則「" << args[i] << "」はありません（" << RuleList() << "）\n";
                return 2;
            }
            only.push_back(*rule);
        } else if (path.empty() && !(args[i].size() > 1 && args[i][0] == '-')) {
            path = args[i];
        } else {
            return Usage();
        }
    }
    if (path.empty())
        return Usage();
    DomDocument doc;
    if (!LoadProject(path, doc))
        return 2;
    std::vector<std::string> problems;
    proof::ProofOptions options = proof::ReadProofSettings(SettingsText(), &problems);   // no file: every rule on
    for (const std::string& p : problems)
        std::cerr << "penwick-cli: " << SettingsFilePath() << ": " << p << '\n';
    if (!only.empty()) {
        options.rules = proof::RuleSet::none();
        for (const proof::Rule r : only)
            options.rules.set(r, true);
    }
    options.intended = proof::ReadIntendedForms(path);
    std::unique_ptr<proof::Morphology> morphology;
    if (options.rules.anyLanguageRule()) {
        std::string error;
        morphology = proof::Morphology::Open(&error);
        if (!morphology) {
            std::cerr << "penwick-cli: " << error << '\n';
            if (!only.empty())
                return 2;   // asked for by name: an error, not a clean result
        }
    }
    ProofChecker checker(options, morphology.get());
    checker.build(doc);
    const std::vector<ProofFinding> findings = checker.findings();
    if (json) {
        std::string out = "{\"findings\":[";
        for (std::size_t i = 0; i < findings.size(); ++i) {
            const ProofFinding& f = findings[i];
            out += std::string(i ? "," : "") + "{\"path\":" + JsonString(f.path) + ",\"line\":" + std::to_string(f.line)
                   + ",\"column\":" + std::to_string(f.column) + ",\"rule\":"
                   + JsonString(std::string(proof::RuleId(f.rule))) + ",\"message\":" + JsonString(f.message)
                   + ",\"text\":" + JsonString(f.lineText.substr(f.lineStart, f.lineLength))
                   + (f.fix ? ",\"fix\":" + JsonString(*f.fix) : std::string()) + "}";
        }
        out += "],\"variants\":[";
        const std::vector<VariantGroup> groups = checker.variantGroups();
        for (std::size_t i = 0; i < groups.size(); ++i) {
            out += i ? ",[" : "[";
            for (std::size_t k = 0; k < groups[i].size(); ++k)
                out += std::string(k ? "," : "") + "{\"form\":" + JsonString(groups[i][k].form)
                       + ",\"count\":" + std::to_string(groups[i][k].count) + "}";
            out += "]";
        }
        std::cout << out << "]}\n";
    } else {
        for (const ProofFinding& f : findings)
            std::cout << f.path << '\t' << f.line << '\t' << f.column << '\t' << proof::RuleId(f.rule) << '\t'
                      << f.message << '\n';
    }
    return Flushed(findings.empty() ? 0 : 1);
}

}  // namespace penwick::cli
