#include "platform/Changes.h"

int TChangeNotifier::Subscribe(TListener listener)
{
    int token = FNextToken++;
    FListeners.emplace_back(token, std::move(listener));
    return token;
}

void TChangeNotifier::Unsubscribe(int token)
{
    for (auto it = FListeners.begin(); it != FListeners.end(); ++it) {
        if (it->first == token) {
            FListeners.erase(it);
            return;
        }
    }
}

void TChangeNotifier::EndUpdate()
{
    if (FDepth == 0) return;
    if (--FDepth > 0) return;
    unsigned pending = FPending;
    FPending = 0;
    Send(pending);
}

void TChangeNotifier::Changed(unsigned changes)
{
    if (FDepth > 0) {
        FPending |= changes;
        return;
    }
    Send(changes);
}

void TChangeNotifier::Send(unsigned changes)
{
    if (changes == 0) return;
    // A listener may subscribe or unsubscribe while being told.
    auto listeners = FListeners;
    for (auto& entry : listeners) {
        if (entry.second) entry.second(changes);
    }
}
