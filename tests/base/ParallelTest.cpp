#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "base/Parallel.h"

namespace trevasc {
namespace {

// The kept thread serves one run after another: both halves of every run are done, by two
// different threads, before Run returns, and the same second thread serves every run.
TEST(SideBySide, RunsBothHalvesOfEveryRunOnTheKeptThread) {
    SideBySide threads;
    const std::thread::id caller = std::this_thread::get_id();
    std::thread::id kept;
    for (int run = 0; run < 200; ++run) {
        std::vector<int> halves(2, 0);
        std::thread::id firstOn, secondOn;
        threads.Run(
            [&] {
                firstOn = std::this_thread::get_id();
                halves[0] = run;
            },
            [&] {
                secondOn = std::this_thread::get_id();
                halves[1] = run + 1;
            });
        ASSERT_EQ(halves[0], run);
        ASSERT_EQ(halves[1], run + 1);
        EXPECT_EQ(firstOn, caller);
        EXPECT_NE(secondOn, caller);
        if (run == 0) kept = secondOn;
        EXPECT_EQ(secondOn, kept);
    }
}

// The two halves really run at the same time: each waits for the other to begin, which (up to a
// time limit) would fail if the second ran after the first.
TEST(SideBySide, HalvesOverlap) {
    if (!HasSecondCore()) GTEST_SKIP() << "one processor core";
    SideBySide threads;
    for (int run = 0; run < 20; ++run) {
        std::atomic<int> begun{0};
        std::atomic<int> met{0};
        const auto meet = [&] {
            ++begun;
            const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(2);
            while (begun.load() < 2 && std::chrono::steady_clock::now() < limit)
                std::this_thread::yield();
            if (begun.load() == 2) ++met;
        };
        threads.Run(meet, meet);
        ASSERT_EQ(met.load(), 2);
    }
}

// An exception of either half is passed on after both are done, that of the first when both
// throw, and the kept thread serves the next run afterwards.
TEST(SideBySide, PassesOnExceptionsAndGoesOn) {
    SideBySide threads;
    const auto fail = [](const char* what) { throw std::runtime_error(what); };
    std::atomic<bool> secondDone{false};
    const struct {
        std::function<void()> First, Second;
        const char* Passed;
    } runs[] = {{[&] { fail("first"); }, [&] { secondDone = true; }, "first"},
                {[] {}, [&] { fail("second"); }, "second"},
                {[&] { fail("first"); }, [&] { fail("second"); }, "first"}};
    for (const auto& run : runs) {
        try {
            threads.Run(run.First, run.Second);
            ADD_FAILURE() << "no exception";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), run.Passed);
        }
    }
    EXPECT_TRUE(secondDone);
    int one = 0, two = 0;
    threads.Run([&] { one = 1; }, [&] { two = 2; });
    EXPECT_EQ(one + two, 3);
}

}  // namespace
}  // namespace trevasc
