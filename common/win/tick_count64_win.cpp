// The shipped programs and DLLs must load on Windows XP, which has no
// GetTickCount64. Our code does not call it, but the static MinGW thread
// library (libwinpthread, pulled in by libstdc++) does, and an import the
// loader cannot resolve stops the program before its first instruction.
//
// This object defines the import slot the library calls through, so the
// linker takes it instead of the KERNEL32 import: a function that uses
// GetTickCount64 where the system has it and otherwise extends GetTickCount
// past its wrap at 49.7 days. It is linked as an object into each shipped
// binary (an archive member would be looked at before the thread library
// asks for the slot); tests/binaries checks that no XP-less import is left.
#include <windows.h>

#include <atomic>
#include <cstdint>

namespace {

using TickCount64Function = ULONGLONG(WINAPI*)();

// GetTickCount extended to 64 bits: a value below the last one seen means the
// 32-bit counter has wrapped. Callers measure waits with it, so a count that
// never goes backwards is what matters.
ULONGLONG extendedTickCount() {
    static std::atomic<uint64_t> last{0};
    uint64_t seen = last.load();
    for (;;) {
        const uint32_t now = GetTickCount();
        uint64_t value = (seen & ~uint64_t{0xffffffff}) | now;
        if (value < seen) {
            value += uint64_t{1} << 32;
        }
        if (last.compare_exchange_weak(seen, value)) {
            return value;
        }
    }
}

std::atomic<TickCount64Function> systemTickCount64{nullptr};
std::atomic<bool> lookedUp{false};

ULONGLONG WINAPI tickCount64() {
    if (!lookedUp.load(std::memory_order_acquire)) {
        // Looking it up twice from two threads does no harm.
        const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        if (kernel != nullptr) {
            systemTickCount64.store(reinterpret_cast<TickCount64Function>(
                reinterpret_cast<void*>(GetProcAddress(kernel, "GetTickCount64"))));
        }
        lookedUp.store(true, std::memory_order_release);
    }
    const TickCount64Function function = systemTickCount64.load();
    return function != nullptr ? function() : extendedTickCount();
}

}  // namespace

#ifdef _WIN64
#define CKV_TICK_COUNT64_SLOT "__imp_GetTickCount64"
#else
#define CKV_TICK_COUNT64_SLOT "__imp__GetTickCount64@0"
#endif

extern "C" {
extern const TickCount64Function tickCount64Slot asm(CKV_TICK_COUNT64_SLOT);
const TickCount64Function tickCount64Slot = &tickCount64;
}
