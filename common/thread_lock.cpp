#include "thread_lock.h"

#ifdef _WIN32
#include <windows.h>

namespace {

// The system's slim lock and condition calls; SRWLOCK and CONDITION_VARIABLE
// are each one pointer, zero when unused.
struct SlimCalls {
    using LockCall = void(WINAPI*)(void**);
    using SleepCall = BOOL(WINAPI*)(void**, void**, DWORD, ULONG);
    LockCall acquire = nullptr;
    LockCall release = nullptr;
    SleepCall sleep = nullptr;
    LockCall wake = nullptr;
    LockCall wakeAll = nullptr;

    bool complete() const {
        return acquire != nullptr && release != nullptr && sleep != nullptr && wake != nullptr &&
               wakeAll != nullptr;
    }
};

template <typename Call>
Call lookUp(HMODULE kernel, const char* name) {
    return reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(kernel, name)));
}

SlimCalls findSlimCalls() {
    SlimCalls calls;
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (kernel != nullptr) {
        calls.acquire = lookUp<SlimCalls::LockCall>(kernel, "AcquireSRWLockExclusive");
        calls.release = lookUp<SlimCalls::LockCall>(kernel, "ReleaseSRWLockExclusive");
        calls.sleep = lookUp<SlimCalls::SleepCall>(kernel, "SleepConditionVariableSRW");
        calls.wake = lookUp<SlimCalls::LockCall>(kernel, "WakeConditionVariable");
        calls.wakeAll = lookUp<SlimCalls::LockCall>(kernel, "WakeAllConditionVariable");
    }
    return calls;
}

// Null when the system lacks any of them (XP).
const SlimCalls* slimCalls() {
    static const SlimCalls calls = findSlimCalls();
    return calls.complete() ? &calls : nullptr;
}

}  // namespace

void ThreadLock::lock() {
    if (const SlimCalls* slim = slimCalls()) {
        slim->acquire(&slim_);
    } else {
        standard_.lock();
    }
}

void ThreadLock::unlock() {
    if (const SlimCalls* slim = slimCalls()) {
        slim->release(&slim_);
    } else {
        standard_.unlock();
    }
}

void ThreadCondition::wait(std::unique_lock<ThreadLock>& held) {
    ThreadLock& lock = *held.mutex();
    if (const SlimCalls* slim = slimCalls()) {
        slim->sleep(&slim_, &lock.slim_, INFINITE, 0);
        return;
    }
    std::unique_lock<std::mutex> standard(lock.standard_, std::adopt_lock);
    standard_.wait(standard);
    standard.release();
}

void ThreadCondition::notifyOne() {
    if (const SlimCalls* slim = slimCalls()) {
        slim->wake(&slim_);
    } else {
        standard_.notify_one();
    }
}

void ThreadCondition::notifyAll() {
    if (const SlimCalls* slim = slimCalls()) {
        slim->wakeAll(&slim_);
    } else {
        standard_.notify_all();
    }
}
#else
void ThreadLock::lock() {
    standard_.lock();
}

void ThreadLock::unlock() {
    standard_.unlock();
}

void ThreadCondition::wait(std::unique_lock<ThreadLock>& held) {
    std::unique_lock<std::mutex> standard(held.mutex()->standard_, std::adopt_lock);
    standard_.wait(standard);
    standard.release();
}

void ThreadCondition::notifyOne() {
    standard_.notify_one();
}

void ThreadCondition::notifyAll() {
    standard_.notify_all();
}
#endif
