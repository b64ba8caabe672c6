// SPDX-License-Identifier: GPL-3.0-or-later
// The position line and going to a sheet. The line follows the editor (typing, caret and
// selection), the outline (commands, a project opened) and the node being edited; the
// signals of one change come in bursts, so a timer refreshes once after them, when the
// tree has settled on the node the editor shows.
#include "CMainFrame.h"

#include "AppSettings.h"
#include "CVellEditView.h"
#include "GoToSheetDialog.h"
#include "PositionLine.h"
#include "ProjectFormat.h"
#include "TargetsDialog.h"
#include "TextAssembly.h"
#include "VellTreeView.h"

#include <QAction>
#include <QStatusBar>
#include <QTimer>

using namespace penwick;

void CMainFrame::CreatePositionLine()
{
    // Read once, as the editor's settings are: the outline's bars ask for it at every paint.
    m_grid = AppSettings::Grid();
    // The frame has no status bar until the writer asks for the line.
    m_pPosition = new PositionLine(*m_pSession, m_grid, this);
    m_pPosition->hide();
    // At most one refresh every 30 ms while keys come: drawing the line costs more than
    // typing a character, and a writer reads it between bursts, not during them.
    m_pPositionTimer = new QTimer(this);
    m_pPositionTimer->setSingleShot(true);
    m_pPositionTimer->setInterval(30);
    connect(m_pPositionTimer, &QTimer::timeout, this, &CMainFrame::RefreshPosition);
    const auto later = [this] {
        if (!m_pPositionTimer->isActive())
            m_pPositionTimer->start();
    };
    connect(m_pEditView, &CVellEditView::caretMoved, this, later);
    connect(m_pEditView, &CVellEditView::textEdited, this, later);
    const auto outlineChanged = [this, later] {
        m_pPosition->projectChanged();
        later();
    };
    connect(m_pTreeView->outline(), &OutlineModel::commandApplied, this, outlineChanged);
    connect(m_pTreeView->outline(), &QAbstractItemModel::modelReset, this, outlineChanged);
    connect(m_pTreeView->outline(), &QAbstractItemModel::modelReset, this, &CMainFrame::ReloadTargets);
    m_pTreeView->setProgress([this](const QModelIndex& item) { return TargetProgress(item); });

    auto* toggle = new QAction(this);
    toggle->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    toggle->setShortcutContext(Qt::WindowShortcut);
    connect(toggle, &QAction::triggered, this, [this] { SetPositionLineShown(!IsPositionLineShown()); });
    addAction(toggle);
    auto* targets = new QAction(this);
    targets->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T));
    targets->setShortcutContext(Qt::WindowShortcut);
    connect(targets, &QAction::triggered, this, &CMainFrame::SetTargets);
    addAction(targets);
    auto* go = new QAction(this);
    go->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    go->setShortcutContext(Qt::WindowShortcut);
    connect(go, &QAction::triggered, this, &CMainFrame::GoToSheet);
    addAction(go);
}

CountSettings CMainFrame::manuscriptGrid() const
{
    return m_grid;
}

bool CMainFrame::IsPositionLineShown() const
{
    const auto* bar = findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly);
    return bar && !bar->isHidden();
}

void CMainFrame::SetPositionLineShown(bool shown)
{
    if (!shown) {
        if (auto* bar = findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly))
            bar->hide();
        return;
    }
    if (m_pPosition->parentWidget() == this) {
        statusBar()->addWidget(m_pPosition, 1);
        statusBar()->setSizeGripEnabled(false);
        m_pPosition->show();
    }
    statusBar()->show();
    RefreshPosition();
}

DomNode CMainFrame::EditedNode() const
{
    return IsTextFileOpen() ? DomNode() : VellTreeView::NodeOf(m_pTreeView->m_hSelectedItem);
}

void CMainFrame::RefreshPosition()
{
    if (!IsPositionLineShown())
        return;
    int start = 0, end = 0;
    m_pEditView->selection(&start, &end);
    m_pPosition->showPlace(EditedNode(), m_pEditView->toPlainText(), std::min(start, end), std::max(start, end));
}

void CMainFrame::GoToSheet()
{
    if (IsTextFileOpen())
        return;   // a text document is not on the manuscript
    const DomNode edited = EditedNode();
    const QString text = m_pEditView->toPlainText();
    const ManuscriptMap& map = m_pPosition->map(edited, text);
    const int grid = map.settings().horizontal;
    const std::int64_t sheets = (map.total().lines + grid - 1) / grid;
    int start = 0, end = 0;
    m_pEditView->selection(&start, &end);
    const int index = edited ? map.nodeIndex(edited) : -1;
    const std::int64_t current =
        index >= 0 ? map.positionOf(index, std::size_t(text.left(std::min(start, end)).toUtf8().size())).sheet : 1;
    GoToSheetDialog dialog(int(std::min<std::int64_t>(sheets, 1000000)), int(current), this);
    if (prompts().execDialog(dialog) != QDialog::Accepted)
        return;
    const auto place = map.sheetStart(dialog.sheet());
    if (!place)
        return;
    const DomNode node = map.node(place->node);
    const QModelIndex item = m_pTreeView->ItemOf(node);
    if (!item.isValid())
        return;
    if (node != edited) {
        m_pTreeView->setCurrentIndex(item);
        if (EditedNode() != node)
            return;   // the writer kept the text document (Cancel at the question)
    }
    // The place by paragraph: the editor's line ends are not the file's.
    const std::string own = m_pEditView->toPlainText().toStdString();
    const std::size_t offset = ManuscriptMap::OffsetOf(own, place->paragraph, place->column);
    const int caret = int(QString::fromUtf8(own.data(), qsizetype(offset)).size());
    m_pEditView->setSelection(caret, caret);
    m_pEditView->control()->setFocus(Qt::OtherFocusReason);
    RefreshPosition();
}

void CMainFrame::ReloadTargets()
{
    const std::string& path = m_pSession->path();
    m_targets = path.empty() ? ProjectTargets{} : ReadTargets(path);
    m_pPosition->setTargets(m_targets);
    m_pTreeView->viewport()->update();
    m_pPositionTimer->start();
}

std::string CMainFrame::TitlePathOf(DomNode node) const
{
    std::vector<std::string> titles;
    const DomNode root = m_pSession->document().documentElement();
    for (; node && node != root; node = node.parentNode())
        titles.insert(titles.begin(), format::NodeTitle(node));
    return TitlePath(titles);
}

std::optional<double> CMainFrame::TargetProgress(const QModelIndex& item) const
{
    if (m_targets.nodes.empty())
        return std::nullopt;
    const DomNode node = VellTreeView::NodeOf(item);
    const Target* target = node ? FindNodeTarget(m_targets, TitlePathOf(node)) : nullptr;
    if (!target)
        return std::nullopt;
    // The node with everything below it, as the export has it (the text last stored).
    const CountResult r = CountOneText(GetTreeText(node, [](HRESULT, std::string_view) {}), m_grid);
    return Fraction(*target, std::int64_t(r.nSheets) * m_grid.horizontal + r.nLines, r.nChars, m_grid.horizontal);
}

void CMainFrame::SetTargets()
{
    const std::string& path = m_pSession->path();
    if (path.empty() || IsTextFileOpen()) {
        prompts().message(QStringLiteral("目標はプロジェクトに名前を付けて保存してから設定できます。"));
        return;
    }
    const DomNode node = EditedNode();
    ProjectTargets targets = ReadTargets(path);
    TargetsDialog dialog(targets, node ? TitlePathOf(node) : std::string(), this);
    if (prompts().execDialog(dialog) != QDialog::Accepted)
        return;
    QString problem;
    std::string error;
    if (!dialog.read(&targets, &problem))
        prompts().message(problem, PromptIcon::Exclamation);
    else if (!WriteTargets(path, targets, &error))
        prompts().message(QString::fromStdString(error), PromptIcon::Exclamation);
    ReloadTargets();
}
