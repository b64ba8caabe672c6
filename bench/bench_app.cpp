// SPDX-License-Identifier: GPL-3.0-or-later
// The window side: start-up to a shown window, building the tree of the
// 1,000,000-character, 3,300-node project, and the peak memory with it open.
//
//   QT_QPA_PLATFORM=offscreen build/release/bin/bench_app
#include "CVellEditView.h"
#include "QtBenchmarkMain.h"
#include "CMainFrame.h"
#include "CVellApp.h"
#include "Prompts.h"
#include "ProjectGenerator.h"
#include "SearchPanel.h"
#include "VellTreeView.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QTest>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

namespace {

// Nothing may ask anything during a benchmark; an answer that ends every question.
class SilentPrompts : public Prompts {
public:
    PromptAnswer messageBox(const QString&, const QString&, PromptIcon, PromptButtons) override
    {
        ++asked;
        return PromptAnswer::Cancel;
    }
    QString openFilePath(const QString&, const QString&) override { return {}; }
    QString saveFilePath(const QString&, const QString&) override { return {}; }
    int execDialog(QDialog&) override { return QDialog::Rejected; }
    int asked = 0;
};

std::unique_ptr<CVellApp> StartApp(SilentPrompts** prompts = nullptr)
{
    auto silent = std::make_unique<SilentPrompts>();
    if (prompts)
        *prompts = silent.get();
    auto app = std::make_unique<CVellApp>(std::move(silent));
    app->InitInstance({});
    return app;
}

// The project files written so far, by scale: removed when the program ends.
std::map<int, std::string>& WrittenProjects()
{
    static std::map<int, std::string> written;
    return written;
}

const std::string& LargeProjectPath(int scale = 1)
{
    std::string& path = WrittenProjects()[scale];
    if (path.empty())
        path = penwick::bench::WriteLargeProjectFile(PENWICK_CORPUS_DIR, "penwick-bench-app.xml", scale);
    return path;
}

// What the open command does once the file is chosen: load, clear, build.
bool OpenLargeProject(VellTreeView* tree, int scale = 1)
{
    return tree->OpenProjectFile(QString::fromStdString(LargeProjectPath(scale)));
}

long VmHWMKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

// Runs first, so the high-water mark is the program's with the project open and
// painted, not what later benchmarks add.
void BM_PeakMemoryWithLargeProjectOpen(benchmark::State& state)
{
    long kib = 0;
    for (auto _ : state) {
        auto app = StartApp();
        if (!OpenLargeProject(app->GetMainWnd()->GetTreeView()))
            state.SkipWithError("open failed");
        if (!QTest::qWaitForWindowExposed(app->GetMainWnd()))
            state.SkipWithError("window not exposed");
        app->GetMainWnd()->repaint();
        QCoreApplication::processEvents();
        kib = VmHWMKiB();
    }
    state.counters["VmHWM_MB"] = double(kib) / 1024.0;
}
BENCHMARK(BM_PeakMemoryWithLargeProjectOpen)->Iterations(1)->Unit(benchmark::kMillisecond);

// A fresh process up to its shown window: what the user waits for.
void BM_StartupProcess(benchmark::State& state)
{
    const QString exe = QStringLiteral(PENWICK_BIN_DIR "/penwick");
    for (auto _ : state) {
        QProcess p;
        p.start(exe, {QStringLiteral("--quit-after-show")});
        if (!p.waitForFinished(10000) || p.exitCode() != 0)
            state.SkipWithError("penwick did not start and quit");
    }
}
BENCHMARK(BM_StartupProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

// A fresh process that opens the benchmark project and quits once its window is up: what
// a writer waits for after "penwick --project novel.xml".
void BM_OpenProjectProcess(benchmark::State& state)
{
    const QString exe = QStringLiteral(PENWICK_BIN_DIR "/penwick");
    const QString project = QString::fromStdString(LargeProjectPath(int(state.range(0))));
    for (auto _ : state) {
        QProcess p;
        p.start(exe, {QStringLiteral("--project"), project, QStringLiteral("--quit-after-show")});
        if (!p.waitForFinished(30000) || p.exitCode() != 0)
            state.SkipWithError("penwick did not open the project and quit");
    }
}
BENCHMARK(BM_OpenProjectProcess)->Arg(1)->Arg(10)->ArgName("scale")->Unit(benchmark::kMillisecond)->UseRealTime();

// In a running Qt application: the application object, its window and panes, the
// template load, shown and exposed.
void BM_StartupToShownWindow(benchmark::State& state)
{
    for (auto _ : state) {
        auto app = StartApp();
        if (!QTest::qWaitForWindowExposed(app->GetMainWnd()))
            state.SkipWithError("window not exposed");
        state.PauseTiming();
        app.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartupToShownWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

// One typed character in the window with the benchmark project open and a chapter shown:
// the key goes through the application's filters (the safety keeper watches typing) to
// the editor, which repaints; with line:1 the position line is shown and follows.
void BM_KeystrokeInWindow(benchmark::State& state)
{
    auto app = StartApp();
    VellTreeView* tree = app->GetMainWnd()->GetTreeView();
    if (!OpenLargeProject(tree, int(state.range(0))))
        state.SkipWithError("open failed");
    tree->setCurrentIndex(tree->model()->index(0, 0));
    CVellEditView* edit = app->GetMainWnd()->GetEditView();
    QWidget* control = edit->control();
    control->setFocus();
    app->GetMainWnd()->SetPositionLineShown(state.range(1) != 0);
    QApplication::processEvents();
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("あ"));
    for (auto _ : state) {
        QApplication::sendEvent(control, &press);
        QApplication::processEvents();   // paints what the edit marked dirty
    }
    app->GetMainWnd()->session().setModified(false);
    edit->setModified(false);
}
BENCHMARK(BM_KeystrokeInWindow)
    ->Args({1, 0})->Args({1, 1})->Args({10, 0})->Args({10, 1})
    ->ArgNames({"scale", "line"})->Unit(benchmark::kMillisecond)->UseRealTime();

// One outline move (Alt+Down, then Alt+Up back) of a chapter in the 3,300-node project:
// the editor's text stored, the document changed, the row moved, the window repainted.
void BM_MoveNodeInWindow(benchmark::State& state)
{
    auto app = StartApp();
    VellTreeView* tree = app->GetMainWnd()->GetTreeView();
    if (!OpenLargeProject(tree, int(state.range(0))))
        state.SkipWithError("open failed");
    tree->setCurrentIndex(tree->model()->index(10, 0));
    tree->setFocus();
    QApplication::processEvents();
    bool down = true;
    for (auto _ : state) {
        if (!tree->MoveSelected(down ? Qt::Key_Down : Qt::Key_Up))
            state.SkipWithError("move failed");
        QApplication::processEvents();
        down = !down;
    }
    app->GetMainWnd()->session().setModified(false);
}
BENCHMARK(BM_MoveNodeInWindow)->Arg(1)->Arg(10)->ArgName("scale")->Unit(benchmark::kMillisecond)->UseRealTime();

// The search panel answering a word across the project (1,000,000 characters at scale 1):
// the search and the result list.
void BM_SearchPanel(benchmark::State& state)
{
    auto app = StartApp();
    CMainFrame* frame = app->GetMainWnd();
    if (!OpenLargeProject(frame->GetTreeView(), int(state.range(0))))
        state.SkipWithError("open failed");
    frame->ShowSearchPanel();
    frame->GetSearchPanel()->field()->setText(QStringLiteral("下人"));
    for (auto _ : state)
        frame->GetSearchPanel()->refresh();
    state.counters["results"] = double(frame->GetSearchPanel()->hits().size());
}
BENCHMARK(BM_SearchPanel)->Arg(1)->Arg(10)->ArgName("scale")->Unit(benchmark::kMillisecond)->UseRealTime();

// RefreshTree alone on the loaded 3,300-node document.
void BM_BuildTree(benchmark::State& state)
{
    auto app = StartApp();
    VellTreeView* tree = app->GetMainWnd()->GetTreeView();
    if (!OpenLargeProject(tree, int(state.range(0))))
        state.SkipWithError("open failed");
    for (auto _ : state) {
        state.PauseTiming();
        tree->DeleteTreeItem(QModelIndex());
        state.ResumeTiming();
        if (!tree->RefreshTree())
            state.SkipWithError("build failed");
    }
    state.counters["items"] = double(tree->model()->rowCount());
}
BENCHMARK(BM_BuildTree)->Arg(1)->Arg(10)->ArgName("scale")->Unit(benchmark::kMillisecond);

// Clearing the tree, loading the file and building the tree: the work of opening.
void BM_OpenLargeProject(benchmark::State& state)
{
    auto app = StartApp();
    VellTreeView* tree = app->GetMainWnd()->GetTreeView();
    for (auto _ : state)
        if (!OpenLargeProject(tree, int(state.range(0))))
            state.SkipWithError("open failed");
}
BENCHMARK(BM_OpenLargeProject)->Arg(1)->Arg(10)->ArgName("scale")->Unit(benchmark::kMillisecond);

// Deleting every item of the large tree.
void BM_DeleteAllItems(benchmark::State& state)
{
    auto app = StartApp();
    VellTreeView* tree = app->GetMainWnd()->GetTreeView();
    if (!OpenLargeProject(tree))
        state.SkipWithError("open failed");
    for (auto _ : state) {
        state.PauseTiming();
        tree->RefreshTree();
        state.ResumeTiming();
        tree->DeleteTreeItem(QModelIndex());
    }
}
BENCHMARK(BM_DeleteAllItems)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    const int status = penwick::bench::RunQtBenchmarks(argc, argv);
    for (const auto& [scale, path] : WrittenProjects())
        std::filesystem::remove(path);
    return status;
}
