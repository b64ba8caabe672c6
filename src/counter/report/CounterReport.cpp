#include "CounterReport.h"

#include <cstdio>

namespace penwick {

namespace {

std::string Printf(const char* format, int a, int b, int c, int d = 0, bool four = false)
{
    char buf[192];
    if (four)
        std::snprintf(buf, sizeof buf, format, a, b, c, d);
    else
        std::snprintf(buf, sizeof buf, format, a, b, c);
    return buf;
}

}  // namespace

CountResult CountOneText(const std::string& text, const CountSettings& s)
{
    // Private copies for the call: the library must not see the caller's buffers change.
    const std::string textCopy = text, kinsokuCopy = s.kinsoku;
    ::Count(textCopy.c_str(), kinsokuCopy.c_str(), s.vertical, s.horizontal, s.mode);
    return ReturnCount();
}

ProjectCounts CountChapters(const std::vector<std::string>& chapters, const CountSettings& s)
{
    ProjectCounts counts;
    std::string all;
    for (const std::string& chapter : chapters) {
        counts.chapters.push_back(CountOneText(chapter, s));
        all += chapter;
    }
    counts.total = CountOneText(all, s);
    return counts;
}

std::string FormatReport(const ProjectCounts& counts, const char* lineEnd)
{
    std::string report;
    int i = 0;
    for (const CountResult& r : counts.chapters)
        report += Printf("Chapter[%d] \t %d枚と%d行 %d文字", ++i, r.nSheets, r.nLines, r.nChars, true) + lineEnd;
    const CountResult& t = counts.total;
    report += lineEnd + Printf("総計 \t \t %d枚と%d行 %d文字", t.nSheets, t.nLines, t.nChars) + lineEnd;
    return report;
}

std::string FormatRealtime(const CountResult& r)
{
    return "現在開いているページ（リアルタイム）\r\n" + Printf(" \t %d枚と%d行 %d文字\r\n", r.nSheets, r.nLines, r.nChars);
}

std::string FormatCount(const CountResult& r)
{
    return Printf("%d枚と%d行 %d文字", r.nSheets, r.nLines, r.nChars);
}

}  // namespace penwick
