// SPDX-License-Identifier: GPL-3.0-or-later
// penwick-cli count: the manuscript-paper counter's report from the command line.
#include "CliCommands.h"

#include "DomDocument.h"
#include "FileIO.h"
#include "ResultCode.h"
#include "TextAssembly.h"
#include "TextFileCodec.h"
#include "CounterReport.h"
#include "RubyNotation.h"

#include <cstdio>
#include <iostream>

namespace penwick::cli {

namespace {

struct CountOptions : CountSettings {
    bool json = false;
    bool textFile = false;
    bool withoutRuby = false;   // --ruby exclude: counted as the novel sites count
    std::string path;
};

bool ParseCountArgs(const Args& args, CountOptions* o)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (const Taken t = TakeGridOption(args, i, o); t != Taken::No) {
            if (t == Taken::Bad)
                return false;
        } else if (a == "--ruby" && hasValue) {
            const std::string& v = args[++i];
            if (v != "include" && v != "exclude")
                return false;
            o->withoutRuby = v == "exclude";
        } else if (a == "--json") {
            o->json = true;
        } else if (a == "--text" && hasValue && o->path.empty()) {
            o->textFile = true;
            o->path = args[++i];
        } else if (a.starts_with("--") || !o->path.empty()) {
            return false;
        } else {
            o->path = a;
        }
    }
    return !o->path.empty();
}

std::string Json(const CountResult& r, int chapter = 0)
{
    char buf[160];
    if (chapter > 0)
        std::snprintf(buf, sizeof buf, "{\"chapter\":%d,\"sheets\":%d,\"lines\":%d,\"chars\":%d}", chapter,
                      r.nSheets, r.nLines, r.nChars);
    else
        std::snprintf(buf, sizeof buf, "{\"sheets\":%d,\"lines\":%d,\"chars\":%d}", r.nSheets, r.nLines,
                      r.nChars);
    return buf;
}

int CountTextFile(const CountOptions& o)
{
    std::string bytes;
    const FileResult read = ReadWholeFile(o.path, bytes);
    if (!read) {
        std::cerr << "penwick-cli: " << read.message << '\n';
        return 1;
    }
    std::string text = DecodeTextFile(bytes).utf8;
    if (o.withoutRuby)
        text = notation::PlainText(text);
    const CountResult r = CountOneText(text, o);
    std::cout << (o.json ? Json(r) : FormatCount(r)) << '\n';
    return 0;
}

}  // namespace

int Count(const Args& args)
{
    CountOptions o;
    if (!ParseCountArgs(args, &o))
        return Usage();
    if (o.textFile)
        return CountTextFile(o);

    DomDocument doc;
    if (const Status s = doc.load(o.path); !s) {
        std::cerr << "penwick-cli: " << s.message << '\n';
        return 1;
    }
    std::vector<std::string> chapters;
    if (!GetAllChapterTexts(doc, ReportTo(o.path), &chapters))
        return 1;
    if (o.withoutRuby)
        for (std::string& chapter : chapters)
            chapter = notation::PlainText(chapter);
    // The same calls and texts as the counter dialog, with LF line ends.
    const ProjectCounts counts = CountChapters(chapters, o);
    if (!o.json) {
        std::cout << FormatReport(counts, "\n");
        return 0;
    }
    std::string json = "{\"chapters\":[";
    for (std::size_t i = 0; i < counts.chapters.size(); ++i) {
        if (i)
            json += ',';
        json += Json(counts.chapters[i], int(i + 1));
    }
    std::cout << json << "],\"total\":" << Json(counts.total) << "}\n";
    return 0;
}

}  // namespace penwick::cli
