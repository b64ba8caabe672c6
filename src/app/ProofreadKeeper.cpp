// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProofreadKeeper.h"

#include "AppSettings.h"
#include "CVellEditView.h"
#include "Morphology.h"
#include "OutlineModel.h"
#include "ProjectSession.h"
#include "ProofChecker.h"
#include "ProofreadPanel.h"
#include "Prompts.h"
#include "VerticalTextEdit.h"

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QListWidget>
#include <QMainWindow>
#include <QTimer>

using namespace penwick;

ProofreadKeeper::ProofreadKeeper(Window window)
    : QObject(window.frame),
      m_w(std::move(window)),
      m_panel(new ProofreadPanel),
      m_dock(new QDockWidget(QStringLiteral("校正"), m_w.frame)),
      m_edits(new QTimer(this)),
      m_list(new QTimer(this))
{
    m_dock->setObjectName(QStringLiteral("proofread"));
    m_dock->setWidget(m_panel);
    m_dock->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea | Qt::BottomDockWidgetArea);
    m_w.frame->addDockWidget(Qt::LeftDockWidgetArea, m_dock);
    m_dock->hide();
    connect(m_dock, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (visible && !m_checker)
            start();
        else if (!visible && m_dock->isHidden())   // not when it is only tabbed behind another
            stop();
    });
    m_edits->setSingleShot(true);
    m_edits->setInterval(30);
    connect(m_edits, &QTimer::timeout, this, &ProofreadKeeper::recheckEdited);
    m_list->setSingleShot(true);
    m_list->setInterval(400);
    connect(m_list, &QTimer::timeout, this, &ProofreadKeeper::refreshList);
    connect(m_w.editor, &CVellEditView::textEdited, this, [this] {
        if (m_checker && !m_edits->isActive())
            m_edits->start();
    });
    connect(m_w.outline, &OutlineModel::commandApplied, this, [this] {
        if (m_checker)
            rebuild();
    });
    // Another project: its own intended forms, and the settings as they are now.
    connect(m_w.outline, &QAbstractItemModel::modelReset, this, &ProofreadKeeper::restart);
    connect(m_panel, &ProofreadPanel::findingChosen, this,
            [this](DomNode node, int start, int length) { m_w.show(node, start, length); });
    connect(m_panel, &ProofreadPanel::fixRequested, this, &ProofreadKeeper::fix);
    connect(m_panel, &ProofreadPanel::formKept, this, &ProofreadKeeper::keepForm);

    auto* key = new QAction(m_w.frame);
    key->setShortcut(QKeySequence(Qt::Key_F7));
    key->setShortcutContext(Qt::WindowShortcut);
    connect(key, &QAction::triggered, this, &ProofreadKeeper::toggle);
    m_w.frame->addAction(key);
}

ProofreadKeeper::~ProofreadKeeper() = default;

void ProofreadKeeper::toggle()
{
    if (m_dock->isVisible() && m_panel->isAncestorOf(QApplication::focusWidget())) {
        m_dock->hide();
        m_w.control->setFocus(Qt::ShortcutFocusReason);
        return;
    }
    m_dock->show();
    m_dock->raise();
    if (!m_checker)
        start();
    m_panel->results()->setFocus(Qt::ShortcutFocusReason);
    if (m_panel->results()->currentRow() < 0 && m_panel->results()->count() > 0)
        m_panel->results()->setCurrentRow(0);
}

void ProofreadKeeper::start()
{
    if (!m_morphologyTried) {
        std::string error;
        m_morphology = proof::Morphology::Open(&error);
        m_morphologyTried = true;
        m_panel->setNote(m_morphology ? QString() : QString::fromStdString(error));
    }
    proof::ProofOptions options = AppSettings::Proofreading();   // no file: every rule on
    options.paragraph.vertical = m_w.editor->isVertical();
    if (!m_w.session->path().empty())
        options.intended = proof::ReadIntendedForms(m_w.session->path());
    m_checker = std::make_unique<ProofChecker>(std::move(options), m_morphology.get());
    rebuild();
}

void ProofreadKeeper::stop()
{
    m_edits->stop();
    m_list->stop();
    m_checker.reset();
    m_w.control->setWavyMarks({});
}

void ProofreadKeeper::directionChanged()
{
    restart();
}

void ProofreadKeeper::restart()
{
    if (!m_checker)
        return;
    m_checker.reset();
    start();
}

void ProofreadKeeper::rebuild()
{
    const DomNode edited = m_w.editedNode();
    m_checker->build(m_w.session->document(), [&](DomNode node) -> std::optional<std::string> {
        if (!edited || node != edited)
            return std::nullopt;
        return m_w.editor->toPlainText().toStdString();
    });
    recheckEdited();
    refreshList();
}

void ProofreadKeeper::recheckEdited()
{
    if (!m_checker)
        return;
    const DomNode node = m_w.editedNode();
    if (!node) {
        m_w.control->setWavyMarks({});
        return;
    }
    if (!m_checker->setNodeText(node, m_w.editor->toPlainText().toStdString())) {
        rebuild();   // a node the checker has not read: the outline changed under it
        return;
    }
    QList<VerticalTextEdit::WavyMark> marks;
    for (const ProofFinding& f : m_checker->nodeFindings(node))
        marks.append({f.start16, f.length16, QString::fromStdString(f.message)});
    m_w.control->setWavyMarks(std::move(marks));
    m_list->start();   // after a pause in the typing: the list is the whole project's
}

void ProofreadKeeper::refreshList()
{
    m_list->stop();
    if (m_checker)
        m_panel->setFindings(m_checker->findings());
}

void ProofreadKeeper::fix(DomNode node, int start, int length, const QString& replacement)
{
    m_w.show(node, start, length);
    if (m_w.editedNode() != node)
        return;   // the writer kept the text document in the editor
    m_w.editor->replaceSelection(replacement);   // one step of the editor's undo
    recheckEdited();
    refreshList();
}

void ProofreadKeeper::keepForm(const QString& form)
{
    if (!m_checker)
        return;
    std::vector<std::string> forms = m_checker->options().intended;
    forms.push_back(form.toStdString());
    const std::string& path = m_w.session->path();
    std::string error;
    if (!path.empty() && !proof::WriteIntendedForms(path, forms, &error))
        m_w.prompts->message(QString::fromStdString(error), PromptIcon::Exclamation);
    m_checker->setIntended(std::move(forms));
    recheckEdited();
    refreshList();
}
