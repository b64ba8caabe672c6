// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: the tree (left, 200 px at start) and the editor (right) side by side
// in a splitter, the main menu, the command routing and the close sequence. It owns the
// open project (ProjectSession), which the panes and the safety keeper share.
//
// Command routing: a command goes to the active view (the pane that last had the focus),
// then the text document, this frame and the application; the first that handles it
// decides. Menus ask the update rules before they open, and a command asks its rule
// once more right before it runs, whether it came from a menu or a key.
#pragma once

#include "CommandTarget.h"
#include "DomDocument.h"
#include "PaneHost.h"
#include "Prompts.h"
#include "WritingGoals.h"

#include <QMainWindow>

#include <memory>
#include <optional>

namespace penwick {
class ProjectSession;
}
class CommandRegistry;
class CVellApp;
class CVellDoc;
class CVellEditView;
class Prompts;
class QAction;
class QMenu;
class QDockWidget;
class QSplitter;
class SearchPanel;
class PositionLine;
class ProofreadKeeper;
class QTimer;
class SafetyKeeper;
class VellTreeView;

class CMainFrame : public QMainWindow, public CommandTarget, public PaneHost {
    Q_OBJECT
public:
    CMainFrame(CVellApp* app, CVellDoc* doc);
    ~CMainFrame() override;

    VellTreeView* GetTreeView() const { return m_pTreeView; }
    CVellEditView* GetEditView() const { return m_pEditView; }
    // The project search panel (Ctrl+Shift+F), docked beside the outline; hidden at start.
    SearchPanel* GetSearchPanel() const { return m_pSearch; }
    void ShowSearchPanel();
    // The position line at the foot (Ctrl+Shift+P shows or hides it; hidden at first, the
    // choice kept in penwick.conf) and Ctrl+G, which puts the caret where a sheet begins.
    PositionLine* GetPositionLine() const { return m_pPosition; }
    ProofreadKeeper* GetProofreading() const { return m_pProofread; }
    bool IsPositionLineShown() const;
    void SetPositionLineShown(bool shown);
    void GoToSheet();
    // Ctrl+Shift+T: the project's target and deadline and the selected node's target, kept
    // beside the project file; read again when a project is opened.
    void SetTargets();
    void ReloadTargets();
    CVellDoc* GetActiveDocument() const { return m_pDocument; }
    CVellApp* GetApp() const { return m_pApp; }
    Prompts& prompts() const override;

    // The pane commands go to first; the tree until a pane gets the focus.
    CommandTarget* GetActiveView() const { return m_pActiveView; }
    void SetActiveView(CommandTarget* view) override;

    // Asks the route whether id is enabled now (no handler: disabled).
    bool IsCommandEnabled(int id);
    // Runs id through the route when its update rule allows; true when it ran.
    bool RouteCommand(int id) override;

    QAction* GetAction(int id) const;
    // The top-level menus of the menu bar, in order.
    QList<QMenu*> GetMenus() const;

    // A caption set by the project commands; it stays until the text document's title
    // changes, which brings back the automatic "title - Penwick".
    void SetWindowText(const QString& caption) override;
    // The caption as shown: at most 300 characters, a longer one ending in "…".
    static QString ClampCaption(const QString& caption);
    void OnUpdateFrameTitle();

    // The close sequence with its two questions; true when the window may close.
    bool OnClose();
    void OnViewDirection();

    // ---- backups, recovery, lock (SafetyKeeper.cpp) ----
    SafetyKeeper* GetSafetyKeeper() const { return m_pSafety; }

    // The open project; it alone holds whether the project has unsaved changes (the
    // editor's own flag covers text not yet stored into its node).
    penwick::ProjectSession& session() const override { return *m_pSession; }
    bool IsProjectModified() const;

    // PaneHost: the panes reach each other and the safety keeper through these.
    TextPane* textPane() const override;
    ProjectPane* projectPane() const override;
    SafetyHooks* safetyHooks() const override;
    bool IsTextFileOpen() const override;
    penwick::CountSettings manuscriptGrid() const override;
    void SetTextFileOpen(bool open) override;
    bool TextDocumentHasFile() const override;
    bool MaybeSaveTextDocument() override;
    void ResetTextDocument() override;

    // CommandTarget
    bool HandlesCommand(int id) const override;
    void RunCommand(int id) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Window size and the splitter position, kept in the settings file between runs.
    void RestoreWindowState();
    void SaveWindowState() const;
    void OnCreateClient();
    void BuildMenus();
    void UpdateMenu(QMenu* menu);
    void OnFocusChanged(QWidget* old, QWidget* now);
    CommandTarget* FindHandler(int id) const;
    // The text document's save question: Yes/No when closing, Yes/No/Cancel before it is replaced.
    PromptAnswer AskToSaveText(PromptButtons buttons);
    // The editor's note says when it holds the text document rather than a node's text.
    void UpdateEditorIndicator();
    // ---- project search (CMainFrameSearch.cpp) ----
    void CreateSearchPanel();
    void CreateProofreading();
    void CreatePositionLine();
    void RefreshPosition();
    penwick::DomNode EditedNode() const;   // the node whose text the editor holds, or null
    std::string TitlePathOf(penwick::DomNode node) const;
    std::optional<double> TargetProgress(const QModelIndex& item) const;
    // A result chosen: its node selected in the outline, the occurrence in the editor.
    void ShowSearchResult(penwick::DomNode node, int start, int length);

    CVellApp* m_pApp;
    CVellDoc* m_pDocument;
    std::unique_ptr<penwick::ProjectSession> m_pSession;   // before the panes, which use it
    std::unique_ptr<CommandRegistry> m_pCommands;
    QSplitter* m_wndSplitter = nullptr;
    VellTreeView* m_pTreeView = nullptr;
    CVellEditView* m_pEditView = nullptr;
    CommandTarget* m_pActiveView = nullptr;
    QList<QMenu*> m_menus;
    QDockWidget* m_pSearchDock = nullptr;
    SearchPanel* m_pSearch = nullptr;
    PositionLine* m_pPosition = nullptr;
    QTimer* m_pPositionTimer = nullptr;   // one refresh for a burst of signals, after them
    ProofreadKeeper* m_pProofread = nullptr;   // the 校正 panel and the editor's marks
    penwick::ProjectTargets m_targets;
    penwick::CountSettings m_grid;   // the writer's grid preset, read at start

    // ---- backups, recovery, lock (SafetyKeeper.cpp) ----
    SafetyKeeper* m_pSafety = nullptr;   // a child of this window
};
