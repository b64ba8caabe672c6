// SPDX-License-Identifier: GPL-3.0-or-later
#include "WritingGoals.h"

#include "FileIO.h"
#include "ProjectSafety.h"
#include "TextLines.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace penwick {

namespace {

std::string Tenths(std::int64_t tenths)
{
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

}  // namespace

std::string FormatGrouped(std::int64_t n)
{
    std::string digits = std::to_string(n < 0 ? -n : n), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return (n < 0 ? "-" : "") + out;
}

std::string FormatTenths(double value)
{
    return Tenths(static_cast<std::int64_t>(std::floor(std::max(0.0, value) * 10 + 0.5)));
}

std::string FormatSheets(std::int64_t lines, int horizontal)
{
    // Exactly, in integers: 5 lines of a 20-line sheet are 0.3 sheets, as a writer rounds.
    const std::int64_t h = std::max(1, horizontal);
    return Tenths((std::max<std::int64_t>(lines, 0) * 20 + h) / (2 * h));
}

Day Today()
{
    const std::time_t now = std::time(nullptr);
    return LocalDay(now, LocalOffset(now));
}

std::optional<Target> ParseTarget(std::string_view text)
{
    text = Trimmed(text);
    Target t;
    if (text.ends_with("字")) {
        t.unit = Target::Unit::Chars;
        text.remove_suffix(std::string_view("字").size());
    } else if (text.ends_with("枚")) {
        text.remove_suffix(std::string_view("枚").size());
    }
    if (t.unit == Target::Unit::Chars) {
        std::int64_t chars = 0;
        if (!ParseInteger(text, &chars) || chars <= 0)
            return std::nullopt;
        t.amount = double(chars);
        return t;
    }
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string_view::npos
        || std::count(text.begin(), text.end(), '.') > 1 || text.front() == '.' || text.back() == '.')
        return std::nullopt;
    t.amount = std::strtod(std::string(text).c_str(), nullptr);
    if (!(t.amount > 0) || t.amount > 1e9)
        return std::nullopt;
    return t;
}

std::string FormatTarget(const Target& target)
{
    if (target.unit == Target::Unit::Chars)
        return std::to_string(std::llround(target.amount)) + "字";
    const double whole = std::round(target.amount);
    return (std::fabs(target.amount - whole) < 1e-9 ? std::to_string(std::llround(whole)) : FormatTenths(target.amount))
           + "枚";
}

std::optional<Day> ParseDay(std::string_view s)
{
    using namespace std::chrono;
    int y = 0;
    unsigned m = 0, d = 0;
    if (s.size() != 10 || s[4] != '-' || s[7] != '-' || !ParseInteger(s.substr(0, 4), &y)
        || !ParseInteger(s.substr(5, 2), &m) || !ParseInteger(s.substr(8, 2), &d))
        return std::nullopt;
    const year_month_day date{year{y}, month{m}, day{d}};
    if (!date.ok())
        return std::nullopt;
    return sys_days(date).time_since_epoch().count();
}

std::string FormatDay(Day n)
{
    using namespace std::chrono;
    const year_month_day date{sys_days{days{n}}};
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", int(date.year()), unsigned(date.month()), unsigned(date.day()));
    return buf;
}

std::string TargetsPathFor(const std::string& projectPath)
{
    return projectPath + ".targets";
}

ProjectTargets ReadTargets(const std::string& projectPath)
{
    ProjectTargets targets;
    std::string text;
    if (!ReadWholeFile(TargetsPathFor(projectPath), text))
        return targets;
    ForEachLine(text, [&](std::string_view line) {
        const std::size_t eq = line.find('=');
        if (line.empty() || line.front() == ';' || line.front() == '#' || eq == std::string_view::npos)
            return;
        const std::string_view key = Trimmed(line.substr(0, eq)), value = Trimmed(line.substr(eq + 1));
        if (key == "target")
            targets.project = ParseTarget(value);
        else if (key == "deadline")
            targets.deadline = ParseDay(value);
        else if (key.starts_with("node.") && key.size() > 5)
            SetNodeTarget(targets, std::string(key.substr(5)), ParseTarget(value));
    });
    return targets;
}

bool WriteTargets(const std::string& projectPath, const ProjectTargets& targets, std::string* error)
{
    const std::string path = TargetsPathFor(projectPath);
    if (!targets.project && !targets.deadline && targets.nodes.empty()) {
        std::error_code ec;
        std::filesystem::remove(path, ec);
        return true;
    }
    std::string text = "; Penwick: the target of " + std::filesystem::path(projectPath).filename().string() + "\n";
    if (targets.project)
        text += "target=" + FormatTarget(*targets.project) + "\n";
    if (targets.deadline)
        text += "deadline=" + FormatDay(*targets.deadline) + "\n";
    for (const NodeTarget& n : targets.nodes)
        text += "node." + n.path + "=" + FormatTarget(n.target) + "\n";
    const FileResult written = WriteFileAtomically(path, text);
    if (!written && error)
        *error = written.message;
    return bool(written);
}

std::string TitlePath(const std::vector<std::string>& titles)
{
    std::string path;
    for (const std::string& title : titles) {
        if (!path.empty())
            path += '/';
        for (const char c : title) {
            if (c == '/' || c == '\\')
                path += '\\';
            path += c == '\n' || c == '\r' || c == '=' ? ' ' : c;   // one line, one key
        }
    }
    return path;
}

const Target* FindNodeTarget(const ProjectTargets& targets, std::string_view path)
{
    for (const NodeTarget& n : targets.nodes)
        if (n.path == path)
            return &n.target;
    return nullptr;
}

void SetNodeTarget(ProjectTargets& targets, const std::string& path, std::optional<Target> target)
{
    std::erase_if(targets.nodes, [&](const NodeTarget& n) { return n.path == path; });
    if (target)
        targets.nodes.push_back({path, *target});
}

double Fraction(const Target& target, std::int64_t lines, std::int64_t chars, int horizontal)
{
    const double done = target.unit == Target::Unit::Sheets ? double(lines) / std::max(1, horizontal) : double(chars);
    return std::clamp(done / target.amount, 0.0, 1.0);
}

std::string DescribeProgress(const ProjectTargets& targets, std::int64_t lines, std::int64_t chars, int horizontal,
                             Day today)
{
    if (!targets.project)
        return {};
    const Target& t = *targets.project;
    const bool sheets = t.unit == Target::Unit::Sheets;
    const double done = sheets ? double(lines) / std::max(1, horizontal) : double(chars);
    const double left = t.amount - done;
    auto amount = [&](double v) { return sheets ? FormatTenths(v) + "枚" : FormatGrouped(std::llround(v)) + "字"; };
    std::string text = (sheets ? FormatSheets(lines, horizontal) : FormatGrouped(chars)) + " / " + FormatTarget(t);
    text += left > 0 ? " · 残り " + amount(left) : std::string(" · 達成");
    if (targets.deadline) {
        const Day days = *targets.deadline - today;
        if (days > 0) {
            text += " · 締切まで " + std::to_string(days) + "日";
            if (left > 0)
                text += "、1日あたり " + amount(left / double(days));
        } else if (days == 0) {
            text += " · 締切は今日";
        } else {
            text += " · 締切を " + std::to_string(-days) + "日過ぎています";
        }
    }
    return text;
}

Day LocalDay(std::int64_t when, std::int32_t offset)
{
    const std::int64_t local = when + offset;
    return local >= 0 ? local / 86400 : -((-local + 86399) / 86400);
}

std::int32_t LocalOffset(std::time_t when)
{
    std::tm tm{};
    localtime_r(&when, &tm);
    return static_cast<std::int32_t>(tm.tm_gmtoff);
}

std::vector<DayNet> NetPerDay(const std::vector<HistoryRecord>& records)
{
    std::vector<DayNet> days;
    if (records.empty())
        return days;
    // The first record is the baseline: what was there before it is not this history's.
    std::int64_t before = records.front().chars;
    Day current = LocalDay(records.front().when, records.front().offset);
    for (const HistoryRecord& r : records) {
        current = std::max(current, LocalDay(r.when, r.offset));   // days never go back
        if (days.empty() || days.back().day != current) {
            if (!days.empty())
                before += days.back().net;
            days.push_back({current, 0});
        }
        days.back().net = r.chars - before;
    }
    return days;
}

std::string HistoryPathFor(const std::string& projectPath)
{
    return BackupStore().folderFor(projectPath) + "/history.tsv";
}

std::vector<HistoryRecord> ReadHistory(const std::string& projectPath)
{
    std::vector<HistoryRecord> records;
    std::string text;
    if (!ReadWholeFile(HistoryPathFor(projectPath), text))
        return records;
    ForEachLine(text, [&](std::string_view line) {
        const std::size_t a = line.find('\t'), b = a == std::string_view::npos ? a : line.find('\t', a + 1);
        HistoryRecord r;
        if (b != std::string_view::npos && ParseInteger(line.substr(0, a), &r.when)
            && ParseInteger(line.substr(a + 1, b - a - 1), &r.offset)
            && ParseInteger(line.substr(b + 1), &r.chars))
            records.push_back(r);
    });
    return records;
}

bool RecordHistory(const std::string& projectPath, const HistoryRecord& record, std::string* error)
{
    std::vector<HistoryRecord> records = ReadHistory(projectPath);
    if (!records.empty() && records.back().chars == record.chars)
        return true;
    records.push_back(record);
    // Ten years of a save a minute would be far more; keep the newest.
    constexpr std::size_t kKeep = 100000;
    if (records.size() > kKeep)
        records.erase(records.begin(), records.end() - kKeep);
    std::string text;
    for (const HistoryRecord& r : records)
        text += std::to_string(r.when) + '\t' + std::to_string(r.offset) + '\t' + std::to_string(r.chars) + '\n';
    const std::string path = HistoryPathFor(projectPath);
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    const FileResult written = WriteFileAtomically(path, text);
    if (!written && error)
        *error = written.message;
    return bool(written);
}

}  // namespace penwick
