// SPDX-License-Identifier: GPL-3.0-or-later
// The left pane: the project outline. The project itself (document, file, modified state)
// is the frame's ProjectSession; this view shows it through an OutlineModel, which follows
// each outline command the session applies, so the items change only as the document does.
// An "item" here is a row of that model.
//
// Every operation that touches the DOM runs inside one guarded region and reports a
// failure itself (a message box captioned Penwick with an OK button); callers only see
// the failure result. Walks over the tree are iterative: project files may nest as deep
// as the DOM service allows.
#pragma once

#include "PaneHost.h"
#include "DomDocument.h"
#include "FileIO.h"
#include "ProjectSafety.h"
#include "ProjectSession.h"
#include "OutlineHistory.h"
#include "OutlineModel.h"
#include "TreeGuard.h"

#include <QPersistentModelIndex>
#include <QString>
#include <QTreeView>

#include <functional>
#include <memory>
#include <optional>
#include <new>
#include <string>
#include <vector>

class Prompts;
class QContextMenuEvent;
class QDragMoveEvent;
class QDropEvent;
class QKeyEvent;
class QMenu;
class QMouseEvent;
class QPoint;

class OutlineProgressDelegate;

class VellTreeView : public QTreeView, public ProjectPane {
    Q_OBJECT
public:
    // Loads the project template into the document; a missing or broken template leaves
    // the document empty and says nothing (the first new project reports it).
    explicit VellTreeView(PaneHost* frame, QWidget* parent = nullptr);
    ~VellTreeView() override;

    // The open project, shared with the frame and the safety keeper.
    penwick::ProjectSession& session() const { return m_session; }
    // The project file; empty until opened or saved under a name.
    QString ProjectPath() const;
    void SetProjectPath(const QString& path);
    // The outline the view shows.
    OutlineModel* outline() const { return m_model; }
    // The outline's undo history (cleared when a project is opened or started).
    OutlineHistory* history() const { return m_history; }
    // The item standing for node, or an invalid index.
    QModelIndex ItemOf(penwick::DomNode node) const { return m_model->indexOf(node); }
    // Draws a thin progress bar under the rows that `progress` answers for (their targets).
    void setProgress(std::function<std::optional<double>(const QModelIndex&)> progress);

    // Loads the project path into the document. On failure the reason is shown and the
    // document keeps what it held. (Opening a project goes through OpenProjectFile.)
    bool InitDomDocument();
    // Reads the project title and adds one expanded item per element with attributes, in
    // document order. Never deletes items; leaves no current item.
    bool RefreshTree();
    // Deletes the item with its subtree; an invalid index deletes every item. Either way
    // the project counts as changed and no item holds the editor's text any more.
    void DeleteTreeItem(const QModelIndex& item);

    // ---- selection and text (VellTreeViewSync.cpp) ----
    // The tree's selection moved: store the editor's text into the node left, load the
    // text of the node entered and rewrite the caption.
    void OnSelChanged();
    // Loads the current item's node text into the editor and clears its modified flag.
    void SetEditViewText();
    // Stores the editor's text into the current item's node when it was changed; the text
    // document is never stored here.
    void SaveTextToDOM();
    // Before the selection moves to next: stores the node's edit, or, when the editor holds
    // the text document, asks whether it is the node's text (the node left, or next when
    // none was selected) and, if not, offers to save it. False when the user cancelled.
    bool LeaveEditorText(const QModelIndex& next);
    // Whether the editor shows the selected node's text with edits not yet stored.
    bool HoldsNodeEdit();
    // Stores the editor's text into item's node; the project is then modified.
    void StoreEditorTextInto(const QModelIndex& item);
    // The editor's text as a node stores it (CR LF line ends).
    static std::string ToStoredText(const QString& editorText);
    // The one save path: stores the editor's text, then writes the document to the
    // project path (asking for one when there is none) atomically. True only when
    // the file was written; the modified states are cleared only then.
    bool SaveXMLToFile() override;
    bool SaveIfModified() override;
    // Asks for a project file name to save under; true after making it the project path.
    bool GetSaveFilePath();
    // The item the tree shows selected, or an invalid index.
    QModelIndex GetSelectedItem() const;

    // ---- project commands (VellTreeViewProject.cpp) ----
    void MakeNewProject();
    void OnProjectOpen();
    void OnProjectSave();
    void OnProjectSaveAs();
    void ChangeProjectTitle();
    // Opens a project file without the dialog (also "penwick --project FILE"). The project
    // shown before stays, with its path and document, unless the file loads and builds.
    bool OpenProjectFile(const QString& path);
    // At start-up with no project named: offers the snapshots of untitled projects whose
    // window ended without saving; the one taken is shown as an unsaved untitled project.
    bool RestoreUntitledWork();
    // Asks for an existing project file; the path chosen, or empty.
    QString GetOpenFilePath();

    // Where project saves write through; tests put a faulty one here.
    void SetFileOps(penwick::FileOps* ops) { m_pFileOps = ops; }

    // The three caption forms.
    static QString NodeCaption(const QString& projectTitle, const QString& nodeTitle);
    static QString ProjectCaption(const QString& projectTitle);
    static QString NewProjectCaption();

    TextPane* GetEditView();

    // The element an item stands for; null for an invalid or foreign index.
    static penwick::DomNode NodeOf(const QModelIndex& item) { return OutlineModel::NodeOf(item); }

    // The project file filter of both project file dialogs.
    static QString ProjectFileFilter();

    // ---- export and counter (VellTreeViewExport.cpp) ----
    // The text of node and its sub-nodes as export and counting see it; a failure is
    // reported and costs only that node's part.
    std::string GetTreeText(penwick::DomNode node);
    // The text of the index-th top-level node, the end marker past the last one, "" after
    // a reported failure.
    std::string GetChapterText(int index);
    // Every chapter's text in order. False after a reported failure that left no chapter
    // to read (no document element); callers then write or count nothing.
    bool GetAllChapterTexts(std::vector<std::string>* chapters) override;
    // Asks for the export file; true with the full path in path, path untouched otherwise.
    bool GetExportFilePath(QString& path);
    // Saves the project when it was changed, then writes the text of all chapters to the chosen file.
    void OnProjectExport();
    // Export and the counter need a project file: disabled without a path.
    void OnUpdateProjectExport(CommandUi& ui) const;
    // The counter belongs to the editor; the tree only passes the command on.
    void OnCounter();
    static QString ExportFileFilter();

    // ---- node editing, clipboard, context menu (VellTreeViewEdit.cpp, VellTreeViewClipboard.cpp, VellTreeViewMenu.cpp) ----
    // Add a child (a chapter at the end of the project when nothing is selected), a
    // sibling below or above, delete, and the properties of the current node. Each asks
    // in CNodePropertyDlg first (not delete) and keeps the tree and the document in step.
    void MakeNewChild();
    void OnTreeInsertAfter();
    void OnTreeInsertbefore();
    void OnTreeDelete();
    void OnTreeProperty();
    // Enabling shared by the commands that act on the current node.
    bool OnUpdateTreeSelection() const;
    // The node clipboard: a copy held in a document of its own, so it outlives the
    // project it came from. Pastes insert a fresh copy beside the current node.
    void OnTreeCopy();
    void OnTreeCut();
    void OnTreePaste();
    void OnTreePastebefore();
    bool OnUpdateTreePaste() const;
    // The body of both pastes: a fresh copy of the clipboard above or below the current node.
    void PasteBeside(bool above, const char* catchAllText);
    // Outline undo and redo (the tree's 元に戻す, Ctrl+Y): the editor's edit goes into its
    // node first; afterwards the editor shows the selected node's text, or nothing when the
    // step took the node away.
    void OnOutlineUndo();
    void OnOutlineRedo();
    // The refusal shown when an insertion would nest elements deeper than the document allows.
    static QString TooDeepText();
    // The tree's context menu ("POPUP2") with its enabling set for now. OnRButtonDown runs
    // it and sends the chosen entry through the command route, update rule first.
    QMenu* CreatePopupMenu(QWidget* parent);
    // Shows the menu at pos (viewport coordinates) for the selected node; a right press
    // selects the item under it first.
    void OnRButtonDown(const QPoint& pos);
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

    // ---- reorganising (VellTreeViewMove.cpp) ----
    // Moves node (copy: a copy of it) into parent in front of before (null: last), its name
    // following its new level, as one undo step; the editor keeps its node. False when
    // nothing moved (a failure or refusal is reported).
    bool PlaceNode(penwick::DomNode node, penwick::DomNode parent, penwick::DomNode before, bool copy);
    // Alt+Up / Alt+Down among the siblings, Alt+Right under the sibling above, Alt+Left out
    // beside the parent (key: the arrow).
    bool MoveSelected(int key);
    void keyPressEvent(QKeyEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

    penwick::DomNode m_pClipNode;                      // null: the clipboard is empty
    std::unique_ptr<penwick::DomDocument> m_pClipDoc;  // holds m_pClipNode, never loaded

    // CommandTarget
    bool HandlesCommand(int id) const override;
    void UpdateCommand(int id, CommandUi& ui) override;
    void RunCommand(int id) override;

    QString m_strTemplatePath;                // default.xml beside the program (or in share/)
    bool m_bDeleting = false;                 // set around item removal: selection changes are ignored
    QPersistentModelIndex m_hSelectedItem;   // the item whose text the editor holds
    TextPane* m_pEditView = nullptr;              // found on first need
    QString m_strProjectTitle;                // the document element's first attribute

protected:
    // Runs work as one guarded region; reports a failure once and answers false.
    template <class Work>
    bool Guarded(const char* catchAllText, Work&& work);
    void ReportResult(penwick::HRESULT hr);
    void ReportText(const QString& text);
    Prompts& prompts() const;

    // The save question of open and new project; false when the command must stop
    // (Cancel, or Yes and the save did not happen).
    bool PromptSaveChanges();
    // Shows a loaded document in place of the one shown; path empty for an untitled one.
    bool InstallDocument(std::unique_ptr<penwick::DomDocument> loaded, const QString& path, bool restored);
    PaneHost* m_pFrame;
    OutlineProgressDelegate* m_progressDelegate = nullptr;
    penwick::ProjectSession& m_session;
    penwick::FileOps* m_pFileOps;

private:
    struct CommandEntry;
    // New items open expanded, as every item always has.
    void OnRowsInserted(const QModelIndex& parent, int first, int last);
    // The editor's node keeps its item selected when an outline command takes its item
    // away and brings it back (a move); a node that left the document leaves no item.
    void OnOutlineAboutToChange();
    void OnOutlineChanged();

    // Where a drop at pos (viewport coordinates) puts dragged; false when nowhere.
    bool DropPlace(const QPoint& pos, penwick::DomNode dragged, penwick::DomNode* parent,
                   penwick::DomNode* before) const;
    // One undo (redo false) or redo, then AfterHistoryStep.
    void StepHistory(bool redo);
    // Brings the editor, the caption and the project title in line after an undo or redo.
    void AfterHistoryStep();
    // The node the editor showed is gone and no other is selected: the editor gets an empty
    // text document (unless it holds the text document already).
    void ShowNoNode();
    // A cut that keeps the children: they take the node's place, then the node goes.
    void RemoveKeepingChildren();
    // The node clipboard's copy of the selected node, with its sub-nodes or only its text;
    // false after a reported failure.
    bool CopySelected(bool withChildren);

    OutlineModel* m_model;
    OutlineHistory* m_history;
    penwick::DomNode m_editedNode;   // m_hSelectedItem's node while a command runs
    bool m_bWasDeleting = false;     // m_bDeleting before a command ran
    static const CommandEntry* FindCommand(int id);
};

template <class Work>
bool VellTreeView::Guarded(const char* catchAllText, Work&& work)
{
    try {
        work();
        return true;
    } catch (const penwick::DomFailure& failure) {
        ReportResult(failure.hr);
    } catch (const std::bad_alloc&) {
        ReportResult(penwick::E_OUTOFMEMORY);
    } catch (...) {
        ReportText(QString::fromUtf8(catchAllText));
    }
    return false;
}
