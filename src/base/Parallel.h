#pragma once
// Two pieces of work on both processor cores.
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
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

// A second thread kept for a series of side-by-side runs: starting a thread costs tens of
// microseconds, as much as a small piece of work, and a thread started anew for every piece
// often begins when the calling thread has already done most of it. The thread is started by the
// first Run and waits for the next piece between runs; it ends with this object. Run behaves as
// RunSideBySide: `first` on the calling thread, `second` on the kept one, the exception of
// `first` passed on before that of `second`, and both on the calling thread, one after the
// other, when no thread can be started.
class SideBySide {
  public:
    SideBySide() = default;
    SideBySide(const SideBySide&) = delete;
    SideBySide& operator=(const SideBySide&) = delete;
    ~SideBySide() {
        if (!helper_.joinable()) return;
        {
            const std::lock_guard lock(mutex_);
            quit_ = true;
        }
        wake_.notify_one();
        helper_.join();
    }

    template <class First, class Second>
    void Run(First&& first, Second&& second) {
        if (!Started()) {
            first();
            second();
            return;
        }
        {
            const std::lock_guard lock(mutex_);
            work_ = [&second] { second(); };
            error_ = nullptr;
            ++posted_;
        }
        wake_.notify_one();
        std::exception_ptr firstError;
        try {
            first();
        } catch (...) {
            firstError = std::current_exception();
        }
        std::exception_ptr secondError;
        {
            std::unique_lock lock(mutex_);
            done_.wait(lock, [&] { return finished_ == posted_; });
            work_ = nullptr;
            secondError = error_;
        }
        if (firstError) std::rethrow_exception(firstError);
        if (secondError) std::rethrow_exception(secondError);
    }

  private:
    // Whether the kept thread runs, starting it the first time.
    bool Started() {
        if (helper_.joinable()) return true;
        if (failed_) return false;
        try {
            helper_ = std::thread([this] { Serve(); });
        } catch (const std::system_error&) {
            failed_ = true;
        }
        return !failed_;
    }

    void Serve() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return quit_ || finished_ != posted_; });
            if (quit_) return;
            const uint64_t taken = posted_;
            std::exception_ptr error;
            lock.unlock();
            try {
                work_();
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            error_ = error;
            finished_ = taken;
            done_.notify_one();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_, done_;
    std::function<void()> work_;
    std::exception_ptr error_;
    uint64_t posted_ = 0, finished_ = 0;  // pieces handed to the kept thread, and done by it
    bool quit_ = false, failed_ = false;
    std::thread helper_;
};

}  // namespace trevasc
