// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's side of the manuscript-paper counter: opening and closing the dialog, the
// full count of the project and the real-time count of the open text on Enter.
//
// The view holds at most one dialog and is the only one holding it: a second ID_COUNTER
// brings the open dialog forward, and closing forgets it before it goes.
#include "CVellEditView.h"

#include "CManuscriptCounterDlg.h"
#include "CounterReport.h"
#include "Prompts.h"
#include "ProjectSession.h"

#include <QPlainTextEdit>

#include <string>
#include <vector>

namespace {

constexpr int kDefaultCells = 20;

penwick::CountSettings SettingsOf(const CManuscriptCounterDlg& dlg)
{
    penwick::CountSettings s;
    s.vertical = dlg.m_nVertical;
    s.horizontal = dlg.m_nHorizontal;
    s.kinsoku = dlg.m_strKinsoku.toStdString();
    s.mode = 1;
    return s;
}

}  // namespace

void CVellEditView::OnCounter()
{
    if (m_pCounterDlg) {
        m_pCounterDlg->show();
        m_pCounterDlg->raise();
        m_pCounterDlg->activateWindow();
        return;
    }
    m_pCounterDlg = new CManuscriptCounterDlg(this, m_pFrame->prompts());
    m_pCounterDlg->m_nVertical = kDefaultCells;
    m_pCounterDlg->m_nHorizontal = kDefaultCells;
    m_pCounterDlg->m_strKinsoku = QString::fromUtf8(PENWICK_DEFAULT_KINSOKU);
    m_pCounterDlg->Create();
    // Tied to the dialog: the connection goes with it.
    connect(this, &CVellEditView::keyReleased, m_pCounterDlg, [this](int key) { OnCounterKeyReleased(key); });
    connect(m_pCounterDlg, &CManuscriptCounterDlg::countRequested, this, &CVellEditView::CountAllChapters);
    connect(m_pCounterDlg, &CManuscriptCounterDlg::closeRequested, this, &CVellEditView::CloseCounterDlg);
    CountAllChapters();
}

void CVellEditView::OnUpdateCounter(CommandUi& ui)
{
    if (!GetTreeView() || m_pFrame->session().path().empty())
        ui.enabled = false;
}

void CVellEditView::CloseCounterDlg()
{
    CManuscriptCounterDlg* dlg = m_pCounterDlg;
    m_pCounterDlg = nullptr;
    if (!dlg)
        return;
    disconnect(this, &CVellEditView::keyReleased, dlg, nullptr);
    dlg->hide();
    // The dialog may be inside one of its own button handlers right now.
    dlg->deleteLater();
}

CountResult CVellEditView::CountCurrentText()
{
    if (!m_pCounterDlg)
        return CountResult{};
    const std::string text = toPlainText().toStdString();
    m_pCounterDlg->UpdateData(true);
    if (m_pCounterDlg->m_nVertical < 1 || m_pCounterDlg->m_nHorizontal < 1) {
        m_pCounterDlg->m_nVertical = kDefaultCells;
        m_pCounterDlg->m_nHorizontal = kDefaultCells;
        m_pCounterDlg->UpdateData(false);
    }
    return penwick::CountOneText(text, SettingsOf(*m_pCounterDlg));
}

void CVellEditView::CountAllChapters()
{
    ProjectPane* tree = GetTreeView();
    if (!tree || !m_pCounterDlg)
        return;
    const penwick::CountSettings settings = SettingsOf(*m_pCounterDlg);
    // The chapters must hold the latest edits; a failed save is reported by the tree and
    // the count goes on with what the project holds.
    (void)tree->SaveIfModified();
    if (!m_pCounterDlg)   // a prompt inside the save may have let the user close it
        return;

    std::vector<std::string> chapters;
    if (!tree->GetAllChapterTexts(&chapters))
        return;   // reported; a report of a project that could not be read would mislead
    m_strReport = QString::fromStdString(penwick::FormatReport(penwick::CountChapters(chapters, settings)));
    m_pCounterDlg->m_editReport->setPlainText(m_strReport);
}

void CVellEditView::OnCounterKeyReleased(int key)
{
    if (!m_pCounterDlg || (key != Qt::Key_Return && key != Qt::Key_Enter))
        return;
    const CountResult now = CountCurrentText();
    if (!m_pCounterDlg)
        return;
    m_pCounterDlg->m_editReport->setPlainText(QString::fromStdString(penwick::FormatRealtime(now)) + m_strReport);
}
