// SPDX-License-Identifier: GPL-3.0-or-later
// The subcommands of penwick-cli. Each takes its own arguments (after the subcommand
// name) and returns the process exit status: 0 done, 1 failed (message on stderr),
// 2 bad usage (usage on stderr).
#pragma once

#include "CounterReport.h"
#include "TextAssembly.h"

#include <string>
#include <vector>

namespace penwick::cli {

using Args = std::vector<std::string>;

int Info(const Args& args);
int Export(const Args& args);
int Backups(const Args& args);
int Count(const Args& args);
// Exit status as grep's: 0 something found, 1 nothing, 2 an error.
int Grep(const Args& args);
int Target(const Args& args);
int Stats(const Args& args);
// Exit status as grep's: 0 no finding, 1 findings, 2 an error.
int Proofread(const Args& args);

// Loads a project or explains on stderr why it cannot.
bool LoadProject(const std::string& path, DomDocument& doc);

// Reports failures inside a project's outline on stderr, one line each.
FailureReport ReportTo(const std::string& path);

// The grid options of count and of the manuscript-paper export: --preset NAME (a grid of
// [grids] in penwick.conf, all its settings), --grid VxH, --kinsoku CHARS, --mode 0|1;
// later ones override earlier. Takes args[i] and its value into settings (i moves past
// them) when it is one of them; Bad when its value is missing or no grid, number or
// preset (a preset's absence is said on stderr).
enum class Taken { No, Yes, Bad };
Taken TakeGridOption(const Args& args, std::size_t& i, CountSettings* settings);

// Flushes standard output: status, or `failed` (said on stderr) when it could not be written.
int Flushed(int status, int failed = 2);

// The text of penwick.conf (SettingsFilePath); empty when there is none.
std::string SettingsText();

// s as a JSON string, quotes included.
std::string JsonString(const std::string& s);

// Prints the usage text to stderr and returns 2.
int Usage();

}  // namespace penwick::cli
