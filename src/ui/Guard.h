#pragma once
// No exception may cross Qt's event loop. Every slot and event handler of the
// user interface runs its work through Guarded: a TException or any other
// std::exception is shown in a message box and the program goes on.

#include <functional>
#include <type_traits>
#include <utility>

// Runs `work`; true when it ended without an exception.
bool Guarded(const std::function<void()>& work);

// A slot that runs `work` guarded, for connect(). `work` takes the signal's
// arguments, or none. The call operators say what they accept, so Qt can
// find out how many of a signal's arguments the slot takes.
template <class F>
struct TGuardedSlot {
    F Work;

    template <class... A>
        requires std::is_invocable_v<const F&, A...>
    void operator()(A&&... args) const
    {
        Guarded([&] { Work(std::forward<A>(args)...); });
    }

    template <class... A>
        requires(sizeof...(A) > 0 && !std::is_invocable_v<const F&, A...> && std::is_invocable_v<const F&>)
    void operator()(A&&...) const
    {
        Guarded([&] { Work(); });
    }
};

template <class F>
TGuardedSlot<F> GuardedSlot(F work)
{
    return TGuardedSlot<F>{std::move(work)};
}
