// SPDX-License-Identifier: GPL-3.0-or-later
// How fast find and replace run over a long manuscript in the editor. The text is the corpus
// stories repeated, with a bracketed name that the corpus never uses set after every 92
// characters: 10,000 occurrences in exactly 1,000,000 characters, each one a whole word.
#include "QtBenchmarkMain.h"
#include "FindFlags.h"
#include "PlainTextFindTarget.h"
#include "TextFinder.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>

#include <cstdio>
#include <cstdlib>

namespace {

const QString kName = QStringLiteral("ペンウィック");
constexpr int kOccurrences = 10'000;
constexpr int kLength = 1'000'000;

QString corpus()
{
    QString all;
    for (const char* name : {"rashomon.txt", "hashire_merosu.txt", "kumo_no_ito.txt"}) {
        QFile file(QStringLiteral(PENWICK_CORPUS_DIR "/") + QLatin1String(name));
        if (file.open(QIODevice::ReadOnly))
            all += QString::fromUtf8(file.readAll());
    }
    if (all.isEmpty()) {
        std::fprintf(stderr, "no corpus in %s\n", PENWICK_CORPUS_DIR);
        std::exit(1);
    }
    return all;
}

const QString& manuscript()
{
    static const QString text = [] {
        const QString all = corpus();
        const QString marked = QStringLiteral("「") + kName + QStringLiteral("」");
        const qsizetype filler = kLength / kOccurrences - marked.size();
        QString text;
        text.reserve(kLength);
        qsizetype at = 0;
        for (int i = 0; i < kOccurrences; ++i) {
            for (qsizetype k = 0; k < filler; ++k, at = (at + 1) % all.size())
                text += all[at];
            text += marked;
        }
        return text;
    }();
    return text;
}

void replaceAll(benchmark::State& state, const QString& with, unsigned flags)
{
    QPlainTextEdit edit;
    PlainTextFindTarget target(&edit);
    for (auto _ : state) {
        state.PauseTiming();
        edit.setPlainText(manuscript());
        target.setSelection(0, 0);
        state.ResumeTiming();
        const int count = TextFinder::replaceAll(target, kName, with, flags | FR_DOWN);
        if (count != kOccurrences) {
            state.SkipWithError("wrong number of replacements");
            break;
        }
    }
    state.counters["occurrences"] = kOccurrences;
}

void BM_ReplaceAll_MatchCase(benchmark::State& state)
{
    replaceAll(state, QStringLiteral("セリヌンティウス"), FR_MATCHCASE);
}

void BM_ReplaceAll_FoldCase(benchmark::State& state)
{
    replaceAll(state, QStringLiteral("セリヌンティウス"), 0);
}

void BM_ReplaceAll_WholeWord(benchmark::State& state)
{
    replaceAll(state, QStringLiteral("セリヌンティウス"), FR_WHOLEWORD);
}

// One Find Next that has to cross nearly the whole text.
void BM_FindNext_AcrossText(benchmark::State& state)
{
    QPlainTextEdit edit;
    PlainTextFindTarget target(&edit);
    edit.setPlainText(manuscript());
    for (auto _ : state) {
        target.setSelection(kLength - 2 * int(kName.size()), kLength - 2 * int(kName.size()));
        if (!TextFinder::findTextDown(target, kName, FR_DOWN)) {
            state.SkipWithError("not found");
            break;
        }
    }
}

}  // namespace

BENCHMARK(BM_ReplaceAll_MatchCase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplaceAll_FoldCase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplaceAll_WholeWord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindNext_AcrossText)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return penwick::bench::RunQtBenchmarks(argc, argv);
}
