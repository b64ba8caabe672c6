#include "CVellEditView.h"

#include "CMainFrame.h"
#include "CommandIds.h"
#include "VellTreeView.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

#include <algorithm>

CVellEditView::CVellEditView(CMainFrame* frame, QWidget* parent)
    : QWidget(parent), m_pFrame(frame), m_pEdit(new QPlainTextEdit(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pEdit);
    setFocusProxy(m_pEdit);
    m_pEdit->installEventFilter(this);
    m_pEdit->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_pEdit, &QWidget::customContextMenuRequested, this, &CVellEditView::ShowPopupMenu);
}

CVellEditView::~CVellEditView() = default;

QString CVellEditView::toPlainText() const
{
    // QTextDocument::toPlainText turns no-break spaces into spaces; a writer's text
    // must come back as typed.
    QString text = m_pEdit->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

void CVellEditView::setPlainText(const QString& text)
{
    m_pEdit->setPlainText(text);  // also empties the undo history
    m_pEdit->document()->setModified(false);
}

bool CVellEditView::isModified() const { return m_pEdit->document()->isModified(); }
void CVellEditView::setModified(bool modified) { m_pEdit->document()->setModified(modified); }

bool CVellEditView::isVertical() const { return m_bVertical; }
void CVellEditView::setVertical(bool vertical) { m_bVertical = vertical; }

void CVellEditView::selection(int* start, int* end) const
{
    const QTextCursor c = m_pEdit->textCursor();
    if (start)
        *start = c.selectionStart();
    if (end)
        *end = c.selectionEnd();
}

void CVellEditView::setSelection(int start, int end)
{
    const int last = m_pEdit->document()->characterCount() - 1;
    QTextCursor c = m_pEdit->textCursor();
    c.setPosition(std::clamp(start, 0, last));
    c.setPosition(std::clamp(end < 0 ? last : end, 0, last), QTextCursor::KeepAnchor);
    m_pEdit->setTextCursor(c);
}

void CVellEditView::replaceSelection(const QString& text)
{
    m_pEdit->textCursor().insertText(text);
}

bool CVellEditView::canUndo() const { return m_pEdit->document()->isUndoAvailable(); }
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

VellTreeView* CVellEditView::GetTreeView() const { return m_pFrame ? m_pFrame->GetTreeView() : nullptr; }

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
    case ID_EDIT_REPEAT:
    case ID_COUNTER:
        // Find, replace and the counter are not part of this editor yet.
        ui.enabled = false;
        break;
    default:
        if (IsForwarded(id)) {
            if (VellTreeView* tree = GetTreeView())
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
    case ID_EDIT_CUT: cut(); break;
    case ID_EDIT_COPY: copy(); break;
    case ID_EDIT_PASTE: paste(); break;
    case ID_EDIT_SELECT_ALL: selectAll(); break;
    default:
        if (IsForwarded(id))
            if (VellTreeView* tree = GetTreeView())
                tree->RunCommand(id);
        break;
    }
}

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

void CVellEditView::ShowPopupMenu(const QPoint& pos)
{
    QMenu* menu = CreatePopupMenu(this);
    menu->exec(m_pEdit->viewport()->mapToGlobal(pos));
    delete menu;
}

bool CVellEditView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pEdit && event->type() == QEvent::KeyRelease)
        emit keyReleased(static_cast<QKeyEvent*>(event)->key());
    return QWidget::eventFilter(watched, event);
}
