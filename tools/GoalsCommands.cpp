// SPDX-License-Identifier: GPL-3.0-or-later
// penwick-cli target and stats: the project's target (kept beside it) and where the
// manuscript stands: totals, chapters, progress and the days written.
#include "CliCommands.h"

#include "DomDocument.h"
#include "GridPresets.h"
#include "ProjectFormat.h"
#include "WritingGoals.h"

#include <cstdio>
#include <ctime>
#include <iostream>

namespace penwick::cli {

namespace {

// The counter's lines before the split into sheets.
std::int64_t LinesOf(const CountResult& r, const CountSettings& grid)
{
    return std::int64_t(r.nSheets) * grid.horizontal + r.nLines;
}

// The grid the window uses: [editor] grid of penwick.conf.
CountSettings WritersGrid()
{
    return ChosenGrid(SettingsText());
}

}  // namespace

int Target(const Args& args)
{
    std::string path, value, deadline, node;
    bool clear = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--deadline" && i + 1 < args.size())
            deadline = args[++i];
        else if (args[i] == "--node" && i + 1 < args.size())
            node = args[++i];
        else if (args[i] == "--clear")
            clear = true;
        else if (args[i].starts_with("--"))
            return Usage();
        else if (path.empty())
            path = args[i];
        else if (value.empty())
            value = args[i];
        else
            return Usage();
    }
    DomDocument doc;
    if (path.empty() || !LoadProject(path, doc))
        return path.empty() ? Usage() : 1;
    ProjectTargets targets = clear ? ProjectTargets{} : ReadTargets(path);
    if (!value.empty()) {
        const std::optional<penwick::Target> target = ParseTarget(value);
        if (!target) {
            std::cerr << "penwick-cli: 目標「" << value << "」は 150枚 や 60000字 のように書いてください。\n";
            return 2;
        }
        if (node.empty())
            targets.project = target;
        else
            SetNodeTarget(targets, node, target);
    } else if (!node.empty()) {
        return Usage();   // a node's target needs its amount
    }
    if (!deadline.empty()) {
        targets.deadline = ParseDay(deadline);
        if (!targets.deadline) {
            std::cerr << "penwick-cli: 締切「" << deadline << "」は 2027-03-31 のように書いてください。\n";
            return 2;
        }
    }
    std::string error;
    if ((clear || !value.empty() || !deadline.empty()) && !WriteTargets(path, targets, &error)) {
        std::cerr << "penwick-cli: " << error << '\n';
        return 1;
    }
    for (const NodeTarget& n : targets.nodes)
        std::cout << n.path << '\t' << FormatTarget(n.target) << '\n';
    if (!targets.project) {
        std::cout << "(no target)\n";
        return 0;
    }
    const CountSettings grid = WritersGrid();
    std::vector<std::string> chapters;
    if (!GetAllChapterTexts(doc, ReportTo(path), &chapters))
        return 1;
    const CountResult total = CountChapters(chapters, grid).total;
    std::cout << DescribeProgress(targets, LinesOf(total, grid), total.nChars, grid.horizontal, Today()) << '\n';
    return 0;
}

int Stats(const Args& args)
{
    CountSettings grid = WritersGrid();
    std::string path;
    bool json = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (const Taken t = TakeGridOption(args, i, &grid); t != Taken::No) {
            if (t == Taken::Bad)
                return Usage();
        } else if (args[i] == "--json") {
            json = true;
        } else if (args[i].starts_with("--") || !path.empty()) {
            return Usage();
        } else {
            path = args[i];
        }
    }
    if (grid.vertical < 1 || grid.horizontal < 1)
        return Usage();   // no sheets to speak of
    DomDocument doc;
    if (path.empty() || !LoadProject(path, doc))
        return path.empty() ? Usage() : 1;
    std::vector<std::string> chapters;
    if (!GetAllChapterTexts(doc, ReportTo(path), &chapters))
        return 1;
    // The counter's figures: each chapter, and the whole (the chapters joined).
    const ProjectCounts counts = CountChapters(chapters, grid);
    const int h = grid.horizontal;
    const std::int64_t totalLines = LinesOf(counts.total, grid), totalChars = counts.total.nChars;
    const ProjectTargets targets = ReadTargets(path);
    const Day today = Today();
    const std::string progress = DescribeProgress(targets, totalLines, totalChars, h, today);
    std::vector<DayNet> days = NetPerDay(ReadHistory(path));
    std::erase_if(days, [&](const DayNet& d) { return d.day <= today - 30; });

    std::vector<std::string> titles;
    for (DomNode node = doc.documentElement().firstChild(); node && titles.size() < chapters.size();
         node = node.nextSibling())
        titles.push_back(format::NodeTitle(node));
    const std::string gridName = std::to_string(grid.vertical) + "x" + std::to_string(grid.horizontal);
    if (json) {
        std::string out = "{\"grid\":\"" + gridName + "\",\"total\":{\"sheets\":" + FormatSheets(totalLines, h)
                          + ",\"lines\":" + std::to_string(totalLines) + ",\"chars\":" + std::to_string(totalChars) + "},\"chapters\":[";
        for (std::size_t i = 0; i < counts.chapters.size(); ++i)
            out += std::string(i ? "," : "") + "{\"title\":" + JsonString(titles[i]) + ",\"sheets\":"
                   + FormatSheets(LinesOf(counts.chapters[i], grid), h) + ",\"lines\":" + std::to_string(LinesOf(counts.chapters[i], grid))
                   + ",\"chars\":" + std::to_string(counts.chapters[i].nChars) + "}";
        out += "],\"target\":";
        out += targets.project ? "{\"target\":" + JsonString(FormatTarget(*targets.project)) + ",\"deadline\":"
                                     + (targets.deadline ? JsonString(FormatDay(*targets.deadline)) : "null")
                                     + ",\"progress\":" + JsonString(progress) + "}"
                               : "null";
        out += ",\"days\":[";
        for (std::size_t i = 0; i < days.size(); ++i)
            out += std::string(i ? "," : "") + "{\"day\":\"" + FormatDay(days[i].day)
                   + "\",\"net\":" + std::to_string(days[i].net) + "}";
        std::cout << out << "]}\n";
        return 0;
    }
    std::cout << "全体\t" << FormatSheets(totalLines, h) << "枚\t" << totalChars << "字\t(" << gridName << ")\n";
    for (std::size_t i = 0; i < counts.chapters.size(); ++i)
        std::cout << titles[i] << '\t' << FormatSheets(LinesOf(counts.chapters[i], grid), h) << "枚\t" << counts.chapters[i].nChars
                  << "字\n";
    if (!progress.empty())
        std::cout << "目標\t" << progress << '\n';
    for (const DayNet& d : days)
        std::cout << FormatDay(d.day) << '\t' << (d.net >= 0 ? "+" : "") << d.net << "字\n";
    return 0;
}

}  // namespace penwick::cli
