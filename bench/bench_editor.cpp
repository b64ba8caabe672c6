// SPDX-License-Identifier: GPL-3.0-or-later
// Editor speed on long texts built from the corpus stories: 24 px font, a
// 1200×800 window, offscreen; "numbers" puts a two-digit number (縦中横) after every
// sentence. Run a Release build: bench_editor
#include "QtBenchmarkMain.h"
#include "VerticalTextEdit.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <malloc.h>
#include <memory>

namespace {

// numbers: a two-digit number after every sentence, each set upright in one cell (縦中横).
QString corpus(int chars, bool oneParagraph, bool numbers = false)
{
    QString all;
    const QDir dir(QStringLiteral(PENWICK_CORPUS_DIR));
    for (const QString& name : dir.entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name)) {
        QFile f(dir.filePath(name));
        if (f.open(QIODevice::ReadOnly))
            all += QString::fromUtf8(f.readAll()).remove(u'\r');
    }
    if (oneParagraph)
        all.remove(u'\n');
    if (numbers)
        all.replace(QStringLiteral("。"), QStringLiteral("。12"));
    QString text;
    while (text.size() < chars)
        text += all;
    text.truncate(chars);
    return text;
}

// Heap in use, not resident size: pages freed by earlier benchmarks stay resident.
double heapMB()
{
    const struct mallinfo2 m = mallinfo2();
    return double(m.uordblks + m.hblkhd) / (1024 * 1024);
}

std::unique_ptr<VerticalTextEdit> makeEditor()
{
    auto edit = std::make_unique<VerticalTextEdit>();
    QFont f = edit->font();
    f.setPixelSize(24);
    edit->setFont(f);
    edit->resize(1200, 800);
    edit->show();
    edit->setFocus();
    QApplication::processEvents();
    return edit;
}

void finishLayout(VerticalTextEdit& edit)
{
    while (!edit.isLayoutComplete())
        QApplication::processEvents();
}

void BM_OpenToFirstPaint(benchmark::State& state)
{
    const QString text = corpus(int(state.range(0)), state.range(1) != 0, state.range(2) != 0);
    auto edit = makeEditor();
    for (auto _ : state) {
        edit->setPlainText(text);
        edit->viewport()->repaint();
        state.PauseTiming();
        edit->setPlainText(QString());
        QApplication::processEvents();
        state.ResumeTiming();
    }
}

// The layout done in idle time after opening: the longest slice and the total.
void BM_IdleLayoutSlices(benchmark::State& state)
{
    const QString text = corpus(int(state.range(0)), false);
    auto edit = makeEditor();
    double longest = 0, total = 0;
    int slices = 0;
    for (auto _ : state) {
        edit->setPlainText(text);
        edit->viewport()->repaint();
        longest = total = 0;
        slices = 0;
        QElapsedTimer clock;
        while (!edit->isLayoutComplete()) {
            clock.start();
            QApplication::processEvents();
            const double ms = double(clock.nsecsElapsed()) / 1e6;
            longest = std::max(longest, ms);
            total += ms;
            ++slices;
        }
    }
    state.counters["longest_ms"] = longest;
    state.counters["total_ms"] = total;
    state.counters["slices"] = slices;
}

// One typed character in the middle of the text: insertion, re-layout and the
// repaint it schedules, as the event loop would run them.
void keystroke(benchmark::State& state, bool oneParagraph)
{
    const QString text = corpus(int(state.range(0)), oneParagraph, state.range(1) != 0);
    auto edit = makeEditor();
    edit->setPlainText(text);
    finishLayout(*edit);
    const int middle = int(text.size()) / 2;
    edit->setSelection(middle, middle);
    edit->viewport()->repaint();
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("あ"));
    for (auto _ : state) {
        QApplication::sendEvent(edit.get(), &press);
        QApplication::processEvents(); // paints what the edit marked dirty
    }
}

void BM_Keystroke(benchmark::State& state)
{
    keystroke(state, false);
}

void BM_KeystrokeOneParagraph(benchmark::State& state)
{
    keystroke(state, true);
}

void BM_ToggleDirection(benchmark::State& state)
{
    auto edit = makeEditor();
    edit->setPlainText(corpus(int(state.range(0)), false));
    finishLayout(*edit);
    for (auto _ : state) {
        edit->setVertical(!edit->isVertical());
        edit->viewport()->repaint();
    }
}

// Heap memory held by a fully laid-out text (the editor and its document).
void BM_MemoryLaidOut(benchmark::State& state)
{
    const QString text = corpus(int(state.range(0)), false);
    double added = 0;
    for (auto _ : state) {
        const double before = heapMB();
        auto edit = makeEditor();
        edit->setPlainText(text);
        finishLayout(*edit);
        edit->viewport()->repaint();
        added = heapMB() - before;
    }
    state.counters["MB"] = added;
}

} // namespace

BENCHMARK(BM_OpenToFirstPaint)->Args({1000000, 0, 0})->Args({1000000, 1, 0})->Args({1000000, 0, 1})->ArgNames({"chars", "one_paragraph", "numbers"})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_IdleLayoutSlices)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Keystroke)->Args({100000, 0})->Args({1000000, 0})->Args({1000000, 1})->ArgNames({"chars", "numbers"})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_KeystrokeOneParagraph)->Args({100000, 0})->Args({1000000, 0})->Args({1000000, 1})->ArgNames({"chars", "numbers"})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ToggleDirection)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MemoryLaidOut)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv)
{
    return penwick::bench::RunQtBenchmarks(argc, argv);
}
