// The side-by-side hashing's order: whatever order the jobs end in, they are
// collected, with their progress, in the order they were given.
#include "common/ordered_jobs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Which jobs have ended, for jobs that wait for another's end.
class Gates {
public:
    void end(size_t job) {
        std::lock_guard<std::mutex> hold(lock_);
        ended_.push_back(job);
        changed_.notify_all();
    }
    void waitEnded(size_t job) {
        std::unique_lock<std::mutex> hold(lock_);
        changed_.wait(hold,
                      [&] { return std::find(ended_.begin(), ended_.end(), job) != ended_.end(); });
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<size_t> ended_;
};

TEST(OrderedJobsTest, JobsEndingOutOfOrderAreCollectedInOrderWithTheirProgress) {
    // Each row: the job whose end opens the gate of job i (none: it ends at once).
    const std::vector<std::vector<int>> rows = {
        {2, 2, -1},     // the last ends first
        {-1, 0, 1},     // in order
        {1, 3, 3, -1},  // the last, then the middle, then the first
    };
    for (const auto& opensAfter : rows) {
        SCOPED_TRACE(::testing::PrintToString(opensAfter));
        const size_t count = opensAfter.size();
        Gates gates;
        std::vector<size_t> results(count);
        OrderedJobs jobs(static_cast<int>(count), count);
        for (size_t i = 0; i < count; ++i) {
            const size_t slot = jobs.nextSlot();
            jobs.give([&, i, slot](OrderedJobs::Job& job) {
                job.progress(static_cast<int>(10 * i));
                if (opensAfter[i] >= 0) {
                    gates.waitEnded(static_cast<size_t>(opensAfter[i]));
                }
                job.progress(static_cast<int>(10 * i + 1));
                results[slot] = i;
                gates.end(i);
            });
        }
        std::vector<int> relayed;
        for (size_t i = 0; i < count; ++i) {
            const auto slot = jobs.collect([&](int percent) {
                relayed.push_back(percent);
                return true;
            });
            ASSERT_TRUE(slot);
            EXPECT_EQ(results[*slot], i);
        }
        std::vector<int> expected;
        for (size_t i = 0; i < count; ++i) {
            expected.push_back(static_cast<int>(10 * i));
            expected.push_back(static_cast<int>(10 * i + 1));
        }
        EXPECT_EQ(relayed, expected);
        EXPECT_FALSE(jobs.collect([](int) { return true; }));
    }
}

TEST(OrderedJobsTest, AStopInTheMiddleEndsTheJobsInFlight) {
    std::atomic<int> started{0};
    std::atomic<int> sawStop{0};
    {
        OrderedJobs jobs(2, 4);
        jobs.give([](OrderedJobs::Job& job) {
            job.progress(10);
            job.progress(20);
        });
        for (int i = 0; i < 3; ++i) {
            jobs.give([&started, &sawStop](OrderedJobs::Job& job) {
                ++started;
                while (!job.stopped()) {
                    std::this_thread::yield();
                }
                ++sawStop;
            });
        }
        std::vector<int> relayed;
        // The stop comes while job 0 is being collected and job 1 runs.
        EXPECT_FALSE(jobs.collect([&](int percent) {
            relayed.push_back(percent);
            while (started.load() == 0) {
                std::this_thread::yield();
            }
            return percent < 10;
        }));
        EXPECT_EQ(relayed, std::vector<int>{10});
        EXPECT_FALSE(jobs.collect([](int) { return true; }));
    }
    // Every job that ran saw the stop; with two threads the last was dropped.
    EXPECT_GE(started.load(), 1);
    EXPECT_LE(started.load(), 2);
    EXPECT_EQ(sawStop.load(), started.load());
}

TEST(OrderedJobsTest, SlotsBoundTheJobsGivenAhead) {
    OrderedJobs jobs(2, 3);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_FALSE(jobs.full());
        EXPECT_EQ(jobs.nextSlot(), i);
        jobs.give([](OrderedJobs::Job&) {});
    }
    EXPECT_TRUE(jobs.full());
    EXPECT_EQ(jobs.collect([](int) { return true; }), std::optional<size_t>{0});
    EXPECT_FALSE(jobs.full());
    EXPECT_EQ(jobs.nextSlot(), 0U);
}

}  // namespace
