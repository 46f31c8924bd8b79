// Run natively and under Wine, where the system's slim locks and condition
// variables serve instead of the standard ones.
#include "common/thread_lock.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

// Two threads take turns many times: every hand-over must wake the other
// side, and the lock must keep each turn whole.
TEST(ThreadLockTest, TwoThreadsTakeStrictTurns) {
    constexpr int kTurns = 5000;
    ThreadLock lock;
    ThreadCondition changed;
    int turn = 0;
    std::vector<int> takenBy;
    auto take = [&](int side) {
        for (int i = 0; i < kTurns; ++i) {
            std::unique_lock<ThreadLock> held(lock);
            changed.wait(held, [&] { return turn % 2 == side; });
            takenBy.push_back(side);
            ++turn;
            changed.notifyOne();
        }
    };
    std::thread other(take, 1);
    take(0);
    other.join();
    ASSERT_EQ(takenBy.size(), size_t{2} * kTurns);
    for (size_t i = 0; i < takenBy.size(); ++i) {
        ASSERT_EQ(takenBy[i], static_cast<int>(i % 2)) << "turn " << i;
    }
}

TEST(ThreadLockTest, NotifyAllWakesEveryWaiter) {
    ThreadLock lock;
    ThreadCondition opened;
    bool open = false;
    int waiting = 0;
    int through = 0;
    std::vector<std::thread> waiters;
    waiters.reserve(4);
    for (int i = 0; i < 4; ++i) {
        waiters.emplace_back([&] {
            std::unique_lock<ThreadLock> held(lock);
            ++waiting;
            opened.notifyAll();
            opened.wait(held, [&] { return open; });
            ++through;
        });
    }
    {
        std::unique_lock<ThreadLock> held(lock);
        opened.wait(held, [&] { return waiting == 4; });
        open = true;
    }
    opened.notifyAll();
    for (auto& waiter : waiters) {
        waiter.join();
    }
    EXPECT_EQ(through, 4);
}

}  // namespace
