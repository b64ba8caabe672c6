// SPDX-License-Identifier: GPL-3.0-or-later
// The window side of keeping a writer's work safe: the backup before each save, crash
// recovery snapshots of unsaved work written while the writer pauses, the questions
// asked when a project with a newer snapshot or another window's lock is opened, and
// the lock itself. What it does is read once from the settings file (AppSettings); the
// core part is ProjectSafety.
#pragma once

#include "FileIO.h"
#include "PaneHost.h"
#include "ProjectSafety.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include <string>

class CMainFrame;

class SafetyKeeper : public QObject, public SafetyHooks {
    Q_OBJECT
public:
    explicit SafetyKeeper(CMainFrame* frame);
    ~SafetyKeeper() override;

    // What it does, read from the settings file (AppSettings) when it is made.
    const penwick::SafetySettings& settings() const { return m_settings; }
    void SetSettings(const penwick::SafetySettings& settings);

    // Backups and snapshots write through ops (tests inject faults here; project saves
    // keep their own seam). root: the backups folder, empty for the default.
    void SetFileOps(penwick::FileOps* ops) { m_pOps = ops; }
    penwick::BackupStore Store() const;

    // SafetyHooks. Closing a project removes its snapshot and its lock; a failed backup
    // before a save is reported once per project and never stops the save.
    OpenChoice BeforeOpen(const QString& path, std::string* recovered) override;
    void ProjectOpened(const QString& path) override;
    void ProjectClosed() override;
    void BeforeSave(const QString& path) override;
    void AfterSave(const QString& path) override;

    // Writes the recovery snapshot now when there is unsaved work; true when written.
    bool WriteSnapshot();
    // The whole document with the editor's unstored text in its node, as a save would
    // write it; the real document and the modified states are left alone.
    bool BuildSnapshot(std::string& bytes) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RecordWriting(const QString& project);
    bool HasUnsavedWork() const;
    // Writes the snapshot unless the last one is younger than the interval; then the
    // pause timer is set for when it may be written.
    void TrySnapshot();
    void ReportOnce(const QString& kind, const QString& text);
    static std::string Native(const QString& path);

    CMainFrame* m_pFrame;
    penwick::SafetySettings m_settings;
    penwick::FileOps* m_pOps;
    penwick::ProjectLock m_lock;
    QString m_strProject;              // the project snapshots and the lock belong to
    QTimer m_pause;                    // single shot, restarted by every edit
    QTimer m_tick;                     // each interval: catches changes made without typing
    QElapsedTimer m_sinceSnapshot;     // since the last snapshot was written
    std::size_t m_lastSnapshotHash = 0;
    bool m_bSnapshotWritten = false;
    QSet<QString> m_reported;          // "kind|project" already reported
};
