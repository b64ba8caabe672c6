// SPDX-License-Identifier: GPL-3.0-or-later
#include "GridPresets.h"

#include "IniText.h"

#include <cstdlib>

namespace penwick {

namespace {

bool ParseGrid(std::string_view s, CountSettings* settings)
{
    const std::size_t x = s.find_first_of("xX");
    int v = 0, h = 0;
    if (x == std::string_view::npos || !ParseInteger(s.substr(0, x), &v) || !ParseInteger(s.substr(x + 1), &h)
        || v < 1 || v > 500 || h < 1 || h > 500)
        return false;
    settings->vertical = v;
    settings->horizontal = h;
    return true;
}

}  // namespace

std::vector<GridPreset> ParseGridPresets(std::string_view ini, std::vector<std::string>* problems)
{
    std::vector<GridPreset> presets{{"default", CountSettings{}}};
    auto complain = [&](std::string_view line, const char* why) {
        if (problems)
            problems->push_back("[grids] " + std::string(line) + ": " + why);
    };
    // Settings may come before or after their grid line: read the grids first.
    const auto entries = IniSection(ini, "grids", [&](std::string_view line) { complain(line, "no '='"); });
    for (const auto& [key, value] : entries) {
        if (key.find('.') != std::string::npos)
            continue;
        GridPreset preset{key, CountSettings{}};
        if (key.empty() || !ParseGrid(value, &preset.settings)) {
            complain(key + "=" + value, "not a grid VxH of 1..500 cells");
            continue;
        }
        if (FindGridPreset(presets, key)) {
            complain(key + "=" + value, "a second grid of this name");
            continue;
        }
        presets.push_back(preset);
    }
    for (const auto& [key, value] : entries) {
        const std::size_t dot = key.find('.');
        if (dot == std::string::npos)
            continue;
        const std::string name = key.substr(0, dot), setting = key.substr(dot + 1);
        GridPreset* preset = nullptr;
        for (std::size_t i = 1; i < presets.size(); ++i)   // the built-in grid stays as it is
            if (presets[i].name == name)
                preset = &presets[i];
        int mode = 0;
        if (!preset)
            complain(key + "=" + value, "no grid of this name");
        else if (setting == "kinsoku")
            preset->settings.kinsoku = value;
        else if (setting == "mode" && ParseInteger(value, &mode) && (mode == 0 || mode == 1))
            preset->settings.mode = mode;
        else
            complain(key + "=" + value, setting == "mode" ? "mode is 0 or 1" : "unknown setting");
    }
    return presets;
}

std::optional<CountSettings> FindGridPreset(const std::vector<GridPreset>& presets, std::string_view name)
{
    for (const GridPreset& p : presets)
        if (p.name == name)
            return p.settings;
    return std::nullopt;
}

CountSettings ChosenGrid(std::string_view ini)
{
    const auto preset = FindGridPreset(ParseGridPresets(ini), IniValue(ini, "editor", "grid"));
    return preset ? *preset : CountSettings{};
}

std::string SettingsFilePath()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config == '/')
        return std::string(config) + "/penwick/penwick.conf";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.config/penwick/penwick.conf";
}

}  // namespace penwick
