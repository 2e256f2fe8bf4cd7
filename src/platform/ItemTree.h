#pragma once
// A tree of captioned items without a window, standing in for the tree view
// of the main window: the championship builds its subtree here and the Qt
// tree of the user interface mirrors it.
//
// Each item shows one object (a node of the championship tree or a folder
// node). An item can also own the object it shows: folder nodes made for one
// item are handed over with a std::unique_ptr and freed with the item, so
// rebuilding the tree never leaks them and nobody frees them twice.
//
// Selecting an item calls OnSelect at once, before Select returns: the main
// window fills its table from there, and the code that selects relies on the
// table being filled afterwards.

#include <functional>
#include <memory>
#include <string>

#include "platform/Changes.h"

class TChampNode;
class TItemTree;

class TTreeItem {
public:
    TTreeItem(const TTreeItem&) = delete;
    TTreeItem& operator=(const TTreeItem&) = delete;

    const std::string& Caption() const { return FCaption; }
    TChampNode* Object() const { return FObject; }
    // The item frees its object when it is deleted.
    bool OwnsObject() const { return FOwned != nullptr; }

    TItemTree* Tree() const { return FTree; }
    TTreeItem* Parent() const { return FParent; }
    TTreeItem* FirstChild() const { return FFirstChild; }
    TTreeItem* NextSibling() const { return FNext; }
    bool HasChildren() const { return FFirstChild != nullptr; }
    bool Expanded() const { return FExpanded; }

private:
    friend class TItemTree;
    TTreeItem() = default;
    ~TTreeItem();

    TItemTree* FTree = nullptr;
    TTreeItem* FParent = nullptr;
    TTreeItem* FFirstChild = nullptr;
    TTreeItem* FLastChild = nullptr;
    TTreeItem* FPrev = nullptr;
    TTreeItem* FNext = nullptr;
    std::string FCaption;
    TChampNode* FObject = nullptr;
    void* FOwned = nullptr;
    void (*FDeleter)(void*) = nullptr;
    bool FExpanded = false;
};

// What changed, as sent to the listeners.
enum TTreeChange : unsigned {
    tcStructure = 1u << 0, // items added or deleted
    tcCaption = 1u << 1,
    tcExpanded = 1u << 2,
    tcSelection = 1u << 3,
};

class TItemTree {
public:
    TItemTree() = default;
    ~TItemTree();
    TItemTree(const TItemTree&) = delete;
    TItemTree& operator=(const TItemTree&) = delete;

    // Items are appended after the last sibling. A null parent adds a
    // top-level item; a parent of another tree adds nothing (null, and an
    // object to be owned stays with the caller).
    TTreeItem* AddTopLevel(const std::string& caption, TChampNode* object);
    TTreeItem* AddChild(TTreeItem* parent, const std::string& caption, TChampNode* object);
    // The same, the item taking ownership of the object.
    template <class T>
    TTreeItem* AddTopLevel(const std::string& caption, std::unique_ptr<T>&& object)
    {
        return AddChild(nullptr, caption, std::move(object));
    }
    template <class T>
    TTreeItem* AddChild(TTreeItem* parent, const std::string& caption, std::unique_ptr<T>&& object)
    {
        T* raw = object.get();
        TTreeItem* item = Insert(parent, caption, raw, raw, [](void* p) { delete static_cast<T*>(p); });
        if (item) object.release();
        return item;
    }

    TTreeItem* FirstTopLevel() const { return FFirst; }

    // Deletes the item with all items below it and the objects they own.
    // OnDeletion is called for each, children before their parent. A null
    // item or one of another tree is ignored.
    void Delete(TTreeItem* item);
    void Clear();

    void SetCaption(TTreeItem* item, const std::string& caption);

    // Makes the item the selected one and calls OnSelect with it, unless it
    // already is selected. A null item clears the selection without a call.
    void Select(TTreeItem* item);
    TTreeItem* Selected() const { return FSelected; }

    // Shows the item's children (not theirs).
    void Expand(TTreeItem* item);

    // All items in display order (depth first, parents before children).
    int Count() const { return FCount; }
    TTreeItem* ItemAt(int index) const;

    // Redraw lock, counted; see TChangeNotifier.
    void BeginUpdate() { FNotifier.BeginUpdate(); }
    void EndUpdate() { FNotifier.EndUpdate(); }
    bool Updating() const { return FNotifier.Updating(); }
    int Subscribe(TChangeNotifier::TListener listener) { return FNotifier.Subscribe(std::move(listener)); }
    void Unsubscribe(int token) { FNotifier.Unsubscribe(token); }

    std::function<void(TTreeItem*)> OnSelect;
    std::function<void(TTreeItem*)> OnDeletion;

private:
    TTreeItem* Insert(TTreeItem* parent, const std::string& caption, TChampNode* object, void* owned,
                      void (*deleter)(void*));
    void Unlink(TTreeItem* item);
    void Destroy(TTreeItem* item);
    bool Contains(const TTreeItem* item) const;

    TTreeItem* FFirst = nullptr;
    TTreeItem* FLast = nullptr;
    TTreeItem* FSelected = nullptr;
    int FCount = 0;
    TChangeNotifier FNotifier;
};

using TTreeUpdateLock = TUpdateLock<TItemTree>;
