// SPDX-License-Identifier: GPL-3.0-or-later
// How fast the manuscript counter lays out Japanese prose. The texts are the corpus stories
// repeated until they reach the wanted number of characters (code points).
#include "counter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The corpus joined and repeated, cut after exactly `chars` code points.
std::string prose(std::size_t chars)
{
    const std::string dir = PENWICK_CORPUS_DIR;
    std::string all;
    for (const char* name : {"rashomon.txt", "hashire_merosu.txt", "kumo_no_ito.txt"})
        all += readFile(dir + "/" + name);
    if (all.empty()) {
        std::fprintf(stderr, "no corpus in %s\n", dir.c_str());
        std::exit(1);
    }
    std::string text;
    std::size_t n = 0;
    for (std::size_t i = 0; n <= chars; i = (i + 1) % all.size()) {
        if ((static_cast<unsigned char>(all[i]) & 0xC0) != 0x80 && n++ == chars)
            break;
        text += all[i];
    }
    return text;
}

const std::string& million()
{
    static const std::string text = prose(1'000'000);
    return text;
}

const std::string& chapter()
{
    static const std::string text = prose(20'000);
    return text;
}

void countText(benchmark::State& state, const std::string& text, int vertical, int mode)
{
    const std::string kinsoku = PENWICK_DEFAULT_KINSOKU;
    CountResult r{};
    for (auto _ : state) {
        r = CountText(text.data(), text.size(), kinsoku.data(), kinsoku.size(), vertical, 20, mode);
        benchmark::DoNotOptimize(r);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
    state.counters["sheets"] = r.nSheets;
    state.counters["chars"] = r.nChars;
}

void BM_MillionChars(benchmark::State& state)
{
    countText(state, million(), int(state.range(0)), int(state.range(1)));
}
BENCHMARK(BM_MillionChars)
    ->ArgNames({"V", "mode"})
    ->Args({20, 1})->Args({20, 0})->Args({500, 1})->Args({1, 1})
    ->Unit(benchmark::kMillisecond);

// What the editor does on each Enter release: one Count/ReturnCount pair on a private
// copy of a chapter.
void BM_RealTimeChapter(benchmark::State& state)
{
    const std::string& text = chapter();
    CountResult r{};
    for (auto _ : state) {
        std::string copy = text;
        Count(copy.c_str(), PENWICK_DEFAULT_KINSOKU, 20, 20, 1);
        copy.clear();
        r = ReturnCount();
        benchmark::DoNotOptimize(r);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
    state.counters["sheets"] = r.nSheets;
}
BENCHMARK(BM_RealTimeChapter)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
