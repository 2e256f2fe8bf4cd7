#include "ui/TreeView.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMouseEvent>

#include "platform/ItemTree.h"
#include "ui/Guard.h"
#include "ui/QtText.h"

namespace {

constexpr int CoreRole = Qt::UserRole + 1;

} // namespace

TTreeView::TTreeView(TItemTree* tree, QWidget* parent) : QTreeWidget(parent), FTree(tree)
{
    setObjectName(QStringLiteral("TreeChamp"));
    setHeaderHidden(true);
    setColumnCount(1);
    // No lines or buttons at the championships themselves.
    setRootIsDecorated(false);
    // Whole labels: the column is as wide as the widest one shown, and the
    // tree scrolls sideways when that is wider than the tree.
    setTextElideMode(Qt::ElideNone);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::Fixed);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setMouseTracking(true);
    setExpandsOnDoubleClick(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);

    FTree->OnDeletion = [this](TTreeItem* item) { ItemDeleted(item); };
    FToken = FTree->Subscribe([this](unsigned changes) noexcept {
        try {
            Follow(changes);
        } catch (...) {
        }
    });
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { UserSelected(current); });
    Follow(tcStructure | tcCaption | tcExpanded | tcSelection);
}

TTreeView::~TTreeView()
{
    FTree->Unsubscribe(FToken);
    FTree->OnDeletion = nullptr;
}

QTreeWidgetItem* TTreeView::ViewItem(const TTreeItem* item) const
{
    auto it = FItems.find(item);
    return it == FItems.end() ? nullptr : it->second;
}

TTreeItem* TTreeView::CoreItem(const QTreeWidgetItem* item) const
{
    if (!item) return nullptr;
    return reinterpret_cast<TTreeItem*>(item->data(0, CoreRole).value<quintptr>());
}

void TTreeView::ItemDeleted(TTreeItem* item)
{
    // Children go before their parent, so the view item has none left.
    auto it = FItems.find(item);
    if (it == FItems.end()) return;
    QTreeWidgetItem* viewItem = it->second;
    FItems.erase(it);
    FSyncing = true;
    Forget(viewItem);
    delete viewItem;
    FSyncing = false;
}

void TTreeView::Forget(QTreeWidgetItem* item)
{
    for (int i = 0; i < item->childCount(); ++i) Forget(item->child(i));
    auto it = FItems.find(CoreItem(item));
    if (it != FItems.end() && it->second == item) FItems.erase(it);
}

void TTreeView::SyncChildren(TTreeItem* parent, QTreeWidgetItem* viewParent)
{
    int index = 0;
    for (TTreeItem* child = parent ? parent->FirstChild() : FTree->FirstTopLevel(); child;
         child = child->NextSibling(), ++index) {
        QTreeWidgetItem* viewItem = ViewItem(child);
        QTreeWidgetItem* at = viewParent ? viewParent->child(index) : topLevelItem(index);
        if (!viewItem) {
            viewItem = new QTreeWidgetItem;
            viewItem->setData(0, CoreRole, QVariant::fromValue(reinterpret_cast<quintptr>(child)));
            viewItem->setText(0, ToQt(child->Caption()));
            FItems[child] = viewItem;
            if (viewParent)
                viewParent->insertChild(index, viewItem);
            else
                insertTopLevelItem(index, viewItem);
        } else if (at != viewItem) {
            // Moved: take it out where it is and put it here, its own
            // children and expansion with it.
            const bool expanded = viewItem->isExpanded();
            if (QTreeWidgetItem* oldParent = viewItem->parent())
                oldParent->removeChild(viewItem);
            else
                takeTopLevelItem(indexOfTopLevelItem(viewItem));
            if (viewParent)
                viewParent->insertChild(index, viewItem);
            else
                insertTopLevelItem(index, viewItem);
            viewItem->setExpanded(expanded);
        }
        SyncChildren(child, viewItem);
    }
    // What is left after the last core child shows nothing any more.
    while (true) {
        const int count = viewParent ? viewParent->childCount() : topLevelItemCount();
        if (count <= index) break;
        QTreeWidgetItem* extra = viewParent ? viewParent->takeChild(count - 1) : takeTopLevelItem(count - 1);
        Forget(extra);
        delete extra;
    }
}

void TTreeView::Follow(unsigned changes)
{
    FSyncing = true;
    if (changes & tcStructure) SyncChildren(nullptr, nullptr);
    if (changes & (tcCaption | tcStructure)) {
        setUpdatesEnabled(false);
        for (auto& [core, viewItem] : FItems) {
            const QString caption = ToQt(core->Caption());
            if (viewItem->text(0) != caption) viewItem->setText(0, caption);
        }
        setUpdatesEnabled(true);
    }
    if (changes & (tcExpanded | tcStructure)) {
        for (auto& [core, viewItem] : FItems)
            if (core->Expanded() && !viewItem->isExpanded()) viewItem->setExpanded(true);
    }
    if (changes & (tcSelection | tcStructure)) {
        const QSignalBlocker block(this);
        QTreeWidgetItem* selected = ViewItem(FTree->Selected());
        setCurrentItem(selected);
        if (selected) scrollToItem(selected);
    }
    if (changes & (tcStructure | tcCaption | tcExpanded)) FitColumn();
    FSyncing = false;
}

void TTreeView::FitColumn()
{
    if (FFitting) return;
    FFitting = true;
    // At least the tree's width, so a selected row is marked across it.
    const int width = std::max(viewport()->width(), sizeHintForColumn(0));
    if (columnWidth(0) != width) setColumnWidth(0, width);
    FFitting = false;
}

void TTreeView::updateGeometries()
{
    // Items shown or hidden, the tree resized: the widest label may be
    // another one.
    QTreeWidget::updateGeometries();
    FitColumn();
}

void TTreeView::UserSelected(QTreeWidgetItem* current)
{
    if (FSyncing) return;
    TTreeItem* item = CoreItem(current);
    if (!item) return;
    Guarded([&] { FTree->Select(item); });
}

void TTreeView::contextMenuEvent(QContextMenuEvent* event)
{
    QTreeWidgetItem* viewItem = itemAt(event->pos());
    event->accept();
    if (!viewItem) return;
    TTreeItem* item = CoreItem(viewItem);
    Guarded([&] {
        setCurrentItem(viewItem); // selects through the core tree
        if (OnContextMenu) OnContextMenu(item, event->globalPos());
    });
}

void TTreeView::mousePressEvent(QMouseEvent* event)
{
    // Only the left button opens and closes a branch: a right click on a
    // node's button selects the node for its menu and leaves it as it is.
    if (event->button() != Qt::LeftButton) {
        QAbstractItemView::mousePressEvent(event);
        return;
    }
    QTreeWidget::mousePressEvent(event);
}

void TTreeView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractItemView::mouseReleaseEvent(event);
        return;
    }
    QTreeWidget::mouseReleaseEvent(event);
}

void TTreeView::mouseMoveEvent(QMouseEvent* event)
{
    QTreeWidget::mouseMoveEvent(event);
    if (OnMouseMove) Guarded([&] { OnMouseMove(); });
}
