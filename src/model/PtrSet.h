#pragma once
// Ordered sets of object pointers, ordered by the objects: PtrSet<T*> refers
// to its elements, PtrSetOwner<T*> owns them and deletes them when it goes.
// Both carry one cursor for first/next walks, so an owner can offer walks
// without handing out iterators. Walks over one set must not be nested, and
// a key change during a walk may make the walk skip or repeat the node.
//
// Nodes of the championship tree (classes derived from TChampNode) are
// ordered by their key text, and the set and the node know each other: the
// node's key changes re-seat it in every set that holds it or are refused
// (see model/Champobjects.h), and whichever of node and set goes first
// leaves the other clean. Other element types (map references) are ordered
// by their own operator< and must not change their order while held.
//
// insert reports whether the set holds the object afterwards; an object that
// a set refused (another element has an equal key) stays with the caller,
// who deletes it when it was made for the set.

#include <algorithm>
#include <cstddef>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "model/Champobjects.h"

template <class P>
struct lessptr;

template <class T>
struct lessptr<T*> {
    using is_transparent = void;
    static constexpr bool IsNode = std::is_base_of_v<TChampNode, T>;

    bool operator()(const T* a, const T* b) const { return *a < *b; }
    // Lookups by key text, for nodes.
    bool operator()(const T* a, const std::string& key) const
        requires IsNode
    {
        return CompareKeys(a->KeyValue(), key) < 0;
    }
    bool operator()(const std::string& key, const T* b) const
        requires IsNode
    {
        return CompareKeys(key, b->KeyValue()) < 0;
    }
};

template <class P>
class PtrSet;

template <class T>
class PtrSet<T*> : private TNodeHolder {
    using TSet = std::set<T*, lessptr<T*>>;
    static constexpr bool IsNode = lessptr<T*>::IsNode;

public:
    using iterator = typename TSet::const_iterator;
    using const_iterator = iterator;

    PtrSet() = default;
    PtrSet(const PtrSet&) = delete;
    PtrSet& operator=(const PtrSet&) = delete;
    // The elements move with their cursor; the moved-from set is empty.
    PtrSet(PtrSet&& other) noexcept { TakeFrom(other); }
    PtrSet& operator=(PtrSet&& other) noexcept
    {
        if (this != &other) {
            ReleaseAll();
            TakeFrom(other);
        }
        return *this;
    }
    // Virtual, so that an owning set is freed as one also through a
    // pointer to its plain part.
    virtual ~PtrSet() { ReleaseAll(); }

    // False when the object is null or another element has an equal key;
    // true when the set holds the object (also when it already did).
    bool insert(T* object)
    {
        if (!object) return false;
        auto [it, inserted] = FSet.insert(object);
        if (!inserted) return *it == object;
        if constexpr (IsNode) static_cast<TChampNode*>(object)->AttachHolder(this, Cookie(object));
        return true;
    }

    // Removes the element whose key equals the probe's and returns it (the
    // caller of an owning set now owns it); null when there is none.
    T* erase(const T* probe)
    {
        if (!probe) return nullptr;
        auto it = FSet.find(probe);
        if (it == FSet.end()) return nullptr;
        T* element = *it;
        Remove(it);
        if constexpr (IsNode) static_cast<TChampNode*>(element)->DetachHolder(this);
        return element;
    }

    // The element whose key equals the probe's.
    iterator find(const T* probe) const { return probe ? FSet.find(probe) : FSet.end(); }
    std::size_t count(const T* probe) const { return find(probe) == end() ? 0 : 1; }
    // The element with this key text, or null.
    T* FindKey(const std::string& key) const
        requires IsNode
    {
        auto it = FSet.find(key);
        return it == FSet.end() ? nullptr : *it;
    }
    // This very object is an element (not just one with an equal key).
    bool contains(const T* object) const
    {
        auto it = find(object);
        return it != end() && *it == object;
    }

    iterator begin() const { return FSet.begin(); }
    iterator end() const { return FSet.end(); }
    std::size_t size() const { return FSet.size(); }
    bool empty() const { return FSet.empty(); }

    // Removes every element without deleting any.
    void clear() { ReleaseAll(); }

    // Cursor: reset puts it on the first element; next returns the element
    // at the cursor and advances, null at the end; first does both.
    void reset() { FCursor = FSet.begin(); }
    T* next()
    {
        if (FCursor == FSet.end()) return nullptr;
        return *FCursor++;
    }
    T* first()
    {
        reset();
        return next();
    }

protected:
    // Removes every element and returns them in key order.
    std::vector<T*> ReleaseAll() noexcept
    {
        std::vector<T*> elements(FSet.begin(), FSet.end());
        if constexpr (IsNode) {
            for (T* element : elements) static_cast<TChampNode*>(element)->DetachHolder(this);
        }
        FSet.clear();
        FCursor = FSet.end();
        return elements;
    }

private:
    static void* Cookie(T* object) { return static_cast<void*>(object); }

    void Remove(typename TSet::iterator it) noexcept
    {
        if (FCursor == it) ++FCursor;
        FSet.erase(it);
    }

    void TakeFrom(PtrSet& other) noexcept
    {
        const bool atEnd = other.FCursor == other.FSet.end();
        auto cursor = other.FCursor;
        FSet.swap(other.FSet); // keeps iterators valid, cursor included
        other.FCursor = other.FSet.end();
        FCursor = atEnd ? FSet.end() : cursor;
        if constexpr (IsNode) {
            for (T* element : FSet) static_cast<TChampNode*>(element)->ReplaceHolder(&other, this);
        }
    }

    // TNodeHolder, for nodes only.
    const TChampNode* FindOtherWithKey(const void* object, const std::string& key) const override
    {
        if constexpr (IsNode) {
            auto it = FSet.find(key);
            if (it != FSet.end() && Cookie(*it) != object) return *it;
        }
        return nullptr;
    }

    void Unseat(void* object) override
    {
        if constexpr (IsNode) {
            T* element = static_cast<T*>(object);
            auto it = FSet.find(element);
            if (it == FSet.end() || *it != element) it = std::find(FSet.begin(), FSet.end(), element);
            if (it != FSet.end()) Remove(it);
        }
    }

    void Reseat(void* object) override
    {
        if constexpr (IsNode) {
            T* element = static_cast<T*>(object);
            if (!FSet.insert(element).second) static_cast<TChampNode*>(element)->DetachHolder(this);
        }
    }

    void Forget(const void* object) noexcept override
    {
        // The node is in its destructor: find it by address only.
        for (auto it = FSet.begin(); it != FSet.end(); ++it) {
            if (Cookie(*it) == object) {
                Remove(it);
                return;
            }
        }
    }

    TSet FSet;
    typename TSet::iterator FCursor = FSet.end();
};

// Deletes its elements, in key order, when it is destroyed or cleared.
template <class P>
class PtrSetOwner;

template <class T>
class PtrSetOwner<T*> : public PtrSet<T*> {
public:
    PtrSetOwner() = default;
    PtrSetOwner(const PtrSetOwner&) = delete;
    PtrSetOwner& operator=(const PtrSetOwner&) = delete;
    PtrSetOwner(PtrSetOwner&& other) noexcept : PtrSet<T*>(std::move(other)) {}
    PtrSetOwner& operator=(PtrSetOwner&& other) noexcept
    {
        if (this != &other) {
            DeleteAll();
            PtrSet<T*>::operator=(std::move(other));
        }
        return *this;
    }
    ~PtrSetOwner() override { DeleteAll(); }

    // Deletes every element.
    void clear() { DeleteAll(); }

private:
    void DeleteAll() noexcept
    {
        // Out of the set first, so a dying element finds nothing to leave.
        for (T* element : this->ReleaseAll()) delete element;
    }
};
