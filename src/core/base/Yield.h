#pragma once

#include <functional>

// "Give the event queue a turn". Long loops call it at every step; the window passes a
// throttled event pump, tests and the command line pass their own (or nothing).
using Yield = std::function<void()>;

inline void YieldNow(const Yield& yield) {
    if (yield) {
        yield();
    }
}
