// SPDX-License-Identifier: GPL-3.0-or-later
// The right-hand pane: the editor that shows the text of the selected project node, or a
// separately opened text document.
//
// The rest of the program only uses the narrow surface below (whole text, modified flag,
// direction, selection, range search, replacing the selection, undo/paste queries). The
// control inside is the vertical text widget (VerticalTextEdit), which starts in
// vertical writing; the view calls it only through these names.
#pragma once

#include "EditorSettings.h"
#include "PaneHost.h"
#include "counter.h"

#include <QWidget>

#include <memory>

class CManuscriptCounterDlg;
class EditControl;
class FindReplaceDialog;
class FindTarget;
class QLabel;
class QMenu;
class QTextDocument;
class TextFinder;

class CVellEditView : public QWidget, public TextPane {
    Q_OBJECT
public:
    explicit CVellEditView(PaneHost* frame, QWidget* parent = nullptr);
    ~CVellEditView() override;

    // Replacing the whole text starts a fresh history: no undo, not modified.
    QString toPlainText() const override;
    void setPlainText(const QString& text) override;

    bool isModified() const override;
    void setModified(bool modified) override;

    // Vertical writing (top to bottom, lines right to left); the editor starts vertical.
    bool isVertical() const;
    void setVertical(bool vertical);

    // The font, zoom, column gap and 縦中横 of the editor; zoom() is the writer's current zoom.
    void ApplySettings(const EditorSettings& settings);
    int zoom() const;

    // Character positions; start == end is the caret.
    void selection(int* start, int* end) const;
    void setSelection(int start, int end);
    void replaceSelection(const QString& text);

    bool canUndo() const;
    bool canPaste() const;

    // Searches forward for what inside [from, to] (to < 0: up to the end). Answers the
    // position of the first occurrence lying wholly in the range and its length, or -1.
    int findText(const QString& what, int from, int to, bool matchCase, bool wholeWord,
                 int* length) const;

    // The control itself, for focus tracking and tests.
    QWidget* control() const;

    // A line above the text saying what the editor holds when it is not a node's text;
    // empty hides it.
    void setHolderNote(const QString& note);
    QString holderNote() const;

    // The edit context menu ("POPUP1"), enabled as the control answers right now. The
    // caller runs it; a chosen entry's command comes back through RunCommand.
    QMenu* CreatePopupMenu(QWidget* parent);

    // The project tree beside this editor.
    ProjectPane* GetTreeView() const;

    // A new modeless Find or Replace dialog on this editor; it goes away on its own when
    // closed. Every dialog starts empty.
    FindReplaceDialog* OnEditFind();
    FindReplaceDialog* OnEditReplace();

    // ---- export and counter (CVellEditViewCounter.cpp) ----
    // ID_COUNTER: opens the counter dialog, or brings the open one forward.
    void OnCounter();
    // Disabled while the project has no file path.
    void OnUpdateCounter(CommandUi& ui);
    // Destroys the open counter dialog, if any, and forgets it.
    void CloseCounterDlg();
    // The editor's current text counted with the dialog's fields (read again first).
    CountResult CountCurrentText();
    // Saves the project when it was changed, counts each chapter and the whole and shows the report.
    void CountAllChapters();
    QString m_strReport;                            // the last full report, CR LF lines
    CManuscriptCounterDlg* m_pCounterDlg = nullptr; // the open counter dialog, owned

    // CommandTarget
    bool HandlesCommand(int id) const override;
    void UpdateCommand(int id, CommandUi& ui) override;
    void RunCommand(int id) override;

public slots:
    void undo();
    void redo();
    void cut();
    void copy();
    void paste();
    void selectAll();

signals:
    void keyReleased(int key);
    // The caret or the selection moved; the text changed (typing, undo, a new text).
    void caretMoved();
    void textEdited();

private:
    void ShowPopupMenu(const QPoint& globalPos);

    FindReplaceDialog* OpenFindDialog(bool replace);

    PaneHost* m_pFrame;
    QTextDocument* m_pText;   // the text on screen: the node's, or a separately opened document
    EditControl* m_pEdit;
    QLabel* m_pHolderNote;
    std::unique_ptr<FindTarget> m_pFindTarget;
    std::unique_ptr<TextFinder> m_pFinder;   // remembers only the last Find Next, for F3

    // ---- export and counter (CVellEditViewCounter.cpp) ----
    // The real-time lines above the report, on every release of Enter.
    void OnCounterKeyReleased(int key);
};
