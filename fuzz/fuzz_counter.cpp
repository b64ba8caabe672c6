// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the counting library through its C interface.
//
// Input: byte 0 picks the cells per line V, byte 1 the lines per sheet H, byte 2 the mode and
// whether the kinsoku set is taken raw from the input; bytes 3-4 pick kinsoku characters from
// a palette whose classes are known (opening brackets, which may not end a line, and
// characters that may not start one). The rest is the text.
//
// Besides "no crash", the checks are properties of the layout that hold for every text:
//  - no negative figure; lines < H; sheets * H + lines is the line total whatever H;
//  - characters do not depend on mode or kinsoku;
//  - a text split after its hard breaks has as many lines and characters as the whole;
//  - every manuscript line holds at least one cell, so no layout has more lines than the
//    grid of one cell per line;
//  - hanging only saves lines and pushing only adds them: with only the characters that
//    may not start a line, kinsoku gives at most the mode 0 lines; with only opening
//    brackets, at least. Pushing moves cells forward and the no-push layout is monotone in
//    its position, so adding the brackets to a set never gives fewer lines than the set
//    without them.
//  - by how much: every line but a source line's last is full except for the cells a push
//    moved away, so lines = ceil((cells - hung + moved) / V) per source line. A push moves
//    fewer than V cells, so it adds at most one line; V hung cells save at most one line.
//    Hence grid - (hung characters) <= kinsoku lines <= grid + (opening brackets).
//  - Count/ReturnCount agree with CountText, and every non-zero mode is mode 1.
//  - the layout manuscript paper is drawn from (layOutManuscript) takes the counted lines;
//    its lines come in order, each filled from cell 0 without a gap (hanging cells after
//    the last), and its cells cover the text's bytes in order without overlap.
#include "KinsokuSet.h"
#include "ManuscriptLayout.h"
#include "counter.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

#define CHECK(cond)                                                                   \
    do {                                                                              \
        if (!(cond)) {                                                                \
            std::fprintf(stderr, "check failed at line %d: %s\n", __LINE__, #cond);   \
            std::abort();                                                             \
        }                                                                             \
    } while (0)

const char* const kOpening[] = {"「", "『", "（", "【", "“", "〈"};
const char* const kNoStart[] = {"、", "。", "」", "』", "）", "！", "ー", "　", " ", "？"};

struct Input {
    int v = 20;
    int h = 20;
    int mode = 1;
    bool rawSet = false;
    std::string set, opening, noStart;
    std::string text;
};

Input decode(const std::uint8_t* data, std::size_t size)
{
    std::uint8_t head[5] = {0, 0, 0, 0, 0};
    const std::size_t headLen = size < 5 ? size : 5;
    std::memcpy(head, data, headLen);
    data += headLen;
    size -= headLen;

    Input in;
    const int b0 = head[0];
    if (b0 < 200)
        in.v = 1 + b0 % 24;
    else if (b0 < 250)
        in.v = 1 + (b0 - 200) * 11;
    else {
        const int special[] = {INT_MAX, 0, -1, INT_MIN, 500, 2};
        in.v = special[b0 - 250];
    }
    in.h = head[1] == 255 ? INT_MAX : head[1] == 254 ? 0 : 1 + head[1] % 30;
    const int modes[] = {1, 0, 2, -7};
    in.mode = modes[head[2] & 3];
    in.rawSet = head[2] & 0x80;
    if (in.rawSet) {
        std::size_t n = (head[2] >> 2) & 0x1F;
        n = n < size ? n : size;
        in.set.assign(reinterpret_cast<const char*>(data), n);
        data += n;
        size -= n;
    } else {
        const unsigned bits = head[3] | unsigned(head[4]) << 8;
        for (unsigned i = 0; i < 6; ++i)
            if (bits >> i & 1)
                in.opening += kOpening[i];
        for (unsigned i = 0; i < 10; ++i)
            if (bits >> (6 + i) & 1)
                in.noStart += kNoStart[i];
        in.set = in.opening + in.noStart;
    }
    in.text.assign(reinterpret_cast<const char*>(data), size);
    return in;
}

CountResult count(const std::string& text, const std::string& set, int v, int h, int mode)
{
    return CountText(text.data(), text.size(), set.data(), set.size(), v, h, mode);
}

long long totalLines(const std::string& text, const std::string& set, int v, int mode)
{
    const CountResult r = count(text, set, v, 1, mode);
    CHECK(r.nSheets >= 0 && r.nLines == 0);
    return r.nSheets;
}

// How often any of `chars` occurs in `text`; an upper bound on the cells that begin with
// one of them, since well-formed sequences never overlap.
long long occurrences(const std::string& text, const char* const* chars, std::size_t n, const std::string& set)
{
    long long found = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (set.find(chars[i]) == std::string::npos)
            continue;
        for (std::size_t at = text.find(chars[i]); at != std::string::npos; at = text.find(chars[i], at + 1))
            ++found;
    }
    return found;
}

bool same(const CountResult& a, const CountResult& b)
{
    return a.nSheets == b.nSheets && a.nLines == b.nLines && a.nChars == b.nChars;
}

// Byte offsets just after each hard break; a CR directly before an LF is not a break of
// its own. Breaks are ASCII or start with a lead byte, so these offsets are character
// boundaries for any input.
std::vector<std::size_t> breakEnds(const std::string& s)
{
    std::vector<std::size_t> ends;
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (p[i] == '\n' || p[i] == '\v' || p[i] == '\f')
            ends.push_back(i + 1);
        else if (p[i] == '\r' && !(i + 1 < n && p[i + 1] == '\n'))
            ends.push_back(i + 1);
        else if (p[i] == 0xC2 && i + 1 < n && p[i + 1] == 0x85)
            ends.push_back((i += 1) + 1);
        else if (p[i] == 0xE2 && i + 2 < n && p[i + 1] == 0x80 && (p[i + 2] == 0xA8 || p[i + 2] == 0xA9))
            ends.push_back((i += 2) + 1);
    }
    return ends;
}

void checkLayout(const Input& in, long long total)
{
    const penwick::counter::KinsokuSet set =
        in.mode != 0 ? penwick::counter::KinsokuSet(in.set.data(), in.set.size()) : penwick::counter::KinsokuSet();
    long long lastLine = -1;
    std::size_t lastEnd = 0;
    const long long lines = penwick::counter::layOutManuscript(
        in.text.data(), in.text.size(), set, in.v, [&](const std::vector<penwick::counter::LaidCell>& line) {
            CHECK(!line.empty() && line.front().line > lastLine);
            lastLine = line.front().line;
            for (std::size_t k = 0; k < line.size(); ++k) {
                const penwick::counter::LaidCell& c = line[k];
                CHECK(c.line == lastLine && c.cell == static_cast<long long>(k));
                CHECK(c.hanging == (c.cell >= in.v));
                CHECK(c.begin >= lastEnd && c.begin < c.end && c.end <= in.text.size());
                lastEnd = c.end;
            }
        });
    CHECK(lines == total && lastLine < total);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const Input in = decode(data, size);
    const CountResult r = count(in.text, in.set, in.v, in.h, in.mode);
    if (in.v < 1 || in.h < 1) {
        CHECK(r.nSheets == 0 && r.nLines == 0 && r.nChars == 0);
        return 0;
    }
    CHECK(r.nSheets >= 0 && r.nLines >= 0 && r.nChars >= 0);
    CHECK(r.nLines < in.h);

    const long long total = totalLines(in.text, in.set, in.v, in.mode);
    CHECK(static_cast<long long>(r.nSheets) * in.h + r.nLines == total);
    checkLayout(in, total);

    // The C pair over a NUL-terminated copy (the text up to its first NUL).
    {
        std::string upToNul(in.text.c_str());
        std::vector<char> copy(upToNul.begin(), upToNul.end());
        copy.push_back('\0');
        CHECK(Count(copy.data(), in.set.c_str(), in.v, in.h, in.mode) == 0);
        std::memset(copy.data(), 'x', copy.size() - 1);
        copy.clear();
        copy.shrink_to_fit();
        std::string setUpToNul(in.set.c_str());
        CHECK(same(ReturnCount(), count(upToNul, setUpToNul, in.v, in.h, in.mode)));
    }

    const long long grid = totalLines(in.text, in.set, in.v, 0);
    const long long kinsoku = in.mode == 0 ? totalLines(in.text, in.set, in.v, 1) : total;
    CHECK(count(in.text, in.set, in.v, in.h, 2).nChars == r.nChars);
    CHECK(same(count(in.text, in.set, in.v, in.h, -7), count(in.text, in.set, in.v, in.h, 1)));
    CHECK(totalLines(in.text, std::string(), in.v, 1) == grid);
    CHECK(count(in.text, in.set, in.v, in.h, 0).nChars == r.nChars);

    const long long cells = totalLines(in.text, std::string(), 1, 0);
    CHECK(grid <= cells && kinsoku <= cells);

    if (!in.rawSet) {
        const long long hangOnly = totalLines(in.text, in.noStart, in.v, 1);
        const long long pushOnly = totalLines(in.text, in.opening, in.v, 1);
        CHECK(hangOnly <= grid);
        CHECK(grid <= pushOnly);
        CHECK(hangOnly <= kinsoku);
        if (in.v == 1)
            CHECK(pushOnly == grid);  // a one-cell line never pushes
        // Each push adds at most one line and needs an opening bracket in the last cell;
        // each line hanging saves needs at least one hung character.
        const long long openers = occurrences(in.text, kOpening, 6, in.opening);
        const long long closers = occurrences(in.text, kNoStart, 10, in.noStart);
        CHECK(kinsoku <= grid + openers && pushOnly <= grid + openers);
        CHECK(grid <= kinsoku + closers);
    }

    // Chapters that each end with a break: the lines and characters add up.
    {
        long long lines = 0, chars = 0;
        std::size_t from = 0;
        std::vector<std::size_t> ends = breakEnds(in.text);
        ends.push_back(in.text.size());
        for (std::size_t to : ends) {
            const std::string part = in.text.substr(from, to - from);
            lines += totalLines(part, in.set, in.v, in.mode);
            chars += count(part, in.set, in.v, 1, in.mode).nChars;
            from = to;
        }
        CHECK(lines == total);
        CHECK(chars == r.nChars);
    }
    return 0;
}
