// SPDX-License-Identifier: GPL-3.0-or-later
// Named grids, for figures in sheets outside the counter window: the built-in "default"
// (20×20 with the default kinsoku) and the writer's own, one line each under [grids] in
// penwick.conf:
//   [grids]
//   bunko=42x34
//   bunko.kinsoku=、。」』）
//   bunko.mode=0
// No Qt: penwick-cli reads them too. The file is the window's QSettings INI file; values
// may be quoted as QSettings quotes them.
#pragma once

#include "CounterReport.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace penwick {

struct GridPreset {
    std::string name;
    CountSettings settings;
};

// The presets of an INI text: "default" first, then those of [grids] in the order of
// their grid lines. A line that cannot be read (a grid that is not VxH with 1..500 cells,
// a mode that is not 0 or 1, a setting for no grid) is skipped and described in *problems.
std::vector<GridPreset> ParseGridPresets(std::string_view ini, std::vector<std::string>* problems = nullptr);

// The preset called `name`, if there is one.
std::optional<CountSettings> FindGridPreset(const std::vector<GridPreset>& presets, std::string_view name);

// The writer's grid: the preset that [editor] grid names ("default" when unset or unknown).
CountSettings ChosenGrid(std::string_view ini);

// $XDG_CONFIG_HOME/penwick/penwick.conf, or ~/.config/penwick/penwick.conf.
std::string SettingsFilePath();

}  // namespace penwick
