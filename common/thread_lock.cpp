#include "thread_lock.h"

#include <type_traits>

#ifdef _WIN32
#include <windows.h>
#define CKV_SLIM_CALL WINAPI
#else
#define CKV_SLIM_CALL
#endif

namespace {

// The system's slim lock and condition calls; SRWLOCK and CONDITION_VARIABLE
// are each one pointer, zero when unused.
struct SlimCalls {
    using LockCall = void(CKV_SLIM_CALL*)(void**);
    using SleepCall = int(CKV_SLIM_CALL*)(void**, void**, unsigned long, unsigned long);
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

SlimCalls findSlimCalls() {
    SlimCalls calls;
#ifdef _WIN32
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto lookUp = [kernel](auto& call, const char* name) {
        call = reinterpret_cast<std::remove_reference_t<decltype(call)>>(
            reinterpret_cast<void*>(GetProcAddress(kernel, name)));
    };
    if (kernel != nullptr) {
        lookUp(calls.acquire, "AcquireSRWLockExclusive");
        lookUp(calls.release, "ReleaseSRWLockExclusive");
        lookUp(calls.sleep, "SleepConditionVariableSRW");
        lookUp(calls.wake, "WakeConditionVariable");
        lookUp(calls.wakeAll, "WakeAllConditionVariable");
    }
#endif
    return calls;
}

// Null where the system lacks any of them (XP, and every system but Windows).
const SlimCalls* slimCalls() {
    static const SlimCalls calls = findSlimCalls();
    return calls.complete() ? &calls : nullptr;
}

constexpr unsigned long kInfinite = 0xFFFFFFFF;

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
        slim->sleep(&slim_, &lock.slim_, kInfinite, 0);
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
