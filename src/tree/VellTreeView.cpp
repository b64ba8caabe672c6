#include "VellTreeView.h"

#include "CMainFrame.h"
#include "CVellEditView.h"
#include "CommandIds.h"
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

// Items carry the element they show, and keep the view's index from nodes to items true
// however they are deleted.
class NodeItem : public QTreeWidgetItem {
public:
    static constexpr int Type = QTreeWidgetItem::UserType + 1;
    NodeItem(DomNode node, QHash<const void*, QTreeWidgetItem*>* index)
        : QTreeWidgetItem(Type), m_node(node), m_index(index)
    {
        m_index->insert(node.internal(), this);
    }
    ~NodeItem() override
    {
        const auto it = m_index->constFind(m_node.internal());
        if (it != m_index->cend() && it.value() == this)
            m_index->erase(it);
    }
    DomNode m_node;
    QHash<const void*, QTreeWidgetItem*>* m_index;
};

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

VellTreeView::VellTreeView(CMainFrame* frame, QWidget* parent)
    : QTreeWidget(parent),
      m_strTemplatePath(TemplatePath()),
      m_strProjectTitle(QStringLiteral("無題")),
      m_pFrame(frame),
      m_session(frame->session()),
      m_pFileOps(&FileOps::system())
{
    m_session.addObserver(this);
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformRowHeights(true);
    connect(this, &QTreeWidget::itemSelectionChanged, this, &VellTreeView::OnSelChanged);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);

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
    // Items go before the document they point into. The frame may be half destroyed
    // already, so no flags are touched here.
    m_bDeleting = true;
    m_session.removeObserver(this);
    DestroyItems(invisibleRootItem()->takeChildren());
}

QString VellTreeView::ProjectPath() const { return QFile::decodeName(QByteArray::fromStdString(m_session.path())); }

void VellTreeView::SetProjectPath(const QString& path)
{
    m_session.setPath(QFile::encodeName(path).toStdString());
}

void VellTreeView::DestroyItems(const QList<QTreeWidgetItem*>& roots)
{
    for (QTreeWidgetItem* root : roots) {
        if (!root)
            continue;
        // Children first, level by level from the deepest: no nesting costs a stack frame.
        std::vector<QTreeWidgetItem*> order{root};
        for (size_t i = 0; i < order.size(); ++i)
            for (int c = 0; c < order[i]->childCount(); ++c)
                order.push_back(order[i]->child(c));
        for (auto it = order.rbegin(); it != order.rend(); ++it)
            delete *it;
    }
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

DomNode VellTreeView::NodeOf(const QTreeWidgetItem* item)
{
    if (!item || item->type() != NodeItem::Type)
        return {};
    return static_cast<const NodeItem*>(item)->m_node;
}

QTreeWidgetItem* VellTreeView::InsertFirst()
{
    static QTreeWidgetItem marker;
    return &marker;
}

CVellEditView* VellTreeView::GetEditView()
{
    if (!m_pEditView)
        m_pEditView = m_pFrame->GetEditView();
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
    DomNode root;
    const bool ok = Guarded("Failed in VellTreeView::RefreshTree", [&] {
        root = Require(m_session.document().documentElement());
        DomAttributeMap map = Require(root.attributes());
        const DomAttribute first = Require(map.nextNode());
        m_strProjectTitle = QString::fromStdString(first.value());
    });
    if (!ok)
        return false;
    setUpdatesEnabled(false);
    for (DomNode child = root.firstChild(); child; child = child.nextSibling()) {
        if (!FillXMLTree(child, nullptr, nullptr)) {
            setUpdatesEnabled(true);
            return false;
        }
    }
    setUpdatesEnabled(true);
    m_hSelectedItem = nullptr;
    return true;
}

bool VellTreeView::FillXMLTree(DomNode node, QTreeWidgetItem* parent, QTreeWidgetItem* insertAfter)
{
    if (!node)
        return false;
    return Guarded("Failed in VellTreeView::FillXMLTree", [&] {
        // One frame per open element: the next child to add and the item it goes under.
        // A node that got no item passes the top level on to its children.
        struct Level {
            DomNode next;
            QTreeWidgetItem* parent;
        };
        std::vector<Level> levels;
        QTreeWidgetItem* item = AddNodeToTree(node, parent, insertAfter);
        levels.push_back({node.firstChild(), item});
        while (!levels.empty()) {
            Level& level = levels.back();
            if (!level.next) {
                levels.pop_back();
                continue;
            }
            const DomNode child = level.next;
            level.next = child.nextSibling();
            QTreeWidgetItem* childItem = AddNodeToTree(child, level.parent, nullptr);
            levels.push_back({child.firstChild(), childItem});
        }
    });
}

QTreeWidgetItem* VellTreeView::AddNodeToTree(DomNode node, QTreeWidgetItem* parent,
                                             QTreeWidgetItem* insertAfter)
{
    if (!node)
        return nullptr;
    QTreeWidgetItem* added = nullptr;
    Guarded("Failed in VellTreeView::AddNodeToTree", [&] {
        const DomNodeType type = node.nodeType();
        // Character data is a node's text, not an outline entry.
        if (type == DomNodeType::Text || type == DomNodeType::CData)
            return;
        DomAttributeMap map = Require(node.attributes());
        if (!map.nextNode())
            return;
        DomAttributeMap labels = Require(node.attributes());
        const DomAttribute first = Require(labels.nextNode());

        auto* item = new NodeItem(node, &m_items);
        item->setText(0, QString::fromStdString(first.value()));
        const int count = parent ? parent->childCount() : topLevelItemCount();
        int index = count;
        if (insertAfter == InsertFirst())
            index = 0;
        else if (insertAfter) {
            const int at = parent ? parent->indexOfChild(insertAfter) : indexOfTopLevelItem(insertAfter);
            if (at >= 0)
                index = at + 1;
        }
        if (parent)
            parent->insertChild(index, item);
        else
            insertTopLevelItem(index, item);
        item->setExpanded(true);
        m_session.setModified(true);
        added = item;
    });
    return added;
}

void VellTreeView::DeleteTreeItem(QTreeWidgetItem* item)
{
    Guarded("Failed in VellTreeView::DeleteTreeItem", [&] {
        // Take the subtree out of the view in one step, so the view hears of one removal,
        // then dismantle it.
        QList<QTreeWidgetItem*> roots;
        if (!item)
            roots = invisibleRootItem()->takeChildren();
        else if (QTreeWidgetItem* parent = item->parent())
            roots << parent->takeChild(parent->indexOfChild(item));
        else
            roots << takeTopLevelItem(indexOfTopLevelItem(item));
        DestroyItems(roots);
    });
    m_session.setModified(true);
    m_hSelectedItem = nullptr;
}

// ---- following the session ----------------------------------------------------------------

void VellTreeView::RemoveItemsOf(DomNode node)
{
    // Items below a node without attributes stand one level up, so every node of the
    // subtree is looked up, not only the items below node's own.
    std::vector<DomNode> todo{node};
    while (!todo.empty()) {
        const DomNode n = todo.back();
        todo.pop_back();
        if (QTreeWidgetItem* item = ItemOf(n)) {
            QTreeWidgetItem* selected = m_hSelectedItem;
            for (QTreeWidgetItem* i = selected; i; i = i->parent())
                if (i == item)
                    selected = nullptr;
            DeleteTreeItem(item);
            m_hSelectedItem = selected;   // the editor's node, unless it went with the subtree
        }
        for (DomNode c = n.firstChild(); c; c = c.nextSibling())
            if (c.nodeType() == DomNodeType::Element)
                todo.push_back(c);
    }
}

void VellTreeView::AddItemsOf(DomNode node)
{
    QTreeWidgetItem* parentItem = nullptr;
    for (DomNode p = node.parentNode(); p && !parentItem; p = p.parentNode())
        parentItem = ItemOf(p);
    // After the nearest sibling before it that has an item among the same items, else in
    // front of the nearest one after it, else last.
    QTreeWidgetItem* after = nullptr;
    for (DomNode s = node.previousSibling(); s && !after; s = s.previousSibling())
        if (QTreeWidgetItem* i = ItemOf(s); i && i->parent() == parentItem)
            after = i;
    if (!after) {
        for (DomNode s = node.nextSibling(); s; s = s.nextSibling())
            if (QTreeWidgetItem* i = ItemOf(s); i && i->parent() == parentItem) {
                const int at = parentItem ? parentItem->indexOfChild(i) : indexOfTopLevelItem(i);
                after = at <= 0 ? InsertFirst() : parentItem ? parentItem->child(at - 1) : topLevelItem(at - 1);
                break;
            }
    }
    FillXMLTree(node, parentItem, after);
}

void VellTreeView::outlineAboutToChange(const OutlineEvent& event)
{
    if (event.kind == OutlineCommand::Kind::Remove || event.kind == OutlineCommand::Kind::Move)
        RemoveItemsOf(event.node);
}

void VellTreeView::outlineChanged(const OutlineEvent& event)
{
    switch (event.kind) {
    case OutlineCommand::Kind::Insert:
    case OutlineCommand::Kind::Move:
        if (event.node)
            AddItemsOf(event.node);
        break;
    case OutlineCommand::Kind::SetAttributes:
        // The label follows what the document holds, also after a partial rewrite.
        if (QTreeWidgetItem* item = ItemOf(event.node))
            item->setText(0, QString::fromStdString(format::NodeTitle(event.node)));
        break;
    case OutlineCommand::Kind::Remove:
        break;
    }
}

// ---- command routing ----------------------------------------------------------------

struct VellTreeView::CommandEntry {
    int id;
    void (VellTreeView::*run)();   // null: the command is not part of this build yet
    bool (*enabled)(const VellTreeView&);
};

namespace {
bool NeedsCurrentItem(const VellTreeView& v) { return v.m_hSelectedItem != nullptr; }
bool NeedsProjectPath(const VellTreeView& v)
{
    CommandUi ui;
    v.OnUpdateProjectExport(ui);
    return ui.enabled;
}
bool NeedsClipNode(const VellTreeView& v) { return v.OnUpdateTreePaste(); }
}  // namespace

const VellTreeView::CommandEntry* VellTreeView::FindCommand(int id)
{
    static const CommandEntry entries[] = {
        {ID_PROJECT_OPEN, &VellTreeView::OnProjectOpen, nullptr},
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
