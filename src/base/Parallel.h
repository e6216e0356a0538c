#pragma once
// Two pieces of work on both processor cores.
#include <exception>
#include <system_error>
#include <thread>
#include <utility>

namespace trevasc {

// True when a second thread can run at the same time as this one.
inline bool HasSecondCore() {
    return std::thread::hardware_concurrency() > 1;
}

// Runs `first` on the calling thread and `second` on a thread of its own, and returns when both
// are done. An exception of either is passed on, that of `first` when both throw (the earlier
// part of the work reports first). When no thread can be started, `second` runs after `first`.
template <class First, class Second>
void RunSideBySide(First&& first, Second&& second) {
    std::exception_ptr secondError;
    std::thread helper;
    try {
        helper = std::thread([&] {
            try {
                second();
            } catch (...) {
                secondError = std::current_exception();
            }
        });
    } catch (const std::system_error&) {
        first();
        second();
        return;
    }
    std::exception_ptr firstError;
    try {
        first();
    } catch (...) {
        firstError = std::current_exception();
    }
    helper.join();
    if (firstError) std::rethrow_exception(firstError);
    if (secondError) std::rethrow_exception(secondError);
}

}  // namespace trevasc
