#pragma once

#include <QtGlobal>

#include <algorithm>
#include <exception>
#include <functional>
#include <future>
#include <thread>
#include <vector>

// Work shared out over the processor's cores.

// How many walkers share pieces of work: one per core, at most 4, never more than the pieces,
// at least 1.
inline size_t WalkerCount(qsizetype pieces) {
    const qsizetype cores = std::max(1U, std::thread::hardware_concurrency());
    return static_cast<size_t>(std::max<qsizetype>(1, std::min({cores, pieces, qsizetype{4}})));
}

// Runs walk(walkers[0]) here and walk(walkers[k]) for every other k on a thread of its own, and
// waits for all. When one throws, stop() is called so that the others end soon, and the first
// exception is thrown again once every walker has ended.
template <typename Walker, typename Walk>
void RunWalkers(std::vector<Walker>& walkers, const Walk& walk, const std::function<void()>& stop) {
    std::vector<std::future<void>> running;
    for (size_t w = 1; w < walkers.size(); ++w) {
        running.push_back(std::async(std::launch::async, [&walk, &walkers, w] { walk(walkers[w]); }));
    }
    std::exception_ptr failed;
    try {
        walk(walkers[0]);
    } catch (...) {
        failed = std::current_exception();
        stop();
    }
    for (auto& walker : running) {
        try {
            walker.get();
        } catch (...) {
            if (!failed) {
                failed = std::current_exception();
                stop();
            }
        }
    }
    if (failed) {
        std::rethrow_exception(failed);
    }
}

// Sorts on two cores when the items are many: each half on its own, then the halves merged.
template <typename T, typename Less = std::less<T>> void SortInHalves(std::vector<T>& items, Less less = {}) {
    const auto middle = items.begin() + static_cast<std::ptrdiff_t>(items.size() / 2);
    if (items.size() < 100000 || WalkerCount(2) < 2) {
        std::sort(items.begin(), items.end(), less);
        return;
    }
    auto first = std::async(std::launch::async, [&] { std::sort(items.begin(), middle, less); });
    std::sort(middle, items.end(), less);
    first.get();
    std::inplace_merge(items.begin(), middle, items.end(), less);
}
