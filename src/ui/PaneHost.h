// SPDX-License-Identifier: GPL-3.0-or-later
// What a pane asks of the window it sits in. The main frame implements it; the panes (the
// outline, the editor) reach the frame, each other and the safety keeper only through it
// and the pane interfaces below, so no pane includes the frame or another pane.
#pragma once

#include "CommandTarget.h"
#include "CounterReport.h"

#include <QString>

#include <string>
#include <vector>

class Prompts;
class QWidget;
namespace penwick { class ProjectSession; }

// The editor as the outline sees it: the text of the node on screen and its modified flag.
class TextPane : public CommandTarget {
public:
    virtual QString toPlainText() const = 0;
    // Replacing the whole text starts a fresh history: no undo, not modified.
    virtual void setPlainText(const QString& text) = 0;
    virtual bool isModified() const = 0;
    virtual void setModified(bool modified) = 0;
};

// The outline as the editor sees it: the project save and the chapters to count.
class ProjectPane : public CommandTarget {
public:
    // Stores the editor's text and saves the project; true only when the file was written.
    virtual bool SaveXMLToFile() = 0;
    // The same when the project or the node's text in the editor was changed; true when
    // nothing needed saving or the file was written.
    virtual bool SaveIfModified() = 0;
    // Every chapter's text in order; false after a reported failure.
    virtual bool GetAllChapterTexts(std::vector<std::string>* chapters) = 0;
};

// The hooks that keep a writer's work safe around opening and saving a project.
class SafetyHooks {
public:
    virtual ~SafetyHooks() = default;
    // Asked before a project file is read: the lock question, then the recovery question.
    // FromRecovery hands the snapshot's bytes back through recovered.
    enum class OpenChoice { Cancel, FromFile, FromRecovery };
    virtual OpenChoice BeforeOpen(const QString& path, std::string* recovered) = 0;
    // The project at path is now the one shown: the previous one is closed.
    virtual void ProjectOpened(const QString& path) = 0;
    // The project shown was closed after its questions (window closed, new project).
    virtual void ProjectClosed() = 0;
    // Around the one save path: the backup of the file about to be replaced, then the
    // clean state.
    virtual void BeforeSave(const QString& path) = 0;
    virtual void AfterSave(const QString& path) = 0;
};

class PaneHost {
public:
    virtual ~PaneHost() = default;
    virtual Prompts& prompts() const = 0;
    virtual penwick::ProjectSession& session() const = 0;
    virtual void SetWindowText(const QString& caption) = 0;
    // Sends a command along the route, its update rule first; true when it ran.
    virtual bool RouteCommand(int id) = 0;
    // The pane that gets the commands first from now on.
    virtual void SetActiveView(CommandTarget* view) = 0;
    // The panes and the safety keeper; null while the window is being built or torn down.
    virtual TextPane* textPane() const = 0;
    virtual ProjectPane* projectPane() const = 0;
    virtual SafetyHooks* safetyHooks() const = 0;
    // Whether the editor holds the text document (opened, new, or typed while no node was
    // selected) instead of a node's text.
    virtual bool IsTextFileOpen() const = 0;
    // The writer's manuscript grid (a preset of the settings file): the position line's and
    // the manuscript-paper export's.
    virtual penwick::CountSettings manuscriptGrid() const = 0;
    virtual void SetTextFileOpen(bool open) = 0;
    // Whether the text document has a file: it was opened or saved under a name.
    virtual bool TextDocumentHasFile() const = 0;
    // Before the editor's text document is replaced: when it holds unsaved edits, asks
    // whether to save them. False when the action must stop (Cancel, or a save that did
    // not happen).
    virtual bool MaybeSaveTextDocument() = 0;
    // The editor gets an empty untitled text document (after the question above).
    virtual void ResetTextDocument() = 0;
};
