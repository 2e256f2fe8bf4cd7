#pragma once
// Change notification shared by the string grid and the item tree. A view
// subscribes and is told what changed (a bit mask defined by the notifying
// class). Between BeginUpdate and the matching EndUpdate nothing is sent: the
// changes are collected and sent once when the outermost lock is released,
// so filling a table of a thousand rows repaints the view once.
//
// Listeners must not throw: the last release usually happens in the
// destructor of a TUpdateLock, possibly while an exception unwinds.

#include <functional>
#include <utility>
#include <vector>

class TChangeNotifier {
public:
    using TListener = std::function<void(unsigned changes)>;

    TChangeNotifier() = default;
    TChangeNotifier(const TChangeNotifier&) = delete;
    TChangeNotifier& operator=(const TChangeNotifier&) = delete;

    // Returns a token for Unsubscribe (never 0).
    int Subscribe(TListener listener);
    void Unsubscribe(int token);

    void BeginUpdate() { ++FDepth; }
    // Unbalanced calls are ignored.
    void EndUpdate();
    bool Updating() const { return FDepth > 0; }

    // Sends at once, or collects while locked. A mask of 0 sends nothing.
    void Changed(unsigned changes);

private:
    void Send(unsigned changes);

    int FDepth = 0;
    unsigned FPending = 0;
    int FNextToken = 1;
    std::vector<std::pair<int, TListener>> FListeners;
};

// Holds the redraw lock of anything with BeginUpdate/EndUpdate for a scope,
// so every way out of the scope (return or exception) releases it.
template <class T>
class TUpdateLock {
public:
    explicit TUpdateLock(T& target) : FTarget(&target) { FTarget->BeginUpdate(); }
    explicit TUpdateLock(T* target) : FTarget(target)
    {
        if (FTarget) FTarget->BeginUpdate();
    }
    ~TUpdateLock()
    {
        if (FTarget) FTarget->EndUpdate();
    }
    TUpdateLock(const TUpdateLock&) = delete;
    TUpdateLock& operator=(const TUpdateLock&) = delete;

private:
    T* FTarget;
};
