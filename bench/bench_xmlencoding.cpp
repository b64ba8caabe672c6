// SPDX-License-Identifier: GPL-3.0-or-later
// A project file of about 3 MB built from the corpus: how long loading and saving spend
// in the encoding layer and in the atomic writer.
#include "FileIO.h"
#include "XmlEncoding.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace penwick;

namespace {

std::string Corpus()
{
    std::string text;
    for (const char* name : {"rashomon.txt", "kumo_no_ito.txt", "hashire_merosu.txt"}) {
        std::string one;
        if (ReadWholeFile(std::string(PENWICK_CORPUS_DIR "/") + name, one))
            text += one;
    }
    return text;
}

// declaration + chapters of corpus text, until 3 MB of UTF-8.
std::string Project(const char* encoding)
{
    const std::string text = Corpus();
    std::string doc = std::string("<?xml version=\"1.0\" encoding=\"") + encoding + "\"?>\n<project title=\"見本\">\n";
    for (int i = 0; doc.size() < 3 * 1024 * 1024; ++i)
        doc += "<chapter title=\"第" + std::to_string(i) + "章\" textout=\"yes\" type=\"Basic\"><text>" + text
               + "</text></chapter>\n";
    return doc + "</project>\n";
}

void BM_DecodeUtf8(benchmark::State& state)
{
    const std::string file = Project("UTF-8");
    for (auto _ : state)
        benchmark::DoNotOptimize(DecodeXmlBytes(file));
    state.SetBytesProcessed(state.iterations() * file.size());
}
BENCHMARK(BM_DecodeUtf8)->Unit(benchmark::kMillisecond);

void BM_DecodeShiftJis(benchmark::State& state)
{
    const std::string file = EncodeXmlFromUtf8(Project("Shift_JIS"), "Shift_JIS", false).bytes;
    for (auto _ : state)
        benchmark::DoNotOptimize(DecodeXmlBytes(file));
    state.SetBytesProcessed(state.iterations() * file.size());
}
BENCHMARK(BM_DecodeShiftJis)->Unit(benchmark::kMillisecond);

// arg 0: every character fits; 1: one character needs a reference (the slower exact path).
void BM_EncodeShiftJis(benchmark::State& state)
{
    std::string doc = Project("Shift_JIS");
    if (state.range(0))
        doc.insert(doc.rfind("</text>"), "🍣");
    for (auto _ : state)
        benchmark::DoNotOptimize(EncodeXmlFromUtf8(doc, "Shift_JIS", false));
    state.SetBytesProcessed(state.iterations() * doc.size());
}
BENCHMARK(BM_EncodeShiftJis)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_EncodeUtf16(benchmark::State& state)
{
    const std::string doc = Project("UTF-16");
    for (auto _ : state)
        benchmark::DoNotOptimize(EncodeXmlFromUtf8(doc, "UTF-16", true));
    state.SetBytesProcessed(state.iterations() * doc.size());
}
BENCHMARK(BM_EncodeUtf16)->Unit(benchmark::kMillisecond);

void BM_WriteFileAtomically(benchmark::State& state)
{
    const std::string doc = Project("UTF-8");
    char dir[] = "/tmp/penwick-bench-XXXXXX";
    if (!mkdtemp(dir)) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string path = std::string(dir) + "/project.xml";
    for (auto _ : state)
        if (!WriteFileAtomically(path, doc))
            state.SkipWithError("write failed");
    std::remove(path.c_str());
    std::remove(dir);
    state.SetBytesProcessed(state.iterations() * doc.size());
}
BENCHMARK(BM_WriteFileAtomically)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
