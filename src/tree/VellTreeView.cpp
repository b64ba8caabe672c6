// SPDX-License-Identifier: GPL-3.0-or-later
#include "VellTreeView.h"

#include "CommandIds.h"
#include "OutlineProgressDelegate.h"
#include "Prompts.h"
#include "ProjectFormat.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>

#include <vector>

using namespace penwick;

#ifndef PENWICK_DATADIR
#define PENWICK_DATADIR "/usr/local/share/penwick"
#endif

namespace {

QString TemplatePath()
{
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/default.xml");
    if (QFileInfo::exists(beside))
        return beside;
    // An installed program keeps its template under share/: the one beside its own bin/
    // first, so a package installed under another prefix than it was built for still finds it.
    for (const QString& shared : {QCoreApplication::applicationDirPath() + QStringLiteral("/../share/penwick/default.xml"),
                                  QStringLiteral(PENWICK_DATADIR "/default.xml")})
        if (QFileInfo::exists(shared))
            return QFileInfo(shared).canonicalFilePath();
    return beside;
}

}  // namespace

VellTreeView::VellTreeView(PaneHost* frame, QWidget* parent)
    : QTreeView(parent),
      m_strTemplatePath(TemplatePath()),
      m_strProjectTitle(QStringLiteral("無題")),
      m_pFrame(frame),
      m_session(frame->session()),
      m_pFileOps(&FileOps::system()),
      m_model(new OutlineModel(m_session, this)),
      m_history(new OutlineHistory(m_session, this))
{
    setModel(m_model);
    setHeaderHidden(true);
    setItemDelegate(m_progressDelegate = new OutlineProgressDelegate(this));
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Nodes are dragged within the outline: dropped above, below or onto another.
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setDropIndicatorShown(true);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &VellTreeView::OnSelChanged);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &VellTreeView::OnRowsInserted);
    connect(m_model, &OutlineModel::commandAboutToApply, this, &VellTreeView::OnOutlineAboutToChange);
    connect(m_model, &OutlineModel::commandApplied, this, &VellTreeView::OnOutlineChanged);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    // The width follows the titles on screen and a hundred rows around them: measuring
    // every row of a long outline after each move would cost milliseconds.
    header()->setResizeContentsPrecision(100);

    Guarded("Failed in Vell Tree View", [&] {
        // A template that cannot be read is not reported here: the document stays empty
        // and the first new project reports the missing document element.
        std::unique_ptr<DomDocument> doc;
        (void)ProjectSession::Load(QFile::encodeName(m_strTemplatePath).toStdString(), doc);
        m_session.install(std::move(doc), {});
    });
}

VellTreeView::~VellTreeView()
{
    // The frame may be half destroyed already: no selection change may reach it.
    m_bDeleting = true;
    disconnect(selectionModel(), nullptr, this, nullptr);
}

QString VellTreeView::ProjectPath() const { return QFile::decodeName(QByteArray::fromStdString(m_session.path())); }

void VellTreeView::SetProjectPath(const QString& path)
{
    m_session.setPath(QFile::encodeName(path).toStdString());
}

Prompts& VellTreeView::prompts() const { return m_pFrame->prompts(); }

void VellTreeView::ReportResult(HRESULT hr)
{
    ReportText(QString::fromStdString(ResultCodeText(hr)));
}

void VellTreeView::ReportText(const QString& text)
{
    prompts().message(text, PromptIcon::None, PromptButtons::Ok);
}

QString VellTreeView::ProjectFileFilter()
{
    return QStringLiteral("プロジェクトファイル (*.xml)|*.xml|その他(*.*)|*.*||");
}

TextPane* VellTreeView::GetEditView()
{
    if (!m_pEditView)
        m_pEditView = m_pFrame->textPane();
    return m_pEditView;
}

bool VellTreeView::InitDomDocument()
{
    Status loaded;
    const bool ran = Guarded("Failed in VellTreeView::InitDomDocument", [&] {
        loaded = m_session.document().load(m_session.path());
    });
    if (!ran)
        return false;
    if (!loaded) {
        // The DOM service names the file and the problem; a missing or broken file is
        // not a document to show or to save over later.
        ReportText(loaded.message.empty() ? QString::fromStdString(ResultCodeText(loaded.hr))
                                          : QString::fromStdString(loaded.message));
        return false;
    }
    return true;
}

bool VellTreeView::RefreshTree()
{
    const bool ok = Guarded("Failed in VellTreeView::RefreshTree", [&] {
        const DomNode root = Require(m_session.document().documentElement());
        DomAttributeMap map = Require(root.attributes());
        const DomAttribute first = Require(map.nextNode());
        m_strProjectTitle = QString::fromStdString(first.value());
    });
    if (!ok)
        return false;
    // A comment or processing instruction has no label to show: each is reported, as a
    // node the tree could not read, and the rest is shown.
    for (int others = m_model->fill(); others > 0; --others)
        ReportResult(E_POINTER);
    expandAll();
    m_hSelectedItem = QPersistentModelIndex();
    return true;
}

void VellTreeView::DeleteTreeItem(const QModelIndex& item)
{
    Guarded("Failed in VellTreeView::DeleteTreeItem", [&] {
        if (item.isValid())
            m_model->removeItem(item);
        else
            m_model->clear();
    });
    m_session.setModified(true);
    m_hSelectedItem = QPersistentModelIndex();
}

// ---- following the session ----------------------------------------------------------------

void VellTreeView::OnRowsInserted(const QModelIndex& parent, int first, int last)
{
    for (int row = first; row <= last; ++row)
        expandRecursively(m_model->index(row, 0, parent));
}

void VellTreeView::OnOutlineAboutToChange()
{
    m_editedNode = NodeOf(m_hSelectedItem);
    m_bWasDeleting = m_bDeleting;
    // Rows leaving move the selection; the editor's node is not left by that.
    m_bDeleting = true;
}

void VellTreeView::OnOutlineChanged()
{
    if (m_editedNode && !m_hSelectedItem.isValid()) {
        // A move took the item away and brought it back elsewhere.
        m_hSelectedItem = ItemOf(m_editedNode);
    }
    if (m_hSelectedItem.isValid() && !selectionModel()->isSelected(m_hSelectedItem))
        selectionModel()->setCurrentIndex(m_hSelectedItem, QItemSelectionModel::ClearAndSelect);
    m_editedNode = {};
    m_bDeleting = m_bWasDeleting;
}

// ---- command routing ----------------------------------------------------------------

struct VellTreeView::CommandEntry {
    int id;
    void (VellTreeView::*run)();   // null: the command is not part of this build yet
    bool (*enabled)(const VellTreeView&);
};

namespace {
bool NeedsCurrentItem(const VellTreeView& v) { return v.m_hSelectedItem.isValid(); }
bool NeedsProjectPath(const VellTreeView& v)
{
    CommandUi ui;
    v.OnUpdateProjectExport(ui);
    return ui.enabled;
}
bool NeedsClipNode(const VellTreeView& v) { return v.OnUpdateTreePaste(); }
bool CanUndo(const VellTreeView& v) { return v.history()->canUndo(); }
bool CanRedo(const VellTreeView& v) { return v.history()->canRedo(); }
}  // namespace

const VellTreeView::CommandEntry* VellTreeView::FindCommand(int id)
{
    static const CommandEntry entries[] = {
        {ID_PROJECT_OPEN, &VellTreeView::OnProjectOpen, nullptr},
        {ID_EDIT_UNDO, &VellTreeView::OnOutlineUndo, CanUndo},
        {ID_EDIT_REDO, &VellTreeView::OnOutlineRedo, CanRedo},
        {ID_TREE_ADDCHILD, &VellTreeView::MakeNewChild, nullptr},
        {ID_TREE_COPY, &VellTreeView::OnTreeCopy, NeedsCurrentItem},
        {ID_TREE_PASTE, &VellTreeView::OnTreePaste, NeedsClipNode},
        {ID_TREE_PASTEBEFORE, &VellTreeView::OnTreePastebefore, NeedsClipNode},
        {ID_TREE_CUT, &VellTreeView::OnTreeCut, NeedsCurrentItem},
        {ID_TREE_PROPERTY, &VellTreeView::OnTreeProperty, NeedsCurrentItem},
        {ID_TREE_INSERTBEFORE, &VellTreeView::OnTreeInsertbefore, NeedsCurrentItem},
        {ID_TREE_INSERTAFTER, &VellTreeView::OnTreeInsertAfter, NeedsCurrentItem},
        {ID_TREE_DELETE, &VellTreeView::OnTreeDelete, NeedsCurrentItem},
        {ID_PROJECT_SAVE, &VellTreeView::OnProjectSave, nullptr},
        {ID_PROJECT_SAVEAS, &VellTreeView::OnProjectSaveAs, nullptr},
        {ID_PROJECT_NEW, &VellTreeView::MakeNewProject, nullptr},
        {ID_PROJECT_TITLE, &VellTreeView::ChangeProjectTitle, nullptr},
        {ID_COUNTER, &VellTreeView::OnCounter, NeedsProjectPath},
        {ID_PROJECT_EXPORT, &VellTreeView::OnProjectExport, NeedsProjectPath},
    };
    for (const CommandEntry& e : entries)
        if (e.id == id)
            return &e;
    return nullptr;
}

bool VellTreeView::HandlesCommand(int id) const { return FindCommand(id) != nullptr; }

void VellTreeView::UpdateCommand(int id, CommandUi& ui)
{
    const CommandEntry* e = FindCommand(id);
    if (!e || !e->run) {
        ui.enabled = false;
        return;
    }
    if (e->enabled && !e->enabled(*this))
        ui.enabled = false;
}

void VellTreeView::RunCommand(int id)
{
    if (const CommandEntry* e = FindCommand(id); e && e->run)
        (this->*(e->run))();
}

void VellTreeView::setProgress(std::function<std::optional<double>(const QModelIndex&)> progress)
{
    m_progressDelegate->setProgress(std::move(progress));
    viewport()->update();
}
