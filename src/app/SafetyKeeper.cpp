// SPDX-License-Identifier: GPL-3.0-or-later
// Snapshots are built from a copy: the document is serialized as a save would write it,
// and only when the editor holds text not yet stored in its node is that copy parsed and
// the node's text replaced there. Storing the text into the real document and taking it
// back out would touch the modified flags, the undo-free node text and (for a separately
// opened text file) ask the user a question in the middle of a timer; the copy costs one
// parse per pause and leaves everything the user sees as it was.
#include "SafetyKeeper.h"

#include "AppSettings.h"
#include "CMainFrame.h"
#include "CVellApp.h"
#include "CVellEditView.h"
#include "Prompts.h"
#include "ProjectFormat.h"
#include "ProjectSession.h"
#include "VellTreeView.h"
#include "TextAssembly.h"
#include "WritingGoals.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace penwick;


SafetyKeeper::SafetyKeeper(CMainFrame* frame)
    : QObject(frame), m_pFrame(frame), m_settings(AppSettings::Safety()), m_pOps(&FileOps::system())
{
    m_pause.setSingleShot(true);
    connect(&m_pause, &QTimer::timeout, this, &SafetyKeeper::TrySnapshot);
    connect(&m_tick, &QTimer::timeout, this, &SafetyKeeper::TrySnapshot);
    SetSettings(m_settings);
    if (CVellEditView* edit = frame->GetEditView())
        edit->control()->installEventFilter(this);
}

SafetyKeeper::~SafetyKeeper() = default;

void SafetyKeeper::SetSettings(const SafetySettings& settings)
{
    m_settings = settings;
    m_tick.setInterval(m_settings.recoveryIntervalSeconds * 1000);
    m_pause.stop();
    if (m_settings.recovery)
        m_tick.start();
    else
        m_tick.stop();
}

BackupStore SafetyKeeper::Store() const { return BackupStore({}, *m_pOps); }

// The project's path for the core; empty for the untitled project.
std::string SafetyKeeper::Native(const QString& path)
{
    return path.isEmpty() ? std::string() : QFile::encodeName(QFileInfo(path).absoluteFilePath()).toStdString();
}

void SafetyKeeper::ReportOnce(const QString& kind, const QString& text)
{
    const QString key = kind + QLatin1Char('|') + m_strProject;
    if (m_reported.contains(key))
        return;
    m_reported.insert(key);
    m_pFrame->prompts().message(text, PromptIcon::Exclamation);
}

// ---- opening and closing -------------------------------------------------------------

SafetyKeeper::OpenChoice SafetyKeeper::BeforeOpen(const QString& path, std::string* recovered)
{
    const std::string project = Native(path);
    const QString name = path.isEmpty() ? QStringLiteral("無題のプロジェクト") : QFileInfo(path).fileName();
    bool heldByOther = false;
    if (m_settings.lock && !path.isEmpty()) {
        std::string holder;
        if (ProjectLock::probe(project, &holder) == ProjectLock::State::HeldByOther) {
            const PromptAnswer anyway = m_pFrame->prompts().message(
                QStringLiteral("%1 は、別の Penwick（%2）で開かれています。\n"
                               "両方で編集して保存すると、一方の変更がもう一方で上書きされます。\n"
                               "それでも開きますか？（「いいえ」で開くのをやめます）")
                    .arg(name, QString::fromStdString(holder)),
                PromptIcon::Exclamation, PromptButtons::YesNo);
            if (anyway != PromptAnswer::Yes)
                return OpenChoice::Cancel;
            heldByOther = true;
        }
    }
    if (!m_settings.recovery)
        return OpenChoice::FromFile;
    const BackupStore store = Store();
    // Opening again the project shown: the snapshot is this window's own, and its unsaved
    // work was already saved or given up at the save question.
    if (!path.isEmpty() && QFileInfo(path).absoluteFilePath() == m_strProject) {
        store.removeRecovery(project);
        m_bSnapshotWritten = false;
        return OpenChoice::FromFile;
    }
    // Every snapshot left by a window that is gone is offered, newest first. A snapshot
    // without a process ID (an older version's) may be a live window's when the project
    // is held by another.
    std::vector<BackupEntry> pending = store.pendingRecoveries(project);
    if (heldByOther)
        std::erase_if(pending, [](const BackupEntry& e) { return e.pid == 0; });
    for (std::size_t i = 0; i < pending.size(); ++i) {
        const BackupEntry& snapshot = pending[i];
        const QString when = QDateTime::fromSecsSinceEpoch(snapshot.modified).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        const QString question =
            path.isEmpty()
                ? QStringLiteral("保存されないまま終わった無題のプロジェクトの復旧用データがあります（%1）。\n"
                                 "「はい」: 復旧用データの内容で開きます。\n"
                                 "「いいえ」: 復旧用データを破棄して、新しいプロジェクトで始めます"
                                 "（破棄したデータはバックアップとして残ります）。\n"
                                 "「キャンセル」: 今回は開きません（次に起動したときにもう一度尋ねます）。")
                      .arg(when)
                : QStringLiteral("%1 には、保存されなかった作業の復旧用データがあります（ファイルより新しいもの）。\n"
                                 "「はい」: 復旧用データの内容で開きます。保存するまでファイルは変わりません。\n"
                                 "「いいえ」: 復旧用データを破棄して、保存されているファイルを開きます"
                                 "（破棄したデータはバックアップとして残ります）。\n"
                                 "「キャンセル」: 何もせずに開くのをやめます。")
                      .arg(name);
        const PromptAnswer answer = m_pFrame->prompts().message(question, PromptIcon::Question, PromptButtons::YesNoCancel);
        if (answer == PromptAnswer::Yes) {
            std::string bytes;
            const FileResult read = ReadWholeFile(snapshot.path, bytes, false);
            if (!read) {
                m_pFrame->prompts().message(QString::fromStdString(read.message), PromptIcon::Exclamation);
                return OpenChoice::Cancel;
            }
            // The restored work is this window's now: its snapshot goes with this window's
            // save or close, and survives another crash until then. Older snapshots of
            // windows that are gone are kept among the backups rather than asked about again.
            ::rename(snapshot.path.c_str(), store.recoveryPath(project).c_str());
            for (std::size_t k = i + 1; k < pending.size(); ++k)
                store.keepRecoveryAsBackup(project, m_settings.keepBackups, std::time(nullptr), pending[k].path);
            *recovered = std::move(bytes);
            return OpenChoice::FromRecovery;
        }
        if (answer != PromptAnswer::No)
            return OpenChoice::Cancel;
        if (const FileResult kept =
                store.keepRecoveryAsBackup(project, m_settings.keepBackups, std::time(nullptr), snapshot.path);
            !kept)
            m_pFrame->prompts().message(QString::fromStdString(kept.message), PromptIcon::Exclamation);
    }
    return OpenChoice::FromFile;
}

void SafetyKeeper::ProjectOpened(const QString& path)
{
    const QString project = QFileInfo(path).absoluteFilePath();
    if (project != m_strProject)
        ProjectClosed();
    m_strProject = project;
    if (m_settings.lock)
        m_lock.acquire(Native(project));   // a folder we cannot write to simply goes unlocked
    m_bSnapshotWritten = false;
    m_sinceSnapshot.invalidate();
}

void SafetyKeeper::ProjectClosed()
{
    Store().removeRecovery(Native(m_strProject));   // the untitled project's too
    m_lock.release();
    m_strProject.clear();
    m_bSnapshotWritten = false;
    m_sinceSnapshot.invalidate();
}

// ---- saving --------------------------------------------------------------------------

void SafetyKeeper::BeforeSave(const QString& path)
{
    if (!m_settings.backups)
        return;
    const FileResult r = Store().backUp(Native(path), m_settings.keepBackups);
    if (!r)
        ReportOnce(QStringLiteral("backup"),
                   QStringLiteral("保存する前のファイルのバックアップを作成できませんでした。保存はそのまま続けます。"
                                  "\nこのプロジェクトでは、この知らせは一度だけ表示します。\n")
                       + QString::fromStdString(r.message));
}

void SafetyKeeper::AfterSave(const QString& path)
{
    const QString project = QFileInfo(path).absoluteFilePath();
    if (project != m_strProject)
        ProjectOpened(project);   // saved under a new name: the old one's snapshot and lock go
    Store().removeRecovery(Native(project));
    m_bSnapshotWritten = false;
    m_sinceSnapshot.invalidate();
    RecordWriting(project);
}

// The day's writing: the manuscript's characters as saved, for penwick-cli stats. A record
// that cannot be written costs only the statistics; the save itself went through.
void SafetyKeeper::RecordWriting(const QString& project)
{
    std::string text;
    std::vector<penwick::TextSpan> spans;
    if (!penwick::AssembleProjectText(m_pFrame->session().document(), [](HRESULT, std::string_view) {}, &text, &spans))
        return;
    const std::time_t now = std::time(nullptr);
    std::string ignored;
    penwick::RecordHistory(Native(project), {now, penwick::LocalOffset(now), penwick::CountOneText(text, {}).nChars}, &ignored);
}

// ---- recovery snapshots --------------------------------------------------------------

bool SafetyKeeper::HasUnsavedWork() const
{
    const CVellEditView* edit = m_pFrame->GetEditView();
    const CVellApp* app = m_pFrame->GetApp();
    const bool editorHoldsNode = !(app && app->m_bTextFileOpen);
    return m_pFrame->IsProjectModified() || (edit && editorHoldsNode && edit->isModified());
}

bool SafetyKeeper::BuildSnapshot(std::string& bytes) const
{
    const VellTreeView* tree = m_pFrame->GetTreeView();
    if (!tree)
        return false;
    try {
        ProjectSession& session = m_pFrame->session();
        const CVellEditView* edit = m_pFrame->GetEditView();
        const CVellApp* app = m_pFrame->GetApp();
        const DomNode node = VellTreeView::NodeOf(tree->m_hSelectedItem);
        // Typing not yet stored into its node goes into the snapshot as that node's text.
        if (edit && edit->isModified() && !(app && app->m_bTextFileOpen) && node &&
            session.serializeWithText(node, VellTreeView::ToStoredText(edit->toPlainText()), bytes))
            return true;
        return bool(session.document().serialize(bytes));
    } catch (...) {
        // A timer must never take the window down; the next pause tries again.
        return false;
    }
}

bool SafetyKeeper::WriteSnapshot()
{
    if (!m_settings.recovery || !HasUnsavedWork())
        return false;
    std::string bytes;
    if (!BuildSnapshot(bytes))
        return false;
    const std::size_t hash = std::hash<std::string>{}(bytes);
    if (m_bSnapshotWritten && hash == m_lastSnapshotHash)
        return false;   // nothing new since the last one
    const FileResult r = Store().writeRecovery(Native(m_strProject), bytes);
    if (!r) {
        ReportOnce(QStringLiteral("recovery"),
                   QStringLiteral("復旧用データを書き込めませんでした。作業は保存するまでメモリーにだけあります。\n")
                       + QString::fromStdString(r.message));
        return false;
    }
    m_lastSnapshotHash = hash;
    m_bSnapshotWritten = true;
    m_sinceSnapshot.start();
    return true;
}

// Snapshots fall in the writer's pauses: each edit restarts a short pause timer. They
// are written at most once per interval, and the interval tick writes one even while
// typing goes on or when the change came from a command rather than a key, so a crash
// loses at most about one interval of work.
namespace {
constexpr int kPauseMs = 2000;
}

void SafetyKeeper::TrySnapshot()
{
    if (!m_settings.recovery || !HasUnsavedWork())
        return;
    const qint64 interval = qint64(m_settings.recoveryIntervalSeconds) * 1000;
    if (m_sinceSnapshot.isValid() && m_sinceSnapshot.elapsed() < interval) {
        m_pause.start(int(interval - m_sinceSnapshot.elapsed()));
        return;
    }
    WriteSnapshot();
}

bool SafetyKeeper::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::InputMethod:
    case QEvent::Drop:
        if (m_settings.recovery)
            m_pause.start(std::min(kPauseMs, m_settings.recoveryIntervalSeconds * 1000));
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

