// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the writer chose about proofreading:
// - in penwick.conf, each rule can be switched off by its identifier:
//     [proofread]
//     paragraph-start=false
//   and long numerals follow the editor's 縦中横 ([editor] tateChuYoko);
// - beside the project (霧の街.xml.proofread, next to its .targets), the forms the writer
//   means to keep, which leave the spelling-variant groups: `intended=わたし`, one a line.

#include "ProofRules.h"

#include <string>
#include <string_view>
#include <vector>

namespace penwick::proof {

struct ProofOptions {
    RuleSet rules;
    ParagraphOptions paragraph;
    std::vector<std::string> intended;   // forms that are never reported as variants
};

// The options of an INI text. Lines not understood (an unknown rule, a value that is not
// true/false) are skipped and described in *problems.
ProofOptions ReadProofSettings(std::string_view ini, std::vector<std::string>* problems = nullptr);

std::string IntendedPathFor(const std::string& projectPath);
// Missing file: none.
std::vector<std::string> ReadIntendedForms(const std::string& projectPath);
// Written atomically; none removes the file. The message on failure.
bool WriteIntendedForms(const std::string& projectPath, const std::vector<std::string>& forms, std::string* error);

}  // namespace penwick::proof
