// SPDX-License-Identifier: GPL-3.0-or-later
#include "CVellEditView.h"

#include "CommandIds.h"
#include "FindReplaceDialog.h"
#include "FindTarget.h"
#include "Prompts.h"
#include "TextFinder.h"
#include "VerticalTextEdit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QTextCursor>
#include <QTextDocument>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

// The control behind the view: the vertical text widget, with the few adjustments the
// rest of the program relies on.
class EditControl : public VerticalTextEdit {
    Q_OBJECT
public:
    EditControl(QTextDocument* document, QWidget* parent) : VerticalTextEdit(document, parent) {}
};

namespace {

// Find and replace reach the editor through the control's own names.
class EditFindTarget : public FindTarget {
public:
    explicit EditFindTarget(EditControl* edit) : m_edit(edit) {}
    QTextDocument* document() const override { return m_edit->document(); }
    void selection(int* start, int* end) const override { m_edit->selection(start, end); }
    void setSelection(int start, int end) override { m_edit->setSelection(start, end); }
    void ensureCaretVisible() override { m_edit->ensureCaretVisible(); }
    void focusEditor() override
    {
        m_edit->activateWindow();
        m_edit->setFocus(Qt::OtherFocusReason);
    }
    void notFound() override { QApplication::beep(); }

private:
    EditControl* m_edit;
};

}  // namespace

CVellEditView::CVellEditView(PaneHost* frame, QWidget* parent)
    : QWidget(parent),
      m_pFrame(frame),
      m_pText(new QTextDocument(this)),
      m_pEdit(new EditControl(m_pText, this)),
      m_pFindTarget(std::make_unique<EditFindTarget>(m_pEdit)),
      m_pFinder(std::make_unique<TextFinder>([this](const QString& text) {
          if (m_pFrame)
              m_pFrame->prompts().message(text, PromptIcon::None, PromptButtons::Ok);
      }))
{
    m_pHolderNote = new QLabel(this);
    m_pHolderNote->setObjectName(QStringLiteral("holderNote"));
    m_pHolderNote->setContentsMargins(6, 2, 6, 2);
    m_pHolderNote->setWordWrap(true);   // a narrow pane must not widen for it
    m_pHolderNote->setAutoFillBackground(true);
    m_pHolderNote->setBackgroundRole(QPalette::ToolTipBase);
    m_pHolderNote->setForegroundRole(QPalette::ToolTipText);
    m_pHolderNote->hide();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_pHolderNote);
    layout->addWidget(m_pEdit);
    setFocusProxy(m_pEdit);
    connect(m_pEdit, &EditControl::keyReleased, this, &CVellEditView::keyReleased);
    connect(m_pEdit, &EditControl::selectionChanged, this, &CVellEditView::caretMoved);
    connect(m_pEdit, &EditControl::textChanged, this, &CVellEditView::textEdited);
    connect(m_pEdit, &EditControl::contextMenuRequested, this, &CVellEditView::ShowPopupMenu);
}

void CVellEditView::ApplySettings(const EditorSettings& settings)
{
    QFont font(settings.fontFamily);
    font.setStyleHint(QFont::Serif);
    font.setPointSizeF(settings.fontSize);
    m_pEdit->setFont(font);
    m_pEdit->setColumnGap(settings.columnGap);
    m_pEdit->setTateChuYoko(settings.tateChuYoko);
    m_pEdit->setRubyShown(settings.ruby);
    m_pEdit->setZoom(settings.zoom);
}

int CVellEditView::zoom() const
{
    return m_pEdit->zoom();
}

CVellEditView::~CVellEditView()
{
    // The control lays out and points into the text: it goes before the text does. The
    // find target refers to the control.
    m_pFindTarget.reset();
    delete m_pEdit;
    m_pEdit = nullptr;
}

void CVellEditView::setHolderNote(const QString& note)
{
    m_pHolderNote->setText(note);
    m_pHolderNote->setVisible(!note.isEmpty());
}

QString CVellEditView::holderNote() const { return m_pHolderNote->text(); }

QString CVellEditView::toPlainText() const { return m_pEdit->toPlainText(); }
void CVellEditView::setPlainText(const QString& text) { m_pEdit->setPlainText(text); }
bool CVellEditView::isModified() const { return m_pEdit->isModified(); }
void CVellEditView::setModified(bool modified) { m_pEdit->setModified(modified); }
bool CVellEditView::isVertical() const { return m_pEdit->isVertical(); }
void CVellEditView::setVertical(bool vertical) { m_pEdit->setVertical(vertical); }
void CVellEditView::selection(int* start, int* end) const { m_pEdit->selection(start, end); }
void CVellEditView::setSelection(int start, int end) { m_pEdit->setSelection(start, end); }
void CVellEditView::replaceSelection(const QString& text) { m_pEdit->replaceSelection(text); }
bool CVellEditView::canUndo() const { return m_pEdit->canUndo(); }
bool CVellEditView::canPaste() const { return m_pEdit->canPaste(); }

int CVellEditView::findText(const QString& what, int from, int to, bool matchCase,
                            bool wholeWord, int* length) const
{
    if (length)
        *length = 0;
    if (what.isEmpty())
        return -1;
    QTextDocument::FindFlags flags;
    if (matchCase)
        flags |= QTextDocument::FindCaseSensitively;
    if (wholeWord)
        flags |= QTextDocument::FindWholeWords;
    const QTextCursor found = m_pEdit->document()->find(what, std::max(from, 0), flags);
    if (found.isNull() || (to >= 0 && found.selectionEnd() > to))
        return -1;
    if (length)
        *length = found.selectionEnd() - found.selectionStart();
    return found.selectionStart();
}

QWidget* CVellEditView::control() const { return m_pEdit; }

void CVellEditView::undo() { m_pEdit->undo(); }
void CVellEditView::redo() { m_pEdit->redo(); }
void CVellEditView::cut() { m_pEdit->cut(); }
void CVellEditView::copy() { m_pEdit->copy(); }
void CVellEditView::paste() { m_pEdit->paste(); }
void CVellEditView::selectAll() { m_pEdit->selectAll(); }

ProjectPane* CVellEditView::GetTreeView() const { return m_pFrame ? m_pFrame->projectPane() : nullptr; }

namespace {

// The project commands work the same from this pane as from the tree.
bool IsForwarded(int id)
{
    return id == ID_PROJECT_OPEN || id == ID_PROJECT_SAVE || id == ID_PROJECT_SAVEAS ||
           id == ID_PROJECT_NEW || id == ID_PROJECT_TITLE;
}

}  // namespace

bool CVellEditView::HandlesCommand(int id) const
{
    switch (id) {
    case ID_EDIT_UNDO:
    case ID_EDIT_REDO:
    case ID_EDIT_CUT:
    case ID_EDIT_COPY:
    case ID_EDIT_PASTE:
    case ID_EDIT_SELECT_ALL:
    case ID_EDIT_FIND:
    case ID_EDIT_REPLACE:
    case ID_EDIT_REPEAT:
    case ID_COUNTER:
        return true;
    default:
        return IsForwarded(id);
    }
}

void CVellEditView::UpdateCommand(int id, CommandUi& ui)
{
    int start = 0, end = 0;
    switch (id) {
    case ID_EDIT_UNDO:
        ui.enabled = canUndo();
        break;
    case ID_EDIT_REDO:
        ui.enabled = m_pEdit->document()->isRedoAvailable();
        break;
    case ID_EDIT_CUT:
    case ID_EDIT_COPY:
        selection(&start, &end);
        ui.enabled = start != end;
        break;
    case ID_EDIT_PASTE:
        ui.enabled = canPaste();
        break;
    case ID_EDIT_SELECT_ALL:
        ui.enabled = !m_pEdit->document()->isEmpty();
        break;
    case ID_EDIT_FIND:
    case ID_EDIT_REPLACE:
        ui.enabled = !m_pEdit->document()->isEmpty();
        break;
    case ID_EDIT_REPEAT:
        ui.enabled = !m_pEdit->document()->isEmpty() && m_pFinder->hasLastFind();
        break;
    case ID_COUNTER:
        OnUpdateCounter(ui);
        break;
    default:
        if (IsForwarded(id)) {
            if (ProjectPane* tree = GetTreeView())
                tree->UpdateCommand(id, ui);
            else
                ui.enabled = false;
        }
        break;
    }
}

void CVellEditView::RunCommand(int id)
{
    switch (id) {
    case ID_EDIT_UNDO: undo(); break;
    case ID_EDIT_REDO: redo(); break;
    case ID_EDIT_CUT: cut(); break;
    case ID_EDIT_COPY: copy(); break;
    case ID_EDIT_PASTE: paste(); break;
    case ID_EDIT_SELECT_ALL: selectAll(); break;
    case ID_EDIT_FIND: OnEditFind(); break;
    case ID_EDIT_REPLACE: OnEditReplace(); break;
    case ID_EDIT_REPEAT: m_pFinder->repeatLastFind(*m_pFindTarget); break;
    case ID_COUNTER: OnCounter(); break;
    default:
        if (IsForwarded(id))
            if (ProjectPane* tree = GetTreeView())
                tree->RunCommand(id);
        break;
    }
}

FindReplaceDialog* CVellEditView::OpenFindDialog(bool replace)
{
    auto* dialog = new FindReplaceDialog(replace ? FindReplaceDialog::Replace : FindReplaceDialog::Find, this);
    // Each notice names its dialog and carries its fields; the view keeps no dialog.
    connect(dialog, &FindReplaceDialog::findReplace, this,
            [this](FindReplaceDialog* d, unsigned flags) { m_pFinder->onFindReplace(*m_pFindTarget, d, flags); });
    dialog->show();
    return dialog;
}

FindReplaceDialog* CVellEditView::OnEditFind() { return OpenFindDialog(false); }
FindReplaceDialog* CVellEditView::OnEditReplace() { return OpenFindDialog(true); }

QMenu* CVellEditView::CreatePopupMenu(QWidget* parent)
{
    struct Item { int id; const char* caption; };
    static const Item items[] = {
        {ID_EDIT_UNDO, "元に戻す(&U)"}, {0, nullptr},
        {ID_EDIT_CUT, "切り取り(&T)"}, {ID_EDIT_COPY, "ｺﾋﾟｰ(&C)"},
        {ID_EDIT_PASTE, "貼り付け(&P)"}, {ID_EDIT_SELECT_ALL, "すべて選択(&L)"}, {0, nullptr},
        {ID_EDIT_FIND, "検索(&F)..."}, {ID_EDIT_REPLACE, "置換(&E)"},
    };
    int start = 0, end = 0;
    selection(&start, &end);
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("POPUP1"));
    for (const Item& item : items) {
        if (!item.id) {
            menu->addSeparator();
            continue;
        }
        QAction* a = menu->addAction(QString::fromUtf8(item.caption));
        a->setData(item.id);
        // This menu's enabling is its own: the control's answers, not the update rules.
        if (item.id == ID_EDIT_UNDO)
            a->setEnabled(canUndo());
        else if (item.id == ID_EDIT_PASTE)
            a->setEnabled(canPaste());
        else if (item.id == ID_EDIT_CUT || item.id == ID_EDIT_COPY)
            a->setEnabled(start != end);
        const int id = item.id;
        connect(a, &QAction::triggered, this, [this, id] { RunCommand(id); });
    }
    return menu;
}

void CVellEditView::ShowPopupMenu(const QPoint& globalPos)
{
    QMenu* menu = CreatePopupMenu(this);
    menu->exec(globalPos);
    delete menu;
}

#include "CVellEditView.moc"
