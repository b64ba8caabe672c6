// SPDX-License-Identifier: GPL-3.0-or-later
// The export command and the counter's full count on the generated 1,000,000-character,
// 3,300-node project, each with the project save it makes first.
//
//   QT_QPA_PLATFORM=offscreen build/release/bin/bench_counterui
#include "CounterReport.h"
#include "QtBenchmarkMain.h"
#include "CMainFrame.h"
#include "CManuscriptCounterDlg.h"
#include "CVellApp.h"
#include "CVellEditView.h"
#include "CommandIds.h"
#include "Prompts.h"
#include "ProjectGenerator.h"
#include "VellTreeView.h"

#include <QApplication>
#include <QDialog>
#include <QPlainTextEdit>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

namespace {

// Answers the export dialog with a fixed path; any message box is counted as a failure.
class BenchPrompts : public Prompts {
public:
    PromptAnswer messageBox(const QString&, const QString&, PromptIcon, PromptButtons) override
    {
        ++asked;
        return PromptAnswer::Cancel;
    }
    QString openFilePath(const QString&, const QString&) override { return {}; }
    QString saveFilePath(const QString&, const QString&) override { return exportPath; }
    int execDialog(QDialog&) override { return QDialog::Rejected; }
    QString exportPath;
    int asked = 0;
};

std::string TempPath(const char* name) { return (std::filesystem::temp_directory_path() / name).string(); }

// The project files written so far, by scale: removed when the program ends.
std::map<int, std::string>& WrittenProjects()
{
    static std::map<int, std::string> written;
    return written;
}

const std::string& LargeProjectPath(int scale)
{
    std::string& path = WrittenProjects()[scale];
    if (path.empty())
        path = penwick::bench::WriteLargeProjectFile(PENWICK_CORPUS_DIR, "penwick-bench-counterui.xml", scale);
    return path;
}

struct Session {
    BenchPrompts* prompts = nullptr;
    std::unique_ptr<CVellApp> app;
    VellTreeView* tree = nullptr;
    CVellEditView* edit = nullptr;

    bool start(int scale)
    {
        auto p = std::make_unique<BenchPrompts>();
        prompts = p.get();
        prompts->exportPath = QString::fromStdString(TempPath("penwick-bench-counterui.txt"));
        app = std::make_unique<CVellApp>(std::move(p));
        app->InitInstance({});
        tree = app->GetMainWnd()->GetTreeView();
        edit = app->GetMainWnd()->GetEditView();
        return tree->OpenProjectFile(QString::fromStdString(LargeProjectPath(scale)));
    }
};

// ID_PROJECT_EXPORT from the tree pane: save, assemble, write the text file.
void BM_ExportLargeProject(benchmark::State& state)
{
    Session s;
    if (!s.start(int(state.range(0))))
        state.SkipWithError("open failed");
    s.app->GetMainWnd()->SetActiveView(s.tree);
    for (auto _ : state)
        if (!s.app->GetMainWnd()->RouteCommand(ID_PROJECT_EXPORT))
            state.SkipWithError("export refused");
    if (s.prompts->asked)
        state.SkipWithError("a message was shown");
    state.counters["bytes"] = double(std::filesystem::file_size(s.prompts->exportPath.toStdString()));
    std::filesystem::remove(s.prompts->exportPath.toStdString());
}
BENCHMARK(BM_ExportLargeProject)->Arg(1)->Arg(10)->ArgName("scale")->Unit(benchmark::kMillisecond);

// The assembly alone, without the save and the write.
void BM_AssembleLargeProject(benchmark::State& state)
{
    Session s;
    if (!s.start(int(state.range(0))))
        state.SkipWithError("open failed");
    std::vector<std::string> chapters;
    for (auto _ : state) {
        s.tree->GetAllChapterTexts(&chapters);
        benchmark::DoNotOptimize(chapters.data());
    }
    state.counters["chapters"] = double(chapters.size());
}
BENCHMARK(BM_AssembleLargeProject)->Arg(1)->Arg(10)->ArgName("scale")->Unit(benchmark::kMillisecond);

// The full count itself: every chapter and the joined whole, from the assembled texts.
void BM_CountAllChapters(benchmark::State& state)
{
    Session s;
    if (!s.start(int(state.range(0))))
        state.SkipWithError("open failed");
    std::vector<std::string> chapters;
    s.tree->GetAllChapterTexts(&chapters);
    const penwick::CountSettings settings;
    for (auto _ : state)
        benchmark::DoNotOptimize(penwick::CountChapters(chapters, settings));
    std::size_t bytes = 0;
    for (const std::string& c : chapters)
        bytes += c.size();
    state.SetBytesProcessed(std::int64_t(bytes) * state.iterations());
}
BENCHMARK(BM_CountAllChapters)->Arg(1)->Arg(10)->ArgName("scale")->Unit(benchmark::kMillisecond)->UseRealTime();

// 更新 in the open counter dialog: save, count every chapter and the whole, show it.
void BM_CounterFullCount(benchmark::State& state)
{
    Session s;
    if (!s.start(int(state.range(0))))
        state.SkipWithError("open failed");
    s.edit->OnCounter();
    for (auto _ : state)
        s.edit->m_pCounterDlg->OnCounterUpdate();
    if (s.prompts->asked)
        state.SkipWithError("a message was shown");
    state.counters["report_lines"] = double(s.edit->m_pCounterDlg->m_editReport->blockCount());
}
BENCHMARK(BM_CounterFullCount)->Arg(1)->Arg(10)->ArgName("scale")->Unit(benchmark::kMillisecond);

// The project save both commands make first (the atomic writer syncs the file).
void BM_SaveLargeProject(benchmark::State& state)
{
    Session s;
    if (!s.start(int(state.range(0))))
        state.SkipWithError("open failed");
    for (auto _ : state)
        if (!s.tree->SaveXMLToFile())
            state.SkipWithError("save failed");
}
BENCHMARK(BM_SaveLargeProject)->Arg(1)->Arg(10)->ArgName("scale")->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    const int status = penwick::bench::RunQtBenchmarks(argc, argv);
    for (const auto& [scale, path] : WrittenProjects())
        std::filesystem::remove(path);
    return status;
}
