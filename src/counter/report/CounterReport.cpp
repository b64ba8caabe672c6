// SPDX-License-Identifier: GPL-3.0-or-later
#include "CounterReport.h"

#include "CharKind.h"
#include "Utf8.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <future>
#include <string_view>
#include <thread>

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

// Lines (before the split into sheets) and characters of one text.
struct Raw {
    std::int64_t lines = 0, chars = 0;
    bool failed = false;
    Raw& operator+=(const Raw& o) { lines += o.lines, chars += o.chars, failed |= o.failed; return *this; }
    Raw& operator-=(const Raw& o) { lines -= o.lines, chars -= o.chars, failed |= o.failed; return *this; }
    // As the library reports them: whole sheets, further lines, characters (saturated);
    // {-1, -1, -1} when memory ran out.
    CountResult figures(int horizontal) const
    {
        if (failed)
            return {-1, -1, -1};
        return {int32_t(std::min<std::int64_t>(lines / horizontal, INT32_MAX)), int32_t(lines % horizontal),
                int32_t(std::min<std::int64_t>(chars, INT32_MAX))};
    }
};

Raw Walk(std::string_view text, const CountSettings& s)
{
    const CountResult r = CountText(text.data(), text.size(), s.kinsoku.data(), s.kinsoku.size(), s.vertical,
                                    INT32_MAX, s.mode);
    if (r.nLines < 0)
        return {0, 0, true};
    return {std::int64_t(r.nSheets) * INT32_MAX + r.nLines, r.nChars};
}

// Where a text may be cut so that counting the two parts apart gives the same figures as
// counting it whole: right after a complete hard break (CR LF, LF, CR, VT, FF, NEL, LS,
// PS), which always starts a fresh source line. A CR at the very end is not such a place,
// since the LF that would complete it may follow in the next text.
std::size_t BreakEndAt(std::string_view t, std::size_t i)
{
    // Decoded as the count decodes it: no byte of a hard break can stand inside another
    // sequence, so trying every offset finds exactly the breaks the count sees.
    const Utf8Char c = DecodeUtf8(t.data() + i, t.data() + t.size());
    switch (counter::charKind(c.cp)) {
    case counter::CharKind::CarriageReturn:
        return i + 1 < t.size() ? (t[i + 1] == '\n' ? i + 2 : i + 1) : 0;
    case counter::CharKind::Break:
        return i + c.len;
    default:
        return 0;
    }
}

// The first and the last such cut inside t; false when there is none.
bool Cuts(std::string_view t, std::size_t* first, std::size_t* last)
{
    std::size_t i = 0;
    for (; i < t.size(); ++i)
        if (const std::size_t end = BreakEndAt(t, i)) {
            *first = end;
            break;
        }
    if (i == t.size())
        return false;
    // Backwards, the last break: one ending at j starts at most two bytes before it.
    for (std::size_t j = t.size(); j-- > i;)
        for (std::size_t start = j + 1; start-- > std::max(i, j >= 2 ? j - 2 : 0);)
            if (BreakEndAt(t, start) == j + 1) {
                *last = j + 1;
                return true;
            }
    *last = *first;
    return true;
}

// Runs work(0..n-1) on up to eight threads, each taking a run of items of about equal
// size(i); a small job runs on the calling thread.
template <class Size, class Work>
void ParallelFor(std::size_t n, Size&& size, Work&& work)
{
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < n; ++i)
        bytes += size(i);
    const std::size_t workers = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8);
    if (workers == 1 || bytes < (1u << 16)) {
        for (std::size_t i = 0; i < n; ++i)
            work(i);
        return;
    }
    std::vector<std::future<void>> running;
    for (std::size_t begin = 0; begin < n;) {
        std::size_t end = begin, taken = 0;
        while (end < n && (end == begin || taken < bytes / workers))
            taken += size(end++);
        running.push_back(std::async(std::launch::async, [&work, begin, end] {
            for (std::size_t i = begin; i < end; ++i)
                work(i);
        }));
        begin = end;
    }
    for (auto& r : running)
        r.get();
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
    const bool nul = std::any_of(chapters.begin(), chapters.end(),
                                 [](const std::string& c) { return c.find('\0') != std::string::npos; });
    if (nul || s.vertical < 1 || s.horizontal < 1) {
        // The plain way, where a NUL ends the text as it does for Count.
        std::string all;
        for (const std::string& chapter : chapters) {
            counts.chapters.push_back(CountOneText(chapter, s));
            all += chapter;
        }
        counts.total = CountOneText(all, s);
        return counts;
    }

    // Each chapter is counted once, side by side on the machine's cores, with the parts
    // before its first cut and after its last one (see Cuts).
    struct Chapter {
        Raw whole, head, tail;
        bool cut = false;
        std::size_t first = 0, last = 0;
    };
    std::vector<Chapter> parts(chapters.size());
    ParallelFor(chapters.size(), [&](std::size_t i) { return chapters[i].size(); }, [&](std::size_t i) {
        Chapter& p = parts[i];
        const std::string_view c = chapters[i];
        p.whole = Walk(c, s);
        p.cut = Cuts(c, &p.first, &p.last);
        if (p.cut) {
            p.head = Walk(c.substr(0, p.first), s);
            p.tail = Walk(c.substr(p.last), s);
        }
    });

    // The joined text differs from the chapters apart only where one chapter's last source
    // line runs on into the next one's first: each such join is counted again as it reads
    // joined; everything between a chapter's first and last cut is taken as it is.
    Raw total;
    std::vector<std::string> joins;
    std::vector<Raw> joined;
    std::string join;
    bool pending = false;   // join holds text (or a tail) to count
    for (std::size_t i = 0; i < chapters.size(); ++i) {
        const Chapter& p = parts[i];
        const std::string_view c = chapters[i];
        if (!p.cut) {
            join += c;
            pending = true;
            continue;
        }
        total += p.whole;
        total -= p.head;
        total -= p.tail;
        if (!pending || join.empty()) {
            total += p.head;   // nothing runs into it: its first line reads as it does alone
        } else {
            join += c.substr(0, p.first);
            joins.push_back(std::move(join));
        }
        join.assign(c.substr(p.last));
        pending = !join.empty();
        if (!pending)
            continue;
        if (i + 1 == chapters.size()) {
            total += p.tail;   // the last chapter's last line reads as it does alone
            pending = false;
        }
    }
    if (pending)
        joins.push_back(std::move(join));
    joined.resize(joins.size());
    ParallelFor(joins.size(), [&](std::size_t i) { return joins[i].size(); },
                [&](std::size_t i) { joined[i] = Walk(joins[i], s); });
    for (const Raw& r : joined)
        total += r;

    for (const Chapter& p : parts)
        counts.chapters.push_back(p.whole.figures(s.horizontal));
    counts.total = total.figures(s.horizontal);
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
