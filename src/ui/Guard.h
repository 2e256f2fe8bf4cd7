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
// arguments, or none.
template <class F>
auto GuardedSlot(F work)
{
    return [work = std::move(work)](auto&&... args) {
        Guarded([&] {
            if constexpr (std::is_invocable_v<const F&, decltype(args)...>)
                work(std::forward<decltype(args)>(args)...);
            else
                work();
        });
    };
}
