// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A project's target and its writing history, both outside the project file, which keeps
// its format byte for byte: other tools and older Penwicks open it as before.
//
// The target lives in a small text file beside the project (霧の街.xml.targets), so that it
// travels with the project when the folder is copied and can be read and edited by hand:
//   target=150枚          (or 60000字)
//   deadline=2027-03-31
//   node.第一章=40枚       (a node's own target, by its path of titles)
// The history lives in the user's data folder with the project's backups (history.tsv):
// one line per record, "seconds since the epoch<TAB>the local UTC offset in seconds<TAB>the
// manuscript's characters". A record belongs to the local day of its moment, but never to
// a day before the previous record's: a clock or time zone moved back cannot count a day
// twice, one moved forward cannot lose one (the days' net characters always add up to the
// last total less the first).

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace penwick {

struct Target {
    enum class Unit { Sheets, Chars } unit = Unit::Sheets;
    double amount = 0;
};

// "150枚", "150", "60000字", "6万字" is not understood: digits (and one decimal point for
// sheets) with 枚 or 字.
std::optional<Target> ParseTarget(std::string_view text);
std::string FormatTarget(const Target& target);

// A day as days since 1970-01-01 (the proleptic Gregorian calendar).
using Day = std::int64_t;
std::optional<Day> ParseDay(std::string_view yyyymmdd);   // "2027-03-31"
std::string FormatDay(Day day);

// A node's target goes by the node's path of titles ("第一章/二の一"; a '/' or '\' in a
// title is escaped with '\'), the first node of that path when titles repeat.
struct NodeTarget {
    std::string path;
    Target target;
};

struct ProjectTargets {
    std::optional<Target> project;
    std::optional<Day> deadline;
    std::vector<NodeTarget> nodes;
};

// The path of titles of `titles` (outermost first), and the target kept for it.
std::string TitlePath(const std::vector<std::string>& titles);
const Target* FindNodeTarget(const ProjectTargets& targets, std::string_view path);
void SetNodeTarget(ProjectTargets& targets, const std::string& path, std::optional<Target> target);

// How far a text of `lines` and `chars` is toward `target` (0 .. 1).
double Fraction(const Target& target, std::int64_t lines, std::int64_t chars, int horizontal);

std::string TargetsPathFor(const std::string& projectPath);
// Missing file: no target. Lines not understood are left out.
ProjectTargets ReadTargets(const std::string& projectPath);
// Written atomically; an empty target removes the file. The message on failure.
bool WriteTargets(const std::string& projectPath, const ProjectTargets& targets, std::string* error);

// Figures as writers read them: 50,902 (grouped), 127.4 (tenths, halves rounded up; sheets
// from lines exactly), and the local day now.
std::string FormatGrouped(std::int64_t n);
std::string FormatTenths(double value);
std::string FormatSheets(std::int64_t lines, int horizontal);

// "127.4 / 150枚 · 残り 22.6枚 · 締切まで 12日、1日あたり 1.9枚": progress against the target,
// `lines` and `chars` being the manuscript's, `horizontal` its lines per sheet, `today` the
// local day.
std::string DescribeProgress(const ProjectTargets& targets, std::int64_t lines, std::int64_t chars, int horizontal,
                             Day today);

struct HistoryRecord {
    std::int64_t when = 0;     // seconds since the epoch
    std::int32_t offset = 0;   // the local UTC offset then, seconds
    std::int64_t chars = 0;
};

struct DayNet {
    Day day = 0;
    std::int64_t net = 0;   // characters written that day, less those removed
};

// The records' days, in order, each with its net characters.
std::vector<DayNet> NetPerDay(const std::vector<HistoryRecord>& records);

// The local day of a moment, the local UTC offset then, and the local day now.
Day LocalDay(std::int64_t when, std::int32_t offset);
std::int32_t LocalOffset(std::time_t when);
Day Today();

std::string HistoryPathFor(const std::string& projectPath);
std::vector<HistoryRecord> ReadHistory(const std::string& projectPath);
// Appends a record when the characters changed since the last one (or none exists).
bool RecordHistory(const std::string& projectPath, const HistoryRecord& record, std::string* error);

}  // namespace penwick
