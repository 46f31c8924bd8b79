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

// The slim call on `object` where the system has the slim calls, else the
// standard way.
template <typename Standard>
void slimOr(SlimCalls::LockCall SlimCalls::*call, void** object, Standard standard) {
    if (const SlimCalls* slim = slimCalls()) {
        (slim->*call)(object);
    } else {
        standard();
    }
}

}  // namespace

void ThreadLock::lock() {
    slimOr(&SlimCalls::acquire, &slim_, [this] { standard_.lock(); });
}

void ThreadLock::unlock() {
    slimOr(&SlimCalls::release, &slim_, [this] { standard_.unlock(); });
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
    slimOr(&SlimCalls::wake, &slim_, [this] { standard_.notify_one(); });
}

void ThreadCondition::notifyAll() {
    slimOr(&SlimCalls::wakeAll, &slim_, [this] { standard_.notify_all(); });
}
