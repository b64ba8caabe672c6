// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProofSettings.h"

#include "FileIO.h"
#include "IniText.h"

#include <filesystem>

namespace penwick::proof {

ProofOptions ReadProofSettings(std::string_view ini, std::vector<std::string>* problems)
{
    ProofOptions options;
    for (const auto& [key, value] : IniSection(ini, "proofread")) {
        const std::optional<Rule> rule = RuleFromId(key);
        const bool on = value == "true" || value == "on" || value == "1" || value == "yes";
        const bool off = value == "false" || value == "off" || value == "0" || value == "no";
        if (rule && (on || off))
            options.rules.set(*rule, on);
        else if (problems)
            problems->push_back("[proofread] " + key + "=" + value + (rule ? ": true or false" : ": no such rule"));
    }
    int digits = 2;
    if (ParseInteger(IniValue(ini, "editor", "tateChuYoko", "2"), &digits) && digits >= 0 && digits <= 4)
        options.paragraph.tateChuYoko = digits;
    return options;
}

std::string IntendedPathFor(const std::string& projectPath)
{
    return projectPath + ".proofread";
}

std::vector<std::string> ReadIntendedForms(const std::string& projectPath)
{
    std::vector<std::string> forms;
    std::string text;
    if (!ReadWholeFile(IntendedPathFor(projectPath), text))
        return forms;
    ForEachLine(text, [&](std::string_view line) {
        if (line.starts_with("intended=") && line.size() > 9)
            forms.emplace_back(line.substr(9));
    });
    return forms;
}

bool WriteIntendedForms(const std::string& projectPath, const std::vector<std::string>& forms, std::string* error)
{
    const std::string path = IntendedPathFor(projectPath);
    if (forms.empty()) {
        std::error_code ec;
        std::filesystem::remove(path, ec);
        return true;
    }
    std::string text = "; Penwick: forms kept as written in " + std::filesystem::path(projectPath).filename().string() + "\n";
    for (const std::string& f : forms)
        text += "intended=" + f + "\n";
    const FileResult written = WriteFileAtomically(path, text);
    if (!written && error)
        *error = written.message;
    return bool(written);
}

}  // namespace penwick::proof
