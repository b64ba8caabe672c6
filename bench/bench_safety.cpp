// SPDX-License-Identifier: GPL-3.0-or-later
// What a pause in typing and a save cost on the 1,000,000-character, 3,300-node project:
// building and writing the recovery snapshot (the document serialised with the edited
// node's pending text) and the backup copy taken before a save.
//
//   QT_QPA_PLATFORM=offscreen build/release/bin/bench_safety
#include "CMainFrame.h"
#include "CVellApp.h"
#include "CVellEditView.h"
#include "ProjectGenerator.h"
#include "ProjectSafety.h"
#include "Prompts.h"
#include "SafetyKeeper.h"
#include "VellTreeView.h"

#include <QApplication>
#include <QDialog>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>

namespace {

class SilentPrompts : public Prompts {
public:
    PromptAnswer messageBox(const QString& text, const QString&, PromptIcon, PromptButtons) override
    {
        qWarning("%s", qPrintable(text));
        return PromptAnswer::Cancel;
    }
    QString openFilePath(const QString&, const QString&) override { return {}; }
    QString saveFilePath(const QString&, const QString&) override { return {}; }
    int execDialog(QDialog&) override { return QDialog::Rejected; }
};

QTemporaryDir* g_dir = nullptr;

std::string ProjectPath()
{
    static const std::string path = [] {
        const std::string p = g_dir->filePath(QStringLiteral("large.xml")).toStdString();
        std::ofstream(p, std::ios::binary) << penwick::bench::GenerateLargeProject(PENWICK_CORPUS_DIR);
        return p;
    }();
    return path;
}

void BM_RecoverySnapshotWithEditedNode(benchmark::State& state)
{
    CVellApp app(std::make_unique<SilentPrompts>());
    app.InitInstance({});
    CMainFrame* frame = app.GetMainWnd();
    if (!frame->GetTreeView()->OpenProjectFile(QString::fromStdString(ProjectPath()))) {
        state.SkipWithError("project did not open");
        return;
    }
    VellTreeView* tree = frame->GetTreeView();
    tree->setCurrentIndex(tree->model()->index(0, 0));
    frame->GetEditView()->setPlainText(QStringLiteral("書きかけの一文。"));
    frame->GetEditView()->setModified(true);
    SafetyKeeper* keeper = frame->GetSafetyKeeper();
    std::string bytes;
    for (auto _ : state) {
        keeper->BuildSnapshot(bytes);
        benchmark::DoNotOptimize(keeper->Store().writeRecovery(ProjectPath(), bytes));
    }
    state.counters["bytes"] = double(bytes.size());
    keeper->Store().removeRecovery(ProjectPath());   // the next run must not be asked to restore it
}
BENCHMARK(BM_RecoverySnapshotWithEditedNode)->Unit(benchmark::kMillisecond);

void BM_BackupBeforeSave(benchmark::State& state)
{
    const penwick::BackupStore store;
    for (auto _ : state)
        benchmark::DoNotOptimize(store.backUp(ProjectPath(), 10));
}
BENCHMARK(BM_BackupBeforeSave)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    g_dir = &dir;
    // Backups and snapshots of the benchmark stay in its own temporary folder.
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("data"))));
    QApplication qapp(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
