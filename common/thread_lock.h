// A mutex and the conditions its holders wait on, for threads that hand work
// to each other many times a second. On Windows the standard ones of the
// MinGW thread library wait on kernel objects, and under Wine every such wait
// and wake is a round trip to the server; the system's slim reader/writer
// locks and condition variables wait inside the process. Those came with
// Vista, so they are looked up at run time, and on XP (and natively) the
// standard ones serve.
#pragma once

#include <condition_variable>
#include <mutex>

class ThreadLock {
public:
    ThreadLock() = default;
    ThreadLock(const ThreadLock&) = delete;
    ThreadLock& operator=(const ThreadLock&) = delete;

    void lock();
    void unlock();

private:
    friend class ThreadCondition;
    void* slim_ = nullptr;  // an SRWLOCK, free when null
    std::mutex standard_;
};

class ThreadCondition {
public:
    ThreadCondition() = default;
    ThreadCondition(const ThreadCondition&) = delete;
    ThreadCondition& operator=(const ThreadCondition&) = delete;

    // Releases the lock while it waits; may return without a notification.
    void wait(std::unique_lock<ThreadLock>& held);
    template <typename Predicate>
    void wait(std::unique_lock<ThreadLock>& held, Predicate done) {
        while (!done()) {
            wait(held);
        }
    }
    void notifyOne();
    void notifyAll();

private:
    void* slim_ = nullptr;  // a CONDITION_VARIABLE, empty when null
    std::condition_variable standard_;
};
