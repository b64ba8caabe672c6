// SPDX-License-Identifier: GPL-3.0-or-later
#include "CMainFrame.h"

#include "ProjectSession.h"

#include "AppSettings.h"

#include "CVellApp.h"
#include "CVellDoc.h"
#include "CVellEditView.h"
#include "CommandIds.h"
#include "ProofreadKeeper.h"
#include "CommandRegistry.h"
#include "Prompts.h"
#include "SafetyKeeper.h"
#include "VellTreeView.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>

CMainFrame::CMainFrame(CVellApp* app, CVellDoc* doc)
    : m_pApp(app), m_pDocument(doc), m_pSession(std::make_unique<penwick::ProjectSession>())
{
    setObjectName(QStringLiteral("IDR_MAINFRAME"));
    resize(800, 600);
    m_pCommands = std::make_unique<CommandRegistry>(this);
    OnCreateClient();
    RestoreWindowState();
    m_pSafety = new SafetyKeeper(this);
    BuildMenus();
    m_pDocument->SetEditView(m_pEditView);
    connect(m_pDocument, &CVellDoc::titleChanged, this, &CMainFrame::OnUpdateFrameTitle);
    connect(qApp, &QApplication::focusChanged, this, &CMainFrame::OnFocusChanged);
    OnUpdateFrameTitle();
}

CMainFrame::~CMainFrame()
{
    disconnect(qApp, &QApplication::focusChanged, this, &CMainFrame::OnFocusChanged);
    // The panes reach back into the frame; they go while it is still whole.
    delete m_wndSplitter;
    m_wndSplitter = nullptr;
    m_pTreeView = nullptr;
    m_pEditView = nullptr;
}

Prompts& CMainFrame::prompts() const { return m_pApp->prompts(); }

bool CMainFrame::IsProjectModified() const { return m_pSession->modified(); }

TextPane* CMainFrame::textPane() const { return m_pEditView; }
ProjectPane* CMainFrame::projectPane() const { return m_pTreeView; }
SafetyHooks* CMainFrame::safetyHooks() const { return m_pSafety; }
bool CMainFrame::IsTextFileOpen() const { return m_pApp && m_pApp->m_bTextFileOpen; }
void CMainFrame::SetTextFileOpen(bool open)
{
    if (m_pApp)
        m_pApp->m_bTextFileOpen = open;
    UpdateEditorIndicator();
}

void CMainFrame::UpdateEditorIndicator()
{
    if (!m_pEditView)
        return;
    // Typing with no node selected goes into the text document, not into the project:
    // the writer must see that before clicking a node.
    m_pEditView->setHolderNote(
        IsTextFileOpen() ? ClampCaption(QStringLiteral("文書「%1」を編集中です。プロジェクトのノードのテキストではありません。")
                                            .arg(m_pDocument->GetTitle()))
                         : QString());
}

PromptAnswer CMainFrame::AskToSaveText(PromptButtons buttons)
{
    return prompts().message(QStringLiteral("現在開かれているテキストは変更されている可能性があります。保存しますか？"),
                             PromptIcon::Exclamation, buttons);
}

bool CMainFrame::TextDocumentHasFile() const { return !m_pDocument->GetPathName().isEmpty(); }

bool CMainFrame::MaybeSaveTextDocument()
{
    if (!IsTextFileOpen() || !m_pEditView || !m_pEditView->isModified())
        return true;
    const PromptAnswer save = AskToSaveText(PromptButtons::YesNoCancel);
    if (save == PromptAnswer::No)
        return true;
    return save == PromptAnswer::Yes && m_pDocument->DoFileSave() == CVellDoc::SaveResult::Saved;
}

void CMainFrame::ResetTextDocument()
{
    m_pDocument->OnNewDocument();
    SetTextFileOpen(true);
}

void CMainFrame::OnCreateClient()
{
    m_wndSplitter = new QSplitter(Qt::Horizontal, this);
    m_wndSplitter->setChildrenCollapsible(false);
    m_pTreeView = new VellTreeView(this, m_wndSplitter);
    m_pEditView = new CVellEditView(this, m_wndSplitter);
    m_wndSplitter->addWidget(m_pTreeView);
    m_wndSplitter->addWidget(m_pEditView);
    m_wndSplitter->setStretchFactor(0, 0);
    m_wndSplitter->setStretchFactor(1, 1);
    m_wndSplitter->setSizes({200, std::max(10, width() - 200)});
    setCentralWidget(m_wndSplitter);
    // The first pane is the active view until a pane gets the focus.
    m_pActiveView = m_pTreeView;
    CreateSearchPanel();
    CreatePositionLine();
    CreateProofreading();
}

void CMainFrame::BuildMenus()
{
    for (const MenuLayout& layout : CommandRegistry::mainMenu()) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(layout.caption));
        for (int id : layout.items) {
            if (id == 0)
                menu->addSeparator();
            else
                menu->addAction(m_pCommands->action(id));
        }
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { UpdateMenu(menu); });
        // Between menus every command stays reachable by its keys; the route asks the
        // update rule before it runs one.
        connect(menu, &QMenu::aboutToHide, this, [menu] {
            for (QAction* a : menu->actions())
                a->setEnabled(true);
        });
        m_menus << menu;
    }
    for (const auto& [id, action] : m_pCommands->actions()) {
        addAction(action);  // keys of commands without a menu entry (F3, F6) work too
        // F3 repeats the search from the Find dialog too, a window of its own.
        if (id == ID_EDIT_REPEAT)
            action->setShortcutContext(Qt::ApplicationShortcut);
        const int command = id;
        connect(action, &QAction::triggered, this, [this, command] { RouteCommand(command); });
    }
}

void CMainFrame::UpdateMenu(QMenu* menu)
{
    for (QAction* a : menu->actions())
        if (!a->isSeparator())
            a->setEnabled(IsCommandEnabled(a->data().toInt()));
}

QAction* CMainFrame::GetAction(int id) const { return m_pCommands->action(id); }

QList<QMenu*> CMainFrame::GetMenus() const { return m_menus; }

void CMainFrame::SetActiveView(CommandTarget* view)
{
    if (view == m_pTreeView || view == m_pEditView)
        m_pActiveView = view;
}

void CMainFrame::OnFocusChanged(QWidget*, QWidget* now)
{
    for (QWidget* w = now; w; w = w->parentWidget()) {
        if (w == m_pTreeView) {
            m_pActiveView = m_pTreeView;
            return;
        }
        if (w == m_pEditView) {
            m_pActiveView = m_pEditView;
            return;
        }
    }
}

CommandTarget* CMainFrame::FindHandler(int id) const
{
    CommandTarget* const route[] = {m_pActiveView, m_pDocument, const_cast<CMainFrame*>(this), m_pApp};
    for (CommandTarget* t : route)
        if (t && t->HandlesCommand(id))
            return t;
    return nullptr;
}

bool CMainFrame::IsCommandEnabled(int id)
{
    CommandTarget* target = FindHandler(id);
    if (!target)
        return false;
    CommandUi ui;
    target->UpdateCommand(id, ui);
    return ui.enabled;
}

bool CMainFrame::RouteCommand(int id)
{
    CommandTarget* target = FindHandler(id);
    if (!target)
        return false;
    CommandUi ui;
    target->UpdateCommand(id, ui);
    if (!ui.enabled)
        return false;
    target->RunCommand(id);
    return true;
}

bool CMainFrame::HandlesCommand(int id) const
{
    return id == ID_VIEW_DIRECTION || id == ID_NEXT_PANE || id == ID_PREV_PANE;
}

void CMainFrame::RunCommand(int id)
{
    switch (id) {
    case ID_VIEW_DIRECTION:
        OnViewDirection();
        break;
    case ID_NEXT_PANE:
    case ID_PREV_PANE: {
        // Two panes: next and previous are the same one.
        const bool toEditor = m_pActiveView == m_pTreeView;
        SetActiveView(toEditor ? static_cast<CommandTarget*>(m_pEditView)
                               : static_cast<CommandTarget*>(m_pTreeView));
        (toEditor ? static_cast<QWidget*>(m_pEditView) : static_cast<QWidget*>(m_pTreeView))
            ->setFocus(Qt::OtherFocusReason);
        break;
    }
    default:
        break;
    }
}

// A caption is cut short: a title of megabytes would be handed whole to the window system,
// which drops the connection rather than show it.
QString CMainFrame::ClampCaption(const QString& caption)
{
    constexpr int kMax = 300;
    if (caption.size() <= kMax)
        return caption;
    int cut = kMax - 1;
    if (caption.at(cut - 1).isHighSurrogate())
        --cut;
    return caption.left(cut) + QChar(0x2026);
}

void CMainFrame::SetWindowText(const QString& caption)
{
    setWindowTitle(ClampCaption(caption));
    UpdateEditorIndicator();
}

void CMainFrame::OnUpdateFrameTitle()
{
    setWindowTitle(ClampCaption(m_pDocument->GetTitle() + QStringLiteral(" - ") + Prompts::AppCaption()));
    UpdateEditorIndicator();
}

void CMainFrame::OnViewDirection()
{
    m_pEditView->setVertical(!m_pEditView->isVertical());
    m_pProofread->directionChanged();
}

bool CMainFrame::OnClose()
{
    if (IsProjectModified() || m_pEditView->isModified()) {
        if (m_pApp->m_bTextFileOpen) {
            const PromptAnswer save = AskToSaveText(PromptButtons::YesNo);
            // A text that could not be written must not be thrown away by closing; a
            // cancelled file dialog is the user's choice.
            if (save == PromptAnswer::Yes && m_pDocument->DoFileSave() == CVellDoc::SaveResult::Failed)
                return false;
        }
        const PromptAnswer project = prompts().message(
            QStringLiteral("現在開いているプロジェクトは変更されている可能性があります。保存しますか？"),
            PromptIcon::Exclamation, PromptButtons::YesNoCancel);
        if (project == PromptAnswer::Cancel)
            return false;
        // Closing after a save that did not happen (dialog cancelled, write failed)
        // would lose the project: the window stays.
        if (project == PromptAnswer::Yes && !m_pTreeView->SaveXMLToFile())
            return false;
    }
    return m_pDocument->SaveModified();
}

void CMainFrame::RestoreWindowState()
{
    const AppSettings::WindowState w = AppSettings::Window();
    if (w.size.isValid())
        resize(w.size);
    if (w.pos)
        move(*w.pos);
    if (w.maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
    if (!w.splitter.isEmpty())
        m_wndSplitter->setSizes(w.splitter);
    SetPositionLineShown(w.positionLine);
    m_pEditView->ApplySettings(AppSettings::Editor());
}

void CMainFrame::SaveWindowState() const
{
    AppSettings::WindowState w;
    // The normal geometry, so that a maximised window comes back maximised over its old size.
    w.size = (isMaximized() ? normalGeometry() : geometry()).size();
    w.pos = pos();
    w.maximized = isMaximized();
    w.splitter = m_wndSplitter->sizes();
    w.positionLine = IsPositionLineShown();
    AppSettings::SetWindow(w);
    AppSettings::SetEditorZoom(m_pEditView->zoom());
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (OnClose()) {
        m_pSafety->ProjectClosed();
        SaveWindowState();
        event->accept();
    }
    else
        event->ignore();
}
