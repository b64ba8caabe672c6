// SPDX-License-Identifier: GPL-3.0-or-later
// Load, save, search, export and `penwick-cli info` on the 1,000,000-character, 3,300-node project
// (scale 1) and on one ten times larger (scale 10).
#include "DomDocument.h"
#include "EpubExport.h"
#include "ManuscriptMap.h"
#include "ManuscriptPdf.h"
#include "ProjectGenerator.h"
#include "ProjectSearch.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <fstream>

using namespace penwick;

namespace {

const std::string& LargeProject(int scale)
{
    static std::map<int, std::string> made;
    std::string& xml = made[scale];
    if (xml.empty())
        xml = bench::GenerateLargeProject(PENWICK_CORPUS_DIR, scale);
    return xml;
}

std::string TempFile(const char* name)
{
    return (std::filesystem::temp_directory_path() / name).string();
}

void WriteLargeProject(const std::string& path, int scale)
{
    std::ofstream(path, std::ios::binary) << LargeProject(scale);
}

void BM_LoadFromFile(benchmark::State& state)
{
    const std::string path = TempFile("penwick-bench-load.xml");
    WriteLargeProject(path, int(state.range(0)));
    for (auto _ : state) {
        DomDocument doc;
        if (!doc.load(path))
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(doc.documentElement());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(LargeProject(int(state.range(0))).size()));
    std::filesystem::remove(path);
}
BENCHMARK(BM_LoadFromFile)->Arg(1)->Arg(10)->ArgName("scale")->Unit(benchmark::kMillisecond);

// Searching every node's text for a word (the search panel's and penwick-cli grep's core),
// with and without case folding.
void BM_SearchProject(benchmark::State& state)
{
    DomDocument doc;
    if (!doc.loadFromBytes(LargeProject(int(state.range(0))), "bench.xml"))
        state.SkipWithError("load failed");
    std::size_t found = 0;
    for (auto _ : state)
        found = SearchProject(doc, "下人", {false, state.range(1) != 0}).size();
    state.counters["results"] = double(found);
}
// The vertical EPUB of the whole project, in memory (zipped).
void BM_ExportEpub(benchmark::State& state)
{
    DomDocument doc;
    if (!doc.loadFromBytes(LargeProject(int(state.range(0))), "bench.xml"))
        state.SkipWithError("load failed");
    std::string bytes;
    for (auto _ : state)
        if (!AssembleEpub(doc, {"bench.xml", 1}, [](HRESULT, std::string_view) {}, &bytes))
            state.SkipWithError("export failed");
    state.counters["MB"] = double(bytes.size()) / (1024 * 1024);
}
BENCHMARK(BM_ExportEpub)->Arg(1)->Arg(10)->ArgName("scale")->Unit(benchmark::kMillisecond);

// Manuscript paper: the whole project on 20×20 sheets, font subset embedded.
void BM_ExportManuscriptPdf(benchmark::State& state)
{
    DomDocument doc;
    if (!doc.loadFromBytes(LargeProject(int(state.range(0))), "bench.xml"))
        state.SkipWithError("load failed");
    std::string bytes;
    ManuscriptOptions options;
    options.modified = 1;
    for (auto _ : state)
        if (!AssembleManuscriptPdf(doc, options, [](HRESULT, std::string_view) {}, &bytes))
            state.SkipWithError("export failed");
    state.counters["MB"] = double(bytes.size()) / (1024 * 1024);
    std::size_t pages = 0;
    for (std::size_t at = 0; (at = bytes.find("/Type /Page ", at)) != std::string::npos; ++at)
        ++pages;
    state.counters["pages"] = double(pages);
}
BENCHMARK(BM_ExportManuscriptPdf)->Arg(1)->ArgName("scale")->Unit(benchmark::kMillisecond);

BENCHMARK(BM_SearchProject)->Args({1, 0})->Args({1, 1})->Args({10, 0})->ArgNames({"scale", "match_case"})->Unit(benchmark::kMillisecond);

// The benchmark project laid out on manuscript paper; a node in its middle.
int MiddleNodeOfLargeProject(int scale, DomDocument* doc, ManuscriptMap* map)
{
    if (!doc->loadFromBytes(LargeProject(scale), "bench.xml"))
        std::abort();
    map->build(*doc);
    return map->nodeCount() / 2;
}

// One keystroke with the position line shown: the node's text changes by a character in the
// middle of a paragraph, then the caret's place, the node's length and the total are asked.
void BM_PositionKeystroke(benchmark::State& state)
{
    DomDocument doc;
    ManuscriptMap map;
    const int node = MiddleNodeOfLargeProject(int(state.range(0)), &doc, &map);
    const std::string original = map.node(node).firstChild().text();
    const std::string typed = original.substr(0, original.size() / 2) + "あ" + original.substr(original.size() / 2);
    bool flip = false;
    std::int64_t sink = 0;
    for (auto _ : state) {
        flip = !flip;
        map.setNodeText(node, flip ? typed : original);
        sink += map.positionOf(node, original.size() / 2 + 3).cell + map.nodeLength(node).lines + map.total().lines;
    }
    benchmark::DoNotOptimize(sink);
    state.counters["node_bytes"] = double(original.size());
}
BENCHMARK(BM_PositionKeystroke)->Arg(1)->Arg(10)->ArgName("scale")->Unit(benchmark::kMicrosecond);

// Pressing Enter: a paragraph more, so the fragments after it move.
void BM_PositionNewParagraph(benchmark::State& state)
{
    DomDocument doc;
    ManuscriptMap map;
    const int node = MiddleNodeOfLargeProject(int(state.range(0)), &doc, &map);
    const std::string original = map.node(node).firstChild().text();
    const std::string split = original.substr(0, original.size() / 2) + "\n" + original.substr(original.size() / 2);
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        map.setNodeText(node, flip ? split : original);
        benchmark::DoNotOptimize(map.total().lines);
    }
}
BENCHMARK(BM_PositionNewParagraph)->Arg(1)->Arg(10)->ArgName("scale")->Unit(benchmark::kMicrosecond);

// Building the map from the document (open, outline changes).
void BM_PositionBuild(benchmark::State& state)
{
    DomDocument doc;
    if (!doc.loadFromBytes(LargeProject(int(state.range(0))), "bench.xml"))
        state.SkipWithError("load failed");
    for (auto _ : state) {
        ManuscriptMap map;
        map.build(doc);
        benchmark::DoNotOptimize(map.total().lines);
    }
}
BENCHMARK(BM_PositionBuild)->Arg(1)->Arg(10)->ArgName("scale")->Unit(benchmark::kMillisecond);

void BM_SaveToFile(benchmark::State& state)
{
    const std::string path = TempFile("penwick-bench-save.xml");
    DomDocument doc;
    doc.loadFromBytes(LargeProject(int(state.range(0))), "bench");
    for (auto _ : state)
        if (!doc.save(path))   // serialise, write, fsync, rename
            state.SkipWithError("save failed");
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(LargeProject(int(state.range(0))).size()));
    std::filesystem::remove(path);
}
BENCHMARK(BM_SaveToFile)->Arg(1)->Arg(10)->ArgName("scale")->Unit(benchmark::kMillisecond);

void BM_SaveShiftJis(benchmark::State& state)
{
    DomDocument doc;
    doc.loadFromBytes(LargeProject(int(state.range(0))), "bench");
    doc.setDeclaredEncoding("Shift_JIS");
    for (auto _ : state) {
        std::string bytes;
        if (!doc.serialize(bytes))
            state.SkipWithError("serialize failed");
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_SaveShiftJis)->Arg(1)->Arg(10)->ArgName("scale")->Unit(benchmark::kMillisecond);

void BM_CliInfoProcess(benchmark::State& state)
{
    const std::string path = TempFile("penwick-bench-info.xml");
    WriteLargeProject(path, int(state.range(0)));
    const std::string command = std::string(PENWICK_BIN_DIR) + "/penwick-cli info " + path + " >/dev/null";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("penwick-cli failed");
    std::filesystem::remove(path);
}
BENCHMARK(BM_CliInfoProcess)->Arg(1)->Arg(10)->ArgName("scale")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
