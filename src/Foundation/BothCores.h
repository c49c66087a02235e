#pragma once

#include <new>
#include <system_error>
#include <thread>

// Splits [0, count) in two and runs the halves on two threads; small jobs stay on this one. False when
// either half ran out of memory.
template <typename Work> bool onBothCores(int count, bool worthIt, Work work)
{
    auto guarded = [&work](int first, int end) {
        try {
            work(first, end);
            return true;
        } catch (const std::bad_alloc&) {
            return false;
        }
    };
    if (!worthIt || count < 2)
        return guarded(0, count);
    const int half = count / 2;
    bool helperDone = false;
    std::thread helper;
    try {
        helper = std::thread([&] { helperDone = guarded(half, count); });
    } catch (const std::system_error&) {
        return guarded(0, count);
    }
    const bool done = guarded(0, half);
    helper.join();
    return done && helperDone;
}
