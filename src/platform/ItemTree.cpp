#include "platform/ItemTree.h"

TTreeItem::~TTreeItem()
{
    if (FOwned && FDeleter) FDeleter(FOwned);
}

TItemTree::~TItemTree()
{
    // No callbacks while the tree itself goes: the window that listens may
    // already be half destroyed.
    OnSelect = nullptr;
    OnDeletion = nullptr;
    FSelected = nullptr;
    while (FFirst) {
        TTreeItem* item = FFirst;
        Unlink(item);
        Destroy(item);
    }
}

TTreeItem* TItemTree::AddTopLevel(const std::string& caption, TChampNode* object)
{
    return Insert(nullptr, caption, object, nullptr, nullptr);
}

TTreeItem* TItemTree::AddChild(TTreeItem* parent, const std::string& caption, TChampNode* object)
{
    return Insert(parent, caption, object, nullptr, nullptr);
}

TTreeItem* TItemTree::Insert(TTreeItem* parent, const std::string& caption, TChampNode* object, void* owned,
                             void (*deleter)(void*))
{
    if (parent && parent->FTree != this) return nullptr;
    auto* item = new TTreeItem;
    item->FTree = this;
    item->FParent = parent;
    item->FCaption = caption;
    item->FObject = object;
    item->FOwned = owned;
    item->FDeleter = deleter;
    TTreeItem*& first = parent ? parent->FFirstChild : FFirst;
    TTreeItem*& last = parent ? parent->FLastChild : FLast;
    item->FPrev = last;
    if (last)
        last->FNext = item;
    else
        first = item;
    last = item;
    ++FCount;
    FNotifier.Changed(tcStructure);
    return item;
}

void TItemTree::Unlink(TTreeItem* item)
{
    TTreeItem*& first = item->FParent ? item->FParent->FFirstChild : FFirst;
    TTreeItem*& last = item->FParent ? item->FParent->FLastChild : FLast;
    if (item->FPrev)
        item->FPrev->FNext = item->FNext;
    else
        first = item->FNext;
    if (item->FNext)
        item->FNext->FPrev = item->FPrev;
    else
        last = item->FPrev;
    item->FPrev = item->FNext = nullptr;
}

void TItemTree::Destroy(TTreeItem* item)
{
    while (TTreeItem* child = item->FFirstChild) {
        item->FFirstChild = child->FNext;
        Destroy(child);
    }
    if (item == FSelected) {
        FSelected = nullptr;
        FNotifier.Changed(tcSelection);
    }
    if (OnDeletion) OnDeletion(item);
    --FCount;
    delete item;
}

bool TItemTree::Contains(const TTreeItem* item) const
{
    return item && item->FTree == this;
}

void TItemTree::Delete(TTreeItem* item)
{
    if (!Contains(item)) return;
    Unlink(item);
    Destroy(item);
    FNotifier.Changed(tcStructure);
}

void TItemTree::Clear()
{
    if (!FFirst) return;
    while (FFirst) {
        TTreeItem* item = FFirst;
        Unlink(item);
        Destroy(item);
    }
    FNotifier.Changed(tcStructure);
}

void TItemTree::SetCaption(TTreeItem* item, const std::string& caption)
{
    if (!Contains(item) || item->FCaption == caption) return;
    item->FCaption = caption;
    FNotifier.Changed(tcCaption);
}

void TItemTree::Select(TTreeItem* item)
{
    if (item && !Contains(item)) return;
    if (item == FSelected) return;
    FSelected = item;
    FNotifier.Changed(tcSelection);
    if (item && OnSelect) OnSelect(item);
}

void TItemTree::Expand(TTreeItem* item)
{
    if (!Contains(item) || item->FExpanded) return;
    item->FExpanded = true;
    FNotifier.Changed(tcExpanded);
}

TTreeItem* TItemTree::ItemAt(int index) const
{
    if (index < 0) return nullptr;
    TTreeItem* item = FFirst;
    while (item && index > 0) {
        // Next in display order: first child, else next sibling of the
        // nearest item that has one.
        if (item->FFirstChild) {
            item = item->FFirstChild;
        } else {
            while (item && !item->FNext) item = item->FParent;
            if (item) item = item->FNext;
        }
        --index;
    }
    return item;
}
