// Jobs done side by side on a few threads and handed back in the order they
// were given: the package check, the installed-file verification and the
// medium tool hash files this way, one file per thread, and report them in
// their list's order as if they had been hashed one after another. Memory is
// bounded by the number of slots: a job is given only into a slot whose
// earlier job has been collected. Built on ThreadLock and ThreadCondition, so
// that it loads on Windows XP.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "common/thread_lock.h"

class OrderedJobs {
public:
    // What a running job sees of the run.
    class Job {
    public:
        // Kept and handed, in order, to the collecting thread once this job
        // is the oldest one not yet collected.
        void progress(int percent);
        // Set when the run stops: the job should end at its next block.
        bool stopped() const;

    private:
        friend class OrderedJobs;
        Job(OrderedJobs& jobs, size_t slot) : jobs_(jobs), slot_(slot) {}
        OrderedJobs& jobs_;
        size_t slot_;
    };
    using Work = std::function<void(Job& job)>;

    // `threads` jobs at once, `slots` given and not collected (at least
    // `threads`). One thread is the collecting thread itself: each job runs
    // when it is collected, its progress relayed as it comes, with no hand-over
    // between threads per job.
    OrderedJobs(int threads, size_t slots);
    // Stops the jobs that run, drops those not started, and waits.
    ~OrderedJobs();
    OrderedJobs(const OrderedJobs&) = delete;
    OrderedJobs& operator=(const OrderedJobs&) = delete;

    size_t slots() const { return slots_.size(); }
    // Every slot holds a job not yet collected.
    bool full() const;
    // The slot the next job given goes into; a job keeps its result there.
    size_t nextSlot() const;
    // Gives the next job; must not be full.
    void give(Work work);
    // Waits for the oldest job not yet collected and hands each of its
    // progress values to `relay` on this thread, in order. Answers the job's
    // slot, whose result stays until a job is given into it again; nothing
    // when there is no job to collect or `relay` answered false (the run is
    // then stopped).
    std::optional<size_t> collect(const std::function<bool(int percent)>& relay);
    // Asks the jobs that run to end and drops those not started.
    void stop();

private:
    enum class State { Free, Waiting, Running, Done };
    struct Slot {
        Work work;
        State state = State::Free;
        std::vector<int> percents;
        size_t relayed = 0;
    };

    void runJobs();
    std::optional<size_t> runInline(const std::function<bool(int percent)>& relay);

    std::vector<Slot> slots_;
    std::atomic<bool> stopped_{false};
    mutable ThreadLock lock_;
    ThreadCondition work_;       // the threads: a job to start, or the end
    ThreadCondition collected_;  // the collector: the oldest job moved on
    size_t given_ = 0;           // jobs given in all
    size_t started_ = 0;         // jobs started (or dropped) in all
    size_t collectedCount_ = 0;  // jobs collected in all
    bool collecting_ = false;    // the collector waits
    bool ending_ = false;
    const std::function<bool(int)>* inlineRelay_ = nullptr;  // while a job runs inline
    std::vector<std::thread> threads_;
};
